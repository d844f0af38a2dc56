// The argument encoding and krvCharConv: Shift-JIS <-> EUC-JP by the
// arithmetic JIS X 0208 mapping, and code page 932 <-> UTF-8 through tables
// taken once from the C library's "CP932" converter.
#include "arg_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "kurovia.h"

namespace krv {
namespace {

ArgEncoding g_argEncoding = ArgEncoding::kShiftJis;

// ---------------------------------------------------------------------------
// Shift-JIS <-> EUC-JP

// Output for the arithmetic conversions: a destination of `size` bytes whose
// room is checked before every byte.  When the room runs out the conversion
// stops and the bytes written so far stay, without a NUL.
class ByteSink {
 public:
  ByteSink(char* dst, int size) : dst_(dst), room_(size > 0 ? static_cast<std::size_t>(size) : 0) {}
  bool Put(unsigned c) {
    if (used_ >= room_) return false;
    dst_[used_++] = static_cast<char>(c & 0xFF);
    return true;
  }
  // 0 with a NUL after the output, or -1 when there is no room for it.
  int Finish() {
    if (used_ >= room_) return -1;
    dst_[used_] = '\0';
    return 0;
  }

 private:
  char* dst_;
  std::size_t room_;
  std::size_t used_ = 0;
};

bool IsSjisLeadForEuc(unsigned c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF); }

int SjisToEuc(const unsigned char* s, char* dst, int size) {
  ByteSink out(dst, size);
  while (*s != 0) {
    const unsigned c1 = *s;
    if (IsSjisLeadForEuc(c1)) {
      const unsigned c2 = s[1];
      if (c2 == 0) break;
      unsigned e1;
      unsigned e2;
      if (c2 >= 0x9F) {
        e1 = c1 >= 0xA0 ? 2 * c1 - 0xE0 : 2 * c1 - 0x60;
        e2 = c2 + 2;
      } else {
        e1 = c1 >= 0xA0 ? 2 * c1 - 0xE1 : 2 * c1 - 0x61;
        e2 = c2 >= 0x80 ? c2 + 0x60 : c2 + 0x61;
      }
      if (!out.Put(e1) || !out.Put(e2)) return -1;
      s += 2;
    } else if (c1 >= 0xA1 && c1 <= 0xDF) {  // half-width katakana
      if (!out.Put(0x8E) || !out.Put(c1)) return -1;
      ++s;
    } else {
      if (!out.Put(c1)) return -1;
      ++s;
    }
  }
  return out.Finish();
}

int EucToSjis(const unsigned char* s, char* dst, int size) {
  ByteSink out(dst, size);
  while (*s != 0) {
    const unsigned c1 = *s;
    if (c1 >= 0xA1 && c1 <= 0xFE) {
      const unsigned c2 = s[1];
      if (c2 == 0) break;
      const unsigned s1 = (c1 + 1) / 2 + (c1 >= 0xDF ? 0x70 : 0x30);
      unsigned s2;
      if (c1 % 2 == 0) {
        s2 = c2 - 2;
      } else {
        s2 = c2 >= 0xE0 ? c2 - 0x60 : c2 - 0x61;
      }
      if (!out.Put(s1) || !out.Put(s2)) return -1;
      s += 2;
    } else if (c1 == 0x8E) {  // half-width katakana
      if (s[1] == 0) break;
      if (!out.Put(s[1])) return -1;
      s += 2;
    } else if (c1 == 0x8F) {  // JIS X 0212 has no Shift-JIS form: ？
      if (s[1] == 0 || s[2] == 0) break;
      if (!out.Put(0x81) || !out.Put(0x48)) return -1;
      s += 3;
    } else {
      if (!out.Put(c1)) return -1;
      ++s;
    }
  }
  return out.Finish();
}

// ---------------------------------------------------------------------------
// Code page 932 <-> UTF-8
//
// The tables hold exactly what iconv's "CP932" converter gives for every
// single byte, every two-byte sequence and every BMP code point, so a
// conversion costs a few lookups instead of an iconv call.  Both converters
// are stateless, so converting a text character by character gives the same
// result as converting it whole.

constexpr uint16_t kNoChar = 0;  // no double-byte character maps to U+0000
constexpr uint32_t kInvalidByte = 0xFFFFFFFF;
constexpr uint32_t kLeadByte = 0xFFFFFFFE;

// Converts `in` with `cd`; true when all of it converted.  `out` receives
// the bytes written.
bool ConvertOnce(iconv_t cd, const char* in, std::size_t inLen, unsigned char* out, std::size_t outSize,
                 std::size_t* written) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* inPtr = const_cast<char*>(in);
  std::size_t inLeft = inLen;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t outLeft = outSize;
  const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  *written = outSize - outLeft;
  return rc != static_cast<std::size_t>(-1) && inLeft == 0;
}

