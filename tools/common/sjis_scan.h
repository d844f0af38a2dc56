// Character-wise searches in Shift-JIS text held in string views.  A
// double-byte character is one unit: a trail byte is never taken for a comma,
// a letter or the start of a match.
#ifndef KUROVIA_TOOLS_COMMON_SJIS_SCAN_H
#define KUROVIA_TOOLS_COMMON_SJIS_SCAN_H

#include <cstddef>
#include <string>
#include <string_view>

#include "kurovia.h"

namespace krv::tool {

inline constexpr std::size_t kNotFound = std::string_view::npos;

// Byte length of the character at `i` (1 or 2).
inline std::size_t CharLengthAt(std::string_view text, std::size_t i) {
  // No lead byte is below 0x81: ASCII never needs the library's test.
  if (static_cast<unsigned char>(text[i]) < 0x81 || i + 1 >= text.size()) return 1;
  return IsSjisKanji(text.data() + i) != 0 ? 2 : 1;
}

// Position of the first single-byte character `c`; kNotFound when none.
inline std::size_t FindByteChar(std::string_view text, char c) {
  for (std::size_t i = 0; i < text.size(); i += CharLengthAt(text, i)) {
    if (text[i] == c) return i;
  }
  return kNotFound;
}

// Position of the first occurrence of `needle` at or after `from` that
// starts on a character boundary; kNotFound when none.  A plain byte search
// would also match a trail byte followed by the next character's lead byte.
inline std::size_t FindText(std::string_view text, std::string_view needle, std::size_t from = 0) {
  if (from > text.size()) return kNotFound;
  if (needle.empty()) return from;
  // Most texts do not hold the bytes at all; only a byte match needs the
  // character-wise walk, which starts at the beginning of the text so that
  // its steps stay on character boundaries whatever `from` is.
  const std::size_t first = text.find(needle, from);
  if (first == std::string_view::npos) return kNotFound;
  for (std::size_t i = 0; i + needle.size() <= text.size(); i += CharLengthAt(text, i)) {
    if (i >= first && text.compare(i, needle.size(), needle) == 0) return i;
  }
  return kNotFound;
}

inline bool ContainsText(std::string_view text, std::string_view needle) {
  return FindText(text, needle) != kNotFound;
}

// Position of the first character of `text` that is one of the characters
// of `set`; kNotFound when none.
inline std::size_t FindFirstOf(std::string_view text, std::string_view set) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLengthAt(text, i);
    for (std::size_t j = 0; j < set.size();) {
      const std::size_t setLength = CharLengthAt(set, j);
      if (setLength == length && text.compare(i, length, set.substr(j, setLength)) == 0) return i;
      j += setLength;
    }
    i += length;
  }
  return kNotFound;
}

// The single-byte letters A-Z become a-z; double-byte characters, trail
// bytes included, stay as they are.
inline void LowerAscii(std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = CharLengthAt(text, i);
    if (length == 1 && text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
    i += length;
  }
}

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_SJIS_SCAN_H
