#include "arg_encoding.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kurovia.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;

// iconv's own answer for `in`, or nothing when it cannot convert all of it.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    EXPECT_NE(cd_, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  std::optional<std::string> operator()(const std::string& in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char out[64];
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) {
      return std::nullopt;
    }
    return std::string(out, sizeof out - outLeft);
  }

 private:
  iconv_t cd_;
};

std::string Hex(const std::string& bytes) {
  std::string s;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    s += buf;
  }
  return s;
}

// Converts into a destination of exactly `size` bytes on the heap, so the
// sanitizer catches any write beyond it, and returns the result code with
// the destination's bytes.
struct Converted {
  int result;
  std::string bytes;  // all `size` bytes of the destination
};

Converted Convert(int mode, const std::string& src, int size, char fill = '\x55') {
  const auto n = static_cast<std::size_t>(size);
  auto dst = std::make_unique<char[]>(n);  // not null even for 0 bytes
  std::memset(dst.get(), fill, n);
  // The source too sits in a buffer that ends right after its NUL.
  auto source = std::make_unique<char[]>(src.size() + 1);
  std::memcpy(source.get(), src.c_str(), src.size() + 1);
  const int result = krvCharConv(mode, source.get(), dst.get(), size);
  return {result, std::string(dst.get(), n)};
}

// The text a successful conversion produced (up to its NUL).
std::string Text(const Converted& c) { return std::string(c.bytes.c_str()); }

class ArgEncodingTest : public ::testing::Test {
 protected:
  void TearDown() override { krv::ResetArgEncoding(); }
};

TEST_F(ArgEncodingTest, NamesAreMatchedBySubstringWithoutCase) {
  struct Case {
    const char* name;
    int result;
    krv::ArgEncoding encoding;
  };
  const Case cases[] = {
      {"Shift_JIS", 0, krv::ArgEncoding::kShiftJis}, {"sjis", 0, krv::ArgEncoding::kShiftJis},
      {"EUC-JIS", 0, krv::ArgEncoding::kShiftJis},   {"EUC-JP", 0, krv::ArgEncoding::kEucJp},
      {"ISO-2022-JP", 0, krv::ArgEncoding::kEucJp},  {"UTF-8", 0, krv::ArgEncoding::kUtf8},
      {"utf8", 0, krv::ArgEncoding::kUtf8},          {"SJIS", 0, krv::ArgEncoding::kShiftJis},
  };
  for (const Case& c : cases) {
    // Start from another encoding, so the case shows the change.
    krv::ResetArgEncoding();
    if (c.encoding == krv::ArgEncoding::kShiftJis) {
      ASSERT_EQ(krvSetArgEncoding("utf8"), 0);
    }
    EXPECT_EQ(krvSetArgEncoding(c.name), c.result) << c.name;
    EXPECT_EQ(krv::CurrentArgEncoding(), c.encoding) << c.name;
  }
}

TEST_F(ArgEncodingTest, UnknownNameLeavesTheSettingAlone) {
  ASSERT_EQ(krvSetArgEncoding("EUC-JP"), 0);
  for (const char* name : {"latin1", "utf", "UTF-16", "", "8"}) {
    EXPECT_EQ(krvSetArgEncoding(name), -1) << name;
    EXPECT_EQ(krv::CurrentArgEncoding(), krv::ArgEncoding::kEucJp) << name;
  }
  EXPECT_EQ(krvSetArgEncoding(nullptr), -1);
  EXPECT_EQ(krv::CurrentArgEncoding(), krv::ArgEncoding::kEucJp);
}

TEST(EucConversion, ConvertsSingleCharactersBothWays) {
  struct Case {
    std::string sjis;
    std::string euc;
  };
  const Case cases[] = {
      {"\x82\xA0", "\xA4\xA2"},          // あ
      {"\xB1", "\x8E\xB1"},              // ｱ
      {"A", "A"},                        //
      {"\x88\x9F", "\xB0\xA1"},          // 亜 (trail below 0x9F)
      {"\x81\x40", "\xA1\xA1"},          // full-width space
      {"\x81\x80", "\xA1\xE0"},          // trail 0x80 (÷)
      {"\xEA\xA4", "\xF4\xA6"},          // 熙, the last JIS X 0208 row
      {"\xE0\x40", "\xDF\xA1"},          // lead 0xE0
      {"abc\x93\x8C\x8B\x9E", "abc\xC5\xEC\xB5\xFE"},  // abc東京
  };
  for (const Case& c : cases) {
    const Converted euc = Convert(0, c.sjis, 16);
    EXPECT_EQ(euc.result, 0) << Hex(c.sjis);
    EXPECT_EQ(Hex(Text(euc)), Hex(c.euc)) << Hex(c.sjis);
    const Converted sjis = Convert(1, c.euc, 16);
    EXPECT_EQ(sjis.result, 0) << Hex(c.euc);
    EXPECT_EQ(Hex(Text(sjis)), Hex(c.sjis)) << Hex(c.euc);
  }
}

