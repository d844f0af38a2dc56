// Shift-JIS text helpers: bounded copy and append, numerals, full-width
// digits, double-byte tests, kana conversion and a character-set search.
#include "sjis_text.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "kurovia.h"

namespace krv {
namespace {

// Full-width hiragana for the half-width katakana 0xA6..0xDF: plain form,
// voiced form and semi-voiced form (0 when the kana has none).  Hiragana
// ぁ..ん are 0x829F..0x82F1 in Unicode order; ー ゛ ゜ are 0x815B, 0x814A,
// 0x814B.
struct HanKana {
  uint16_t plain;
  uint16_t voiced;
  uint16_t semiVoiced;
};

constexpr uint16_t Hira(unsigned offset) { return static_cast<uint16_t>(0x829F + offset); }

const std::array<HanKana, 0xE0 - 0xA6>& HanKanaTable() {
  static const std::array<HanKana, 0xE0 - 0xA6> table = [] {
    // Offsets from ぁ of the plain forms of ｦ ｧ ｨ ｩ ｪ ｫ ｬ ｭ ｮ ｯ, then ｱ..ﾝ.
    const unsigned small[10] = {0x51 /*を*/, 0x00, 0x02, 0x04, 0x06, 0x08, 0x42, 0x44, 0x46, 0x22};
    const unsigned plain[45] = {
        0x01, 0x03, 0x05, 0x07, 0x09,  // あいうえお
        0x0A, 0x0C, 0x0E, 0x10, 0x12,  // かきくけこ
        0x14, 0x16, 0x18, 0x1A, 0x1C,  // さしすせそ
        0x1E, 0x20, 0x23, 0x25, 0x27,  // たちつてと
        0x29, 0x2A, 0x2B, 0x2C, 0x2D,  // なにぬねの
        0x2E, 0x31, 0x34, 0x37, 0x3A,  // はひふへほ
        0x3D, 0x3E, 0x3F, 0x40, 0x41,  // まみむめも
        0x43, 0x45, 0x47,              // やゆよ
        0x48, 0x49, 0x4A, 0x4B, 0x4C,  // らりるれろ
        0x4E, 0x52,                    // わん
    };
    std::array<HanKana, 0xE0 - 0xA6> t{};
    for (unsigned i = 0; i < 10; ++i) t[i].plain = Hira(small[i]);
    t[0xB0 - 0xA6].plain = 0x815B;  // ｰ -> ー
    for (unsigned i = 0; i < 45; ++i) {
      const unsigned c = 0xB1 + i;
      HanKana& k = t[c - 0xA6];
      k.plain = Hira(plain[i]);
      if (c >= 0xB6 && c <= 0xC4) k.voiced = static_cast<uint16_t>(k.plain + 1);  // ｶ..ｺ ｻ..ｿ ﾀ..ﾄ
      if (c >= 0xCA && c <= 0xCE) {                                               // ﾊ..ﾎ
        k.voiced = static_cast<uint16_t>(k.plain + 1);
        k.semiVoiced = static_cast<uint16_t>(k.plain + 2);
      }
    }
    t[0xDE - 0xA6].plain = 0x814A;  // ﾞ -> ゛
    t[0xDF - 0xA6].plain = 0x814B;  // ﾟ -> ゜
    return t;
  }();
  return table;
}

// Half-width form of each hiragana ぁ..ん: one kana byte and an optional
// mark byte (ﾞ or ﾟ).
struct ZenKana {
  unsigned char kana;
  unsigned char mark;
};

const std::array<ZenKana, 0x82F2 - 0x829F>& ZenKanaTable() {
  static const std::array<ZenKana, 0x82F2 - 0x829F> table = [] {
    std::array<ZenKana, 0x82F2 - 0x829F> t{};
    for (unsigned c = 0xA6; c <= 0xDD; ++c) {
      const HanKana& k = HanKanaTable()[c - 0xA6];
      if (k.plain < 0x829F) continue;  // ｰ
      t[k.plain - 0x829F] = {static_cast<unsigned char>(c), 0};
      if (k.voiced != 0) t[k.voiced - 0x829F] = {static_cast<unsigned char>(c), 0xDE};
      if (k.semiVoiced != 0) t[k.semiVoiced - 0x829F] = {static_cast<unsigned char>(c), 0xDF};
    }
    t[0x82EC - 0x829F] = {0xDC, 0};  // ゎ -> ﾜ
    t[0x82EE - 0x829F] = {0xB2, 0};  // ゐ -> ｲ
    t[0x82EF - 0x829F] = {0xB4, 0};  // ゑ -> ｴ
    return t;
  }();
  return table;
}

// The character at p as one number: a single byte as its value (below
// 0x100), a double-byte character as lead * 256 + trail (0x8140 or more), so
// the two kinds never compare equal.
uint16_t CharCode(const char* p) {
  const auto c0 = static_cast<unsigned char>(p[0]);
  if (!IsDoubleByte(p)) return c0;
  return static_cast<uint16_t>(c0 << 8 | static_cast<unsigned char>(p[1]));
}

}  // namespace

int CountChars(const char* text, std::size_t bytes) {
  int count = 0;
  std::size_t pos = 0;
  while (pos < bytes && text[pos] != '\0') {
    pos += IsDoubleByte(text + pos) ? 2 : 1;
    ++count;
  }
  return count;
}

const char* FindOnBoundary(const char* text, const char* needle) {
  if (*needle == '\0') return text;
  // The names searched for are rarely in the text at all: a byte search
  // finds each candidate, and the character walk only goes as far as the
  // candidates lead it, so a long text costs one pass, not one per name
  // character.
  const char* boundary = text;  // always the start of a character
  for (const char* hit = std::strstr(text, needle); hit != nullptr; hit = std::strstr(hit + 1, needle)) {
    while (boundary < hit) boundary += CharLength(boundary);
    if (boundary == hit) return hit;
  }
  return nullptr;
}

}  // namespace krv

