#pragma once
// Length of a UTF-8 text in characters: every byte that does not continue a multi-byte
// sequence (0b10xxxxxx) starts a character. Bytes that are not valid UTF-8 count one each.

#include <cstddef>
#include <string_view>

namespace tovarin::shell {

inline std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

}  // namespace tovarin::shell