// The arithmetic mapping agrees with the C library's tables on every JIS X
// 0208 character, in both directions.
TEST(EucConversion, AgreesWithIconvOnEveryJisX0208Character) {
  Iconv toEuc("EUC-JP", "SHIFT_JIS");
  int checked = 0;
  for (unsigned lead = 0x81; lead <= 0xEF; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string sjis = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::optional<std::string> expected = toEuc(sjis);
      if (!expected) continue;  // unassigned in JIS X 0208
      ++checked;
      const Converted euc = Convert(0, sjis, 3);
      ASSERT_EQ(euc.result, 0) << Hex(sjis);
      ASSERT_EQ(Hex(Text(euc)), Hex(*expected)) << Hex(sjis);
      const Converted back = Convert(1, *expected, 3);
      ASSERT_EQ(back.result, 0) << Hex(sjis);
      ASSERT_EQ(Hex(Text(back)), Hex(sjis));
    }
  }
  EXPECT_GT(checked, 6800);
}

TEST(EucConversion, JisX0212BecomesAFullWidthQuestionMark) {
  const Converted c = Convert(1, "a\x8F\xB0\xA1z", 8);
  EXPECT_EQ(c.result, 0);
  EXPECT_EQ(Text(c), "a\x81\x48z");
}

TEST(EucConversion, DestinationEdgesKeepTheOutputWithoutANul) {
  struct Case {
    int mode;
    std::string src;
    int size;
    int result;
    std::string bytes;  // the whole destination afterwards
  };
  const Case cases[] = {
      {0, "\xB1" "A", 4, 0, std::string("\x8E\xB1" "A\0", 4)},
      {0, "\xB1" "A", 3, -1, "\x8E\xB1" "A"},  // no room for the NUL
      {0, "\xB1" "A", 2, -1, "\x8E\xB1"},
      {0, "\xB1" "A", 1, -1, "\x8E"},
      {0, "\x82\xA0", 1, -1, "\xA4"},
      {0, "", 1, 0, std::string("\0", 1)},
      {0, "", 0, -1, ""},
      {1, "\xA4\xA2" "b", 3, -1, "\x82\xA0" "b"},
      {1, "\xA4\xA2" "b", 4, 0, std::string("\x82\xA0" "b\0", 4)},
      {1, "\x8E\xB1", 1, -1, "\xB1"},
      {1, "\x8F\xB0\xA1", 2, -1, "\x81\x48"},
  };
  for (const Case& c : cases) {
    const Converted got = Convert(c.mode, c.src, c.size);
    EXPECT_EQ(got.result, c.result) << c.mode << " " << Hex(c.src) << " size " << c.size;
    EXPECT_EQ(Hex(got.bytes), Hex(c.bytes)) << c.mode << " " << Hex(c.src) << " size " << c.size;
  }
}

// A lead byte right before the NUL ends the conversion; nothing past the
// NUL is read (the source buffer ends there).
TEST(EucConversion, TruncatedCharacterEndsTheText) {
  struct Case {
    int mode;
    std::string src;
    std::string out;
  };
  const Case cases[] = {
      {0, "ab\x82", "ab"},     {0, "\xE0", ""},        {1, "ab\xA4", "ab"},
      {1, "ab\x8E", "ab"},     {1, "ab\x8F", "ab"},    {1, "ab\x8F\xB0", "ab"},
  };
  for (const Case& c : cases) {
    const Converted got = Convert(c.mode, c.src, 8);
    EXPECT_EQ(got.result, 0) << Hex(c.src);
    EXPECT_EQ(Hex(Text(got)), Hex(c.out)) << Hex(c.src);
  }
}

TEST(CharConv, UnknownModeDoesNothing) {
  for (int mode : {-1, 4, 7}) {
    const Converted c = Convert(mode, "abc", 8, 'x');
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.bytes, "xxxxxxxx");
  }
  EXPECT_EQ(krvCharConv(7, nullptr, nullptr, 0), 0);
}

TEST(CharConv, NullPointersFail) {
  char buf[8];
  for (int mode = 0; mode <= 3; ++mode) {
    EXPECT_EQ(krvCharConv(mode, nullptr, buf, sizeof buf), -2) << mode;
    EXPECT_EQ(krvCharConv(mode, "a", nullptr, 8), -2) << mode;
  }
}

