#pragma once
// The access key of a caption: the character after its first single "&", in lower case.
//
// Rules, applied to the caption as written (UTF-8):
//  - a caption of at most one character has no access key;
//  - find the first "&"; none, or one that is the last character, gives no key;
//  - "&x" with x not "&" gives x;
//  - "&&" stands for a literal ampersand: search again from the character after the pair;
//    an "&" found there gives the character after it unless that is "&" or missing (a second
//    doubled pair or a trailing "&" give no key). Only these two searches are made.
// ASCII letters are lowered; other characters are returned as they are (whole UTF-8 sequence).

#include <string>
#include <string_view>

namespace tovarin::button {

// The access key of `caption`, or an empty string when it has none.
std::string DeriveAccessKey(std::string_view caption);

}  // namespace tovarin::button
