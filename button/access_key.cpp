#include "button/access_key.h"

#include <cstddef>

namespace tovarin::button {
namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t CountCharacters(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) {
    if (!IsContinuationByte(c)) ++count;
  }
  return count;
}

// The whole character starting at byte `at` (one UTF-8 sequence), ASCII letters lowered.
std::string CharacterAt(std::string_view text, std::size_t at) {
  std::size_t end = at + 1;
  while (end < text.size() && IsContinuationByte(text[end])) ++end;
  std::string character(text.substr(at, end - at));
  if (character.size() == 1 && character[0] >= 'A' && character[0] <= 'Z') {
    character[0] = static_cast<char>(character[0] - 'A' + 'a');
  }
  return character;
}

}  // namespace

std::string DeriveAccessKey(std::string_view caption) {
  if (CountCharacters(caption) <= 1) return {};
  // "&" is ASCII and never part of a multi-byte sequence, so byte positions are safe here.
  const std::size_t first = caption.find('&');
  if (first == std::string_view::npos || first + 1 >= caption.size()) return {};
  if (caption[first + 1] != '&') return CharacterAt(caption, first + 1);

  // A doubled "&&" is a literal ampersand; look once more after it.
  const std::size_t second = caption.find('&', first + 2);
  if (second == std::string_view::npos || second + 1 >= caption.size()) return {};
  if (caption[second + 1] == '&') return {};
  return CharacterAt(caption, second + 1);
}

}  // namespace tovarin::button