// Characters where code page 932 differs from plain Shift_JIS, and the NEC
// and IBM extensions, in both directions.
TEST(Utf8Conversion, Cp932CharactersRoundTrip) {
  struct Case {
    const char* utf8;
    std::string sjis;
  };
  const Case cases[] = {
      {"～", "\x81\x60"},  // U+FF5E
      {"－", "\x81\x7C"},  // U+FF0D
      {"∥", "\x81\x61"},   // U+2225
      {"￢", "\x81\xCA"},  // U+FFE2
      {"髙", "\xFB\xFC"},  // IBM extension
      {"①", "\x87\x40"},  // NEC special characters
      {"ｱ", "\xB1"},
      {"東京都千代田区丸の内一丁目1-1", Sjis("東京都千代田区丸の内一丁目1-1")},
      {"\\~", "\\~"},
      {"", ""},
  };
  for (const Case& c : cases) {
    const Converted sjis = Convert(3, c.utf8, 64);
    EXPECT_EQ(sjis.result, 0) << c.utf8;
    EXPECT_EQ(Hex(Text(sjis)), Hex(c.sjis)) << c.utf8;
    const Converted utf8 = Convert(2, c.sjis, 64);
    EXPECT_EQ(utf8.result, 0) << c.utf8;
    EXPECT_EQ(Text(utf8), c.utf8);
  }
}

TEST(Utf8Conversion, LookalikesTakeIconvsBestFit) {
  struct Case {
    const char* utf8;
    std::string sjis;
  };
  const Case cases[] = {
      {"〜", "\x81\x60"},  // U+301C wave dash
      {"−", "\x81\x7C"},   // U+2212 minus sign
      {"‖", "\x81\x61"},   // U+2016 double vertical line
      {"¬", "\x81\xCA"},   // U+00AC not sign
  };
  for (const Case& c : cases) {
    const Converted sjis = Convert(3, c.utf8, 8);
    EXPECT_EQ(sjis.result, 0) << c.utf8;
    EXPECT_EQ(Hex(Text(sjis)), Hex(c.sjis)) << c.utf8;
  }
}

TEST(Utf8Conversion, UnconvertibleSourceFailsWithAnEmptyText) {
  struct Case {
    int mode;
    std::string src;
  };
  const Case cases[] = {
      {3, "a\xC0\x80"},          // overlong NUL
      {3, "\xE0\x80\xAF"},       // overlong slash
      {3, "\xED\xA0\x80"},       // surrogate
      {3, "\x80"},               // stray continuation byte
      {3, "ab\xE3\x81"},         // cut short by the NUL
      {3, "\xE3\x81" "a"},       // cut short by a plain byte
      {3, "\xF0\x9F\x98\x80"},   // beyond the BMP
      {3, "\xF8\x88\x80\x80\x80"},
      {3, "\xFF"},
      {3, "é"},                  // not in code page 932
      {2, "\x80"},
      {2, "\xA0"},
      {2, "\xFD"},
      {2, "\x81\x20"},           // lead byte without a trail byte
      {2, "ab\x81"},             // lead byte right before the NUL
      {2, "\x85\x40"},           // unassigned
  };
  for (const Case& c : cases) {
    const Converted got = Convert(c.mode, c.src, 16);
    EXPECT_EQ(got.result, -2) << c.mode << " " << Hex(c.src);
    EXPECT_EQ(got.bytes[0], '\0') << c.mode << " " << Hex(c.src);
  }
}

TEST(Utf8Conversion, ShortDestinationFailsWithAnEmptyText) {
  const std::string sjis = Sjis("東京");
  const std::string utf8 = "東京";  // 6 bytes
  struct Case {
    int mode;
    std::string src;
    int size;
    int result;
    std::string text;
  };
  const Case cases[] = {
      {2, sjis, 7, 0, utf8}, {2, sjis, 6, -1, ""}, {2, sjis, 1, -1, ""}, {2, "", 1, 0, ""},
      {3, utf8, 5, 0, sjis}, {3, utf8, 4, -1, ""}, {3, utf8, 1, -1, ""}, {3, "", 1, 0, ""},
  };
  for (const Case& c : cases) {
    const Converted got = Convert(c.mode, c.src, c.size);
    EXPECT_EQ(got.result, c.result) << c.mode << " size " << c.size;
    EXPECT_EQ(Text(got), c.text) << c.mode << " size " << c.size;
  }
  for (int mode : {2, 3}) EXPECT_EQ(Convert(mode, "", 0).result, -1) << mode;
  // A source that cannot be converted is reported even when it would not fit.
  EXPECT_EQ(Convert(3, "東京\xFF", 2).result, -2);
  EXPECT_EQ(Convert(2, sjis + "\x80", 2).result, -2);
}