uint32_t Utf32Le(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Code page 932 to Unicode.
struct Cp932DecodeTable {
  bool ok = false;
  // Per byte: its code point, kLeadByte or kInvalidByte.
  uint32_t single[256];
  // Per lead byte and trail byte: the code point, or kNoChar.
  uint16_t pair[256][256];

  Cp932DecodeTable() {
    std::memset(pair, 0, sizeof pair);
    for (uint32_t& v : single) v = kInvalidByte;
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    unsigned char out[16];
    std::size_t n = 0;
    for (unsigned b = 1; b < 256; ++b) {
      const char in[1] = {static_cast<char>(b)};
      if (ConvertOnce(cd, in, 1, out, sizeof out, &n) && n == 4) {
        single[b] = Utf32Le(out);
        continue;
      }
      // A byte that starts a two-byte character.
      for (unsigned t = 1; t < 256; ++t) {
        const char in2[2] = {static_cast<char>(b), static_cast<char>(t)};
        if (!ConvertOnce(cd, in2, 2, out, sizeof out, &n) || n != 4) continue;
        const uint32_t cp = Utf32Le(out);
        if (cp == 0 || cp > 0xFFFF) continue;
        pair[b][t] = static_cast<uint16_t>(cp);
        single[b] = kLeadByte;
      }
    }
    iconv_close(cd);
    ok = true;
  }
};

// Unicode (BMP) to code page 932: a single byte as 0x00XX, a double-byte
// character as lead * 256 + trail; kNoChar when code page 932 lacks it.
struct Cp932EncodeTable {
  bool ok = false;
  uint16_t code[0x10000];

  Cp932EncodeTable() {
    std::memset(code, 0, sizeof code);
    iconv_t cd = iconv_open("CP932", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    unsigned char out[16];
    std::size_t n = 0;
    for (uint32_t cp = 1; cp < 0x10000; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      const char in[4] = {static_cast<char>(cp & 0xFF), static_cast<char>(cp >> 8), 0, 0};
      if (!ConvertOnce(cd, in, 4, out, sizeof out, &n)) continue;
      if (n == 1 && out[0] != 0) {
        code[cp] = out[0];
      } else if (n == 2 && out[0] >= 0x80) {
        code[cp] = static_cast<uint16_t>(out[0] << 8 | out[1]);
      }
    }
    iconv_close(cd);
    ok = true;
  }
};

// Built on first use; a function-local static makes that thread-safe.
const Cp932DecodeTable& DecodeTable() {
  static const Cp932DecodeTable table;
  return table;
}

const Cp932EncodeTable& EncodeTable() {
  static const Cp932EncodeTable table;
  return table;
}

// Output of the UTF-8 modes: the text goes in whole with its NUL or not at
// all.  Once it does not fit, the rest of the source is still checked, since
// a source that cannot be converted is reported before a short destination.
class TextSink {
 public:
  TextSink(char* dst, int size) : dst_(dst), room_(size > 0 ? static_cast<std::size_t>(size) : 0) {}
  void Put(const unsigned char* bytes, std::size_t n) {
    if (full_ || used_ + n >= room_) {  // keep a byte for the NUL
      full_ = true;
      return;
    }
    for (std::size_t i = 0; i < n; ++i) dst_[used_ + i] = static_cast<char>(bytes[i]);
    used_ += n;
  }
  int Finish() {
    if (full_ || used_ >= room_) return Fail(-1);
    dst_[used_] = '\0';
    return 0;
  }
  // A failed conversion leaves an empty text.
  int Fail(int code) {
    if (room_ > 0) dst_[0] = '\0';
    return code;
  }

 private:
  char* dst_;
  std::size_t room_;
  std::size_t used_ = 0;
  bool full_ = false;
};

int Cp932ToUtf8(const unsigned char* s, char* dst, int size) {
  TextSink out(dst, size);
  const Cp932DecodeTable& table = DecodeTable();
  if (!table.ok) return out.Fail(-2);
  while (*s != 0) {
    uint32_t cp = table.single[*s];
    if (cp == kLeadByte) {
      cp = table.pair[s[0]][s[1]];  // s[1] may be the NUL: no character then
      if (cp == kNoChar) return out.Fail(-2);
      s += 2;
    } else if (cp == kInvalidByte) {
      return out.Fail(-2);
    } else {
      ++s;
    }
    unsigned char bytes[3];
    std::size_t n;
    if (cp < 0x80) {
      bytes[0] = static_cast<unsigned char>(cp);
      n = 1;
    } else if (cp < 0x800) {
      bytes[0] = static_cast<unsigned char>(0xC0 | cp >> 6);
      bytes[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      n = 2;
    } else {
      bytes[0] = static_cast<unsigned char>(0xE0 | cp >> 12);
      bytes[1] = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
      bytes[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
      n = 3;
    }
    out.Put(bytes, n);
  }
  return out.Finish();
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Code point of the UTF-8 character at `s` (BMP only) and its length; 0
// for malformed input (overlong forms, surrogates, stray or missing
// continuation bytes) and for characters beyond the BMP, which code page 932
// cannot hold either.  Never reads past a NUL.
uint32_t DecodeUtf8(const unsigned char* s, std::size_t* len) {
  const unsigned c0 = s[0];
  if (c0 < 0x80) {
    *len = 1;
    return c0;
  }
  if (c0 >= 0xC2 && c0 <= 0xDF) {
    if (!IsContinuation(s[1])) return 0;
    *len = 2;
    return (c0 & 0x1F) << 6 | (s[1] & 0x3Fu);
  }
  if (c0 >= 0xE0 && c0 <= 0xEF) {
    const unsigned c1 = s[1];
    if (!IsContinuation(static_cast<unsigned char>(c1))) return 0;
    if (c0 == 0xE0 && c1 < 0xA0) return 0;  // overlong
    if (c0 == 0xED && c1 > 0x9F) return 0;  // surrogate
    if (!IsContinuation(s[2])) return 0;
    *len = 3;
    return (c0 & 0x0F) << 12 | (c1 & 0x3F) << 6 | (s[2] & 0x3Fu);
  }
  return 0;
}

int Utf8ToCp932(const unsigned char* s, char* dst, int size) {
  TextSink out(dst, size);
  const Cp932EncodeTable& table = EncodeTable();
  if (!table.ok) return out.Fail(-2);
  while (*s != 0) {
    std::size_t len = 0;
    const uint32_t cp = DecodeUtf8(s, &len);
    if (cp == 0) return out.Fail(-2);
    const uint16_t code = table.code[cp];
    if (code == kNoChar) return out.Fail(-2);
    s += len;
    if (code < 0x100) {
      const unsigned char byte = static_cast<unsigned char>(code);
      out.Put(&byte, 1);
    } else {
      const unsigned char bytes[2] = {static_cast<unsigned char>(code >> 8), static_cast<unsigned char>(code & 0xFF)};
      out.Put(bytes, 2);
    }
  }
  return out.Finish();
}

bool ContainsNoCase(const char* text, const char* lowerWord) {
  const std::size_t n = std::strlen(lowerWord);
  for (const char* p = text; *p != '\0'; ++p) {
    std::size_t i = 0;
    while (i < n && p[i] != '\0') {
      char c = p[i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != lowerWord[i]) break;
      ++i;
    }
    if (i == n) return true;
  }
  return false;
}

}  // namespace

ArgEncoding CurrentArgEncoding() { return g_argEncoding; }

void ResetArgEncoding() { g_argEncoding = ArgEncoding::kShiftJis; }

const char* ArgToSjis(const char* text, char (&buffer)[kTextBufferSize]) {
  int mode;
  switch (g_argEncoding) {
    case ArgEncoding::kShiftJis:
      return text;
    case ArgEncoding::kEucJp:
      mode = 1;
      break;
    case ArgEncoding::kUtf8:
      mode = 3;
      break;
    default:
      return nullptr;
  }
  return krvCharConv(mode, text, buffer, static_cast<int>(kTextBufferSize)) == 0 ? buffer : nullptr;
}

int SjisToArg(const char* sjis, char* dst, int size) {
  switch (g_argEncoding) {
    case ArgEncoding::kShiftJis:
      return krvStrcpy(dst, sjis, size);
    case ArgEncoding::kEucJp:
      return krvCharConv(0, sjis, dst, size);
    case ArgEncoding::kUtf8:
      return krvCharConv(2, sjis, dst, size);
  }
  return -2;
}

}  // namespace krv

extern "C" {

KRV_API int krvSetArgEncoding(const char* name) {
  if (name == nullptr) return -1;
  if (krv::ContainsNoCase(name, "jis")) {
    krv::g_argEncoding = krv::ArgEncoding::kShiftJis;
  } else if (krv::ContainsNoCase(name, "jp")) {
    krv::g_argEncoding = krv::ArgEncoding::kEucJp;
  } else if (krv::ContainsNoCase(name, "utf") && std::strchr(name, '8') != nullptr) {
    krv::g_argEncoding = krv::ArgEncoding::kUtf8;
  } else {
    return -1;
  }
  return 0;
}

KRV_API int krvCharConv(int mode, const char* src, char* dst, int size) {
  if (mode < 0 || mode > 3) return 0;
  if (src == nullptr || dst == nullptr) return -2;
  const auto* s = reinterpret_cast<const unsigned char*>(src);
  switch (mode) {
    case 0:
      return krv::SjisToEuc(s, dst, size);
    case 1:
      return krv::EucToSjis(s, dst, size);
    case 2:
      return krv::Cp932ToUtf8(s, dst, size);
    default:
      return krv::Utf8ToCp932(s, dst, size);
  }
}

}  // extern "C"
