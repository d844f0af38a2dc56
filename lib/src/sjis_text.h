// Internal Shift-JIS primitives shared by the library's units.  The exported
// helpers (kurovia.h) are thin wrappers around these.
#ifndef KUROVIA_SRC_SJIS_TEXT_H
#define KUROVIA_SRC_SJIS_TEXT_H

#include <cstddef>
#include <cstdint>

namespace krv {

inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
inline bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// True when p[0], p[1] form a double-byte character.  Never reads p[1] when
// p[0] is NUL, so a lead byte right before the terminator is safe.
inline bool IsDoubleByte(const char* p) {
  const auto c0 = static_cast<unsigned char>(p[0]);
  return IsLeadByte(c0) && IsTrailByte(static_cast<unsigned char>(p[1]));
}

// Byte length of the character at p (1 or 2); 0 at the terminator.
inline std::size_t CharLength(const char* p) {
  if (*p == '\0') return 0;
  return IsDoubleByte(p) ? 2 : 1;
}

// Value of a double-byte numeral character (一..九, ０..９, 十, 百, 千, 万, 萬);
// -1 for every other character.  Inline: the number readers call it for
// every character of every address.
inline int NumeralValue(unsigned char lead, unsigned char trail) {
  if (lead == 0x82) return trail >= 0x4F && trail <= 0x58 ? trail - 0x4F : -1;  // ０..９
  switch (lead << 8 | trail) {
    case 0x88EA: return 1;      // 一
    case 0x93F1: return 2;      // 二
    case 0x8E4F: return 3;      // 三
    case 0x8E6C: return 4;      // 四
    case 0x8CDC: return 5;      // 五
    case 0x985A: return 6;      // 六
    case 0x8EB5: return 7;      // 七
    case 0x94AA: return 8;      // 八
    case 0x8BE3: return 9;      // 九
    case 0x8F5C: return 10;     // 十
    case 0x9553: return 100;    // 百
    case 0x90E7: return 1000;   // 千
    case 0x969C: return 10000;  // 万
    case 0xE4DD: return 10000;  // 萬
    default: return -1;
  }
}

// Number of characters in the first `bytes` bytes of `text` (a double-byte
// character counts one), stopping at the terminator.
int CountChars(const char* text, std::size_t bytes);

// First occurrence of `needle` in `text` that starts on a character boundary;
// nullptr when none.  Trail bytes are never taken as the start of a match.
const char* FindOnBoundary(const char* text, const char* needle);

}  // namespace krv

#endif  // KUROVIA_SRC_SJIS_TEXT_H