// The conversion tables give exactly what iconv gives: every single byte and
// every pair of bytes as code page 932, every BMP code point as UTF-8.
TEST(Utf8Conversion, TablesMatchIconvExhaustively) {
  Iconv toUtf8("UTF-8", "CP932");
  std::vector<std::string> inputs;
  for (unsigned b0 = 1; b0 < 256; ++b0) {
    inputs.push_back(std::string(1, static_cast<char>(b0)));
    for (unsigned b1 = 1; b1 < 256; ++b1) inputs.push_back({static_cast<char>(b0), static_cast<char>(b1)});
  }
  int mismatches = 0;
  int converted = 0;
  for (const std::string& in : inputs) {
    const std::optional<std::string> expected = toUtf8(in);
    const Converted got = Convert(2, in, 16);
    const bool same = expected ? got.result == 0 && Text(got) == *expected : got.result == -2;
    if (expected) ++converted;
    if (!same && ++mismatches <= 10) ADD_FAILURE() << "CP932 " << Hex(in);
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(converted, 7000 + 190 * 190);  // double-byte characters plus pairs of single bytes

  Iconv toCp932("CP932", "UTF-8");
  mismatches = 0;
  converted = 0;
  for (uint32_t cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string in;
    if (cp < 0x80) {
      in = {static_cast<char>(cp)};
    } else if (cp < 0x800) {
      in = {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
    } else {
      in = {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)),
            static_cast<char>(0x80 | (cp & 0x3F))};
    }
    const std::optional<std::string> expected = toCp932(in);
    const Converted got = Convert(3, in, 8);
    const bool same = expected ? got.result == 0 && Text(got) == *expected : got.result == -2;
    if (expected) ++converted;
    if (!same && ++mismatches <= 10) ADD_FAILURE() << "U+" << std::hex << cp;
  }
  EXPECT_EQ(mismatches, 0);
  EXPECT_GT(converted, 7000);
}

TEST_F(ArgEncodingTest, AddressTextsFollowTheArgumentEncoding) {
  const std::string sjis = Sjis("丸の内１");
  char buffer[krv::kTextBufferSize];
  char out[32];

  const char* text = sjis.c_str();
  EXPECT_EQ(krv::ArgToSjis(text, buffer), text);  // used as it is
  EXPECT_EQ(krv::SjisToArg(text, out, sizeof out), 0);
  EXPECT_EQ(std::string(out), sjis);
  EXPECT_EQ(krv::SjisToArg(text, out, 4), -1);  // cut like krvStrcpy

  ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
  const char* converted = krv::ArgToSjis("丸の内１", buffer);
  ASSERT_EQ(converted, buffer);
  EXPECT_EQ(std::string(converted), sjis);
  EXPECT_EQ(krv::ArgToSjis("\xFF", buffer), nullptr);
  EXPECT_EQ(krv::SjisToArg(text, out, sizeof out), 0);
  EXPECT_EQ(std::string(out), "丸の内１");
  EXPECT_EQ(krv::SjisToArg(text, out, 4), -1);

  ASSERT_EQ(krvSetArgEncoding("euc-jp"), 0);
  const std::string euc = "\xB4\xDD\xA4\xCE\xC6\xE2\xA3\xB1";
  converted = krv::ArgToSjis(euc.c_str(), buffer);
  ASSERT_EQ(converted, buffer);
  EXPECT_EQ(std::string(converted), sjis);
  EXPECT_EQ(krv::SjisToArg(text, out, sizeof out), 0);
  EXPECT_EQ(std::string(out), euc);

  krv::ResetArgEncoding();
  EXPECT_EQ(krv::CurrentArgEncoding(), krv::ArgEncoding::kShiftJis);
}

TEST_F(ArgEncodingTest, LongTextThatDoesNotFitTheWorkingBufferFails) {
  ASSERT_EQ(krvSetArgEncoding("utf-8"), 0);
  char buffer[krv::kTextBufferSize];
  const std::string fits(krv::kTextBufferSize - 1, 'a');
  EXPECT_EQ(krv::ArgToSjis(fits.c_str(), buffer), buffer);
  const std::string tooLong(krv::kTextBufferSize, 'a');
  EXPECT_EQ(krv::ArgToSjis(tooLong.c_str(), buffer), nullptr);
}

}  // namespace