using krv::IsDoubleByte;

extern "C" {

KRV_API int krvStrcpy(char* dst, const char* src, int size) {
  if (dst == nullptr || src == nullptr || size < 1) return -2;
  const std::size_t limit = static_cast<std::size_t>(size) - 1;
  const std::size_t len = std::strlen(src);
  if (len < limit) {
    std::memcpy(dst, src, len + 1);
    return 0;
  }
  std::memmove(dst, src, limit);
  dst[limit] = '\0';
  return -1;
}

KRV_API int krvStrcat(char* dst, const char* src, int size) {
  if (dst == nullptr || src == nullptr || size < 1) return -2;
  const std::size_t dstLen = std::strlen(dst);
  const std::size_t srcLen = std::strlen(src);
  const std::size_t limit = static_cast<std::size_t>(size) - 1;
  if (dstLen + srcLen < limit) {
    std::memcpy(dst + dstLen, src, srcLen + 1);
    return 0;
  }
  if (dstLen > limit) return -1;
  const std::size_t room = limit - dstLen;
  std::memmove(dst + dstLen, src, room);
  dst[limit] = '\0';
  return -1;
}

KRV_API uint32_t NumStr2Int(const char* text, int* consumed) {
  uint32_t digits = 0;
  uint32_t group = 0;
  uint32_t total = 0;
  std::size_t pos = 0;
  if (text != nullptr) {
    while (text[pos] != '\0') {
      uint32_t value;
      std::size_t len;
      if (IsDoubleByte(text + pos)) {
        const int v = krv::NumeralValue(static_cast<unsigned char>(text[pos]),
                                        static_cast<unsigned char>(text[pos + 1]));
        if (v < 0) break;
        value = static_cast<uint32_t>(v);
        len = 2;
      } else {
        const char c = text[pos];
        if (c < '0' || c > '9') break;
        value = static_cast<uint32_t>(c - '0');
        len = 1;
      }
      if (value < 10) {
        digits = digits * 10 + value;
      } else if (value < 10000) {
        if (digits == 0) digits = 1;  // 十 alone is 10
        group += digits * value;
        digits = 0;
      } else {
        total += (group + digits) * 10000;
        group = 0;
        digits = 0;
      }
      pos += len;
    }
  }
  if (consumed != nullptr) *consumed = static_cast<int>(pos);
  return total + group + digits;
}

KRV_API int LastCharIsNumeric(const char* text) {
  if (text == nullptr) return 0;
  const std::size_t len = std::strlen(text);
  if (len == 0) return 0;
  if (len >= 2 && IsDoubleByte(text + len - 2)) {
    return krv::NumeralValue(static_cast<unsigned char>(text[len - 2]),
                             static_cast<unsigned char>(text[len - 1])) >= 0
               ? 1
               : 0;
  }
  const char last = text[len - 1];
  return last >= '0' && last <= '9' ? 1 : 0;
}

KRV_API int Int2ZenkakuStr(int32_t value, char* dst, int size) {
  if (dst == nullptr) return -1;
  char digits[16];
  const int chars = std::snprintf(digits, sizeof digits, "%d", value);
  if (chars < 0 || 2 * chars + 1 > size) return -1;
  char* out = dst;
  for (int i = 0; i < chars; ++i) {
    if (digits[i] == '-') {
      *out++ = '\x81';  // －
      *out++ = '\x7C';
    } else {
      *out++ = '\x82';
      *out++ = static_cast<char>(digits[i] + 0x1F);
    }
  }
  *out = '\0';
  return 0;
}

KRV_API int IsSjisKanji(const char* p) { return p != nullptr && IsDoubleByte(p) ? 1 : 0; }

KRV_API int krvKanaHan2Zen(const char* src, char* dst, int size) {
  if (src == nullptr || dst == nullptr) return -1;
  const std::size_t len = std::strlen(src);
  if (size < 0 || 2 * len + 1 > static_cast<std::size_t>(size)) return -1;
  const auto& table = krv::HanKanaTable();
  std::size_t in = 0;
  std::size_t out = 0;
  while (src[in] != '\0') {
    const auto c = static_cast<unsigned char>(src[in]);
    if (c >= 0xA6 && c <= 0xDF) {
      const krv::HanKana& k = table[c - 0xA6];
      const auto next = static_cast<unsigned char>(src[in + 1]);
      uint16_t zen = k.plain;
      std::size_t used = 1;
      if (next == 0xDE && k.voiced != 0) {
        zen = k.voiced;
        used = 2;
      } else if (next == 0xDF && k.semiVoiced != 0) {
        zen = k.semiVoiced;
        used = 2;
      }
      dst[out++] = static_cast<char>(zen >> 8);
      dst[out++] = static_cast<char>(zen & 0xFF);
      in += used;
    } else if (IsDoubleByte(src + in)) {
      dst[out++] = src[in++];
      dst[out++] = src[in++];
    } else {
      dst[out++] = src[in++];
    }
  }
  dst[out] = '\0';
  return static_cast<int>(out);
}

KRV_API int krvKanaZen2Han(const char* src, char* dst, int size) {
  if (src == nullptr || dst == nullptr || size < 1) return -1;
  const std::size_t limit = static_cast<std::size_t>(size) - 1;  // room for the NUL
  const auto& table = krv::ZenKanaTable();
  std::size_t in = 0;
  std::size_t out = 0;
  bool cut = false;
  while (src[in] != '\0') {
    if (out >= limit) {
      cut = true;
      break;
    }
    if (!IsDoubleByte(src + in)) {
      dst[out++] = src[in++];
      continue;
    }
    const auto lead = static_cast<unsigned char>(src[in]);
    const auto trail = static_cast<unsigned char>(src[in + 1]);
    const unsigned code = static_cast<unsigned>(lead) << 8 | trail;
    unsigned char kana = 0;
    unsigned char mark = 0;
    if (code == 0x814A) {
      kana = 0xDE;  // ゛
    } else if (code == 0x814B) {
      kana = 0xDF;  // ゜
    } else if (code == 0x815B || code == 0x815C || code == 0x815D || code == 0x8160) {
      kana = 0xB0;  // ー ― ‐ ～
    } else if (code >= 0x829F && code <= 0x82F1) {
      kana = table[code - 0x829F].kana;
      mark = table[code - 0x829F].mark;
    }
    in += 2;
    if (kana != 0) {
      dst[out++] = static_cast<char>(kana);
      if (mark != 0) {
        if (out >= limit) {
          cut = true;
          break;
        }
        dst[out++] = static_cast<char>(mark);
      }
    } else {
      dst[out++] = static_cast<char>(lead);
      if (out >= limit) {
        cut = true;
        break;
      }
      dst[out++] = static_cast<char>(trail);
    }
  }
  dst[out] = '\0';
  return cut ? -1 : static_cast<int>(out);
}

KRV_API const char* sjispbrk(const char* text, const char* set) {
  if (text == nullptr || set == nullptr) return nullptr;
  constexpr std::size_t kMaxSetBytes = 2002;
  constexpr int kMaxSetChars = 1000;
  if (std::strlen(set) >= kMaxSetBytes) return nullptr;
  uint16_t chars[kMaxSetChars];
  int count = 0;
  for (const char* p = set; *p != '\0' && count < kMaxSetChars; p += krv::CharLength(p)) {
    chars[count++] = krv::CharCode(p);
  }
  for (const char* p = text; *p != '\0'; p += krv::CharLength(p)) {
    const uint16_t c = krv::CharCode(p);
    for (int i = 0; i < count; ++i) {
      if (chars[i] == c) return p;
    }
  }
  return nullptr;
}

}  // extern "C"
