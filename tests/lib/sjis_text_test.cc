#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "kurovia.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;

// A copy of `text` in a heap buffer that ends right after its NUL, so the
// sanitizer build catches any read past the terminator.
std::unique_ptr<char[]> Exact(const std::string& text) {
  auto buffer = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
  return buffer;
}

TEST(Strcpy, CutsAtSizeMinusOne) {
  struct Case {
    const char* src;
    int size;
    int result;
    std::string dst;
  };
  const Case cases[] = {
      {"abc", 5, 0, "abc"},  {"abc", 4, -1, "abc"},  // exactly size-1 bytes still counts as cut
      {"abc", 3, -1, "ab"},  {"abc", 1, -1, ""},     {"", 1, -1, ""},  {"", 2, 0, ""},
  };
  for (const Case& c : cases) {
    char dst[8] = "xxxxxxx";
    EXPECT_EQ(krvStrcpy(dst, c.src, c.size), c.result) << c.src << " " << c.size;
    EXPECT_EQ(std::string(dst), c.dst) << c.src << " " << c.size;
  }
}

TEST(Strcpy, RejectsBadArgumentsWithoutWriting) {
  char dst[4] = "xyz";
  EXPECT_EQ(krvStrcpy(dst, "abc", 0), -2);
  EXPECT_EQ(krvStrcpy(dst, "abc", -5), -2);
  EXPECT_EQ(krvStrcpy(dst, nullptr, 4), -2);
  EXPECT_EQ(krvStrcpy(nullptr, "abc", 4), -2);
  EXPECT_STREQ(dst, "xyz");
}

TEST(Strcat, AppendsAsFarAsItFits) {
  struct Case {
    const char* dst;
    const char* src;
    int size;
    int result;
    std::string out;
  };
  const Case cases[] = {
      {"ab", "cd", 6, 0, "abcd"},   {"ab", "cd", 5, -1, "abcd"},  // result reaches size-1
      {"ab", "cd", 4, -1, "abc"},   {"abc", "d", 4, -1, "abc"},   // no room left
      {"abcdef", "g", 4, -1, "abcdef"},                            // already too long: untouched
      {"", "", 1, -1, ""},          {"", "", 2, 0, ""},
  };
  for (const Case& c : cases) {
    char dst[16];
    std::strcpy(dst, c.dst);
    EXPECT_EQ(krvStrcat(dst, c.src, c.size), c.result) << c.dst << "+" << c.src << " " << c.size;
    EXPECT_EQ(std::string(dst), c.out) << c.dst << "+" << c.src << " " << c.size;
  }
  char dst[8] = "ab";
  EXPECT_EQ(krvStrcat(dst, "cd", 0), -2);
  EXPECT_EQ(krvStrcat(dst, nullptr, 8), -2);
  EXPECT_EQ(krvStrcat(nullptr, "cd", 8), -2);
  EXPECT_STREQ(dst, "ab");
}

TEST(NumStr2Int, ReadsEveryNumeralForm) {
  struct Case {
    const char* text;
    uint32_t value;
    int consumed;
  };
  const Case cases[] = {
      {"二千三百四十五", 2345, 14},
      {"１２", 12, 4},
      {"12", 12, 2},
      {"一二", 12, 4},
      {"十五", 15, 4},
      {"三万五千", 35000, 8},
      {"5丁目", 5, 1},
      {"丁目", 0, 0},
      {"百", 100, 2},
      {"〇", 0, 0},
      {"１万２", 10002, 6},
      {"一万二千三百", 12300, 12},
      {"二十万", 200000, 6},
      {"千二百万三", 12000003, 10},
      {"三萬", 30000, 4},
      {"１2三", 123, 5},  // forms may mix
      {"十一番地", 11, 4},
      {"0042", 42, 4},
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    int consumed = -1;
    EXPECT_EQ(NumStr2Int(Sjis(c.text).c_str(), &consumed), c.value) << c.text;
    EXPECT_EQ(consumed, c.consumed) << c.text;
  }
  EXPECT_EQ(NumStr2Int(Sjis("四十").c_str(), nullptr), 40u);
  int consumed = -1;
  EXPECT_EQ(NumStr2Int(nullptr, &consumed), 0u);
  EXPECT_EQ(consumed, 0);
}

TEST(LastCharIsNumeric, JudgesTheLastCharacter) {
  struct Case {
    std::string text;
    int numeric;
  };
  const Case cases[] = {
      {Sjis("3丁目"), 0}, {Sjis("丁目3"), 1}, {Sjis("十"), 1}, {Sjis("一丁目五"), 1},
      {Sjis("２"), 1},     {Sjis("萬"), 1},   {Sjis("〇"), 0}, {Sjis("表"), 0},
      {"5", 1},            {"a", 0},          {"", 0},         {"\xB1", 0},  // one byte: judged alone
      {"ab9", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LastCharIsNumeric(Exact(c.text).get()) != 0, c.numeric != 0) << krv::test::Utf8(c.text);
  }
  EXPECT_EQ(LastCharIsNumeric(nullptr), 0);
}

TEST(Int2ZenkakuStr, WritesFullWidthDigitsWhenTheyFit) {
  struct Case {
    int32_t value;
    int size;
    int result;
    std::string out;
  };
  const Case cases[] = {
      {120, 7, 0, Sjis("１２０")},
      {120, 6, -1, "untouched"},
      {0, 3, 0, Sjis("０")},
      {-5, 5, 0, Sjis("－５")},
      {-5, 4, -1, "untouched"},
      {INT32_MIN, 23, 0, Sjis("－２１４７４８３６４８")},
      {INT32_MAX, 21, 0, Sjis("２１４７４８３６４７")},
  };
  for (const Case& c : cases) {
    char dst[32] = "untouched";
    EXPECT_EQ(Int2ZenkakuStr(c.value, dst, c.size), c.result) << c.value << " " << c.size;
    EXPECT_EQ(std::string(dst), c.out) << c.value << " " << c.size;
  }
  EXPECT_EQ(Int2ZenkakuStr(1, nullptr, 8), -1);
}

TEST(IsSjisKanji, NeedsALeadAndATrailByte) {
  struct Case {
    std::string bytes;
    int result;
  };
  const Case cases[] = {
      {Sjis("亜"), 1},    {Sjis("表"), 1},  // trail byte 0x5C
      {"\xFC\xFC", 1},    {"\x81\x40", 1},  {"A", 0},         {"\xB1\xB1", 0},  // half-width kana
      {"\x81\x7F", 0},    {"\x81\x3F", 0},  {"\x81\xFD", 0},  {"\xA0\x40", 0},
      {"\x81", 0},  // lead byte before the NUL
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(IsSjisKanji(Exact(c.bytes).get()), c.result);
  EXPECT_EQ(IsSjisKanji(nullptr), 0);
}

TEST(KanaHan2Zen, ConvertsHalfWidthKatakanaToHiragana) {
  struct Case {
    const char* han;
    const char* zen;
  };
  const Case cases[] = {
      {"ｶﾞｯｺｳ", "がっこう"},
      {"ﾊﾟﾝ", "ぱん"},
      {"ABC", "ABC"},
      {"ｳﾞ", "う゛"},  // ｳ has no voiced form
      {"ﾊﾞﾋﾟﾌﾞﾍﾟﾎﾞ", "ばぴぶぺぼ"},
      {"ｦｧｨｩｪｫｬｭｮｯｰ", "をぁぃぅぇぉゃゅょっー"},
      {"ﾞﾟ", "゛゜"},
      {"ｻﾟ", "さ゜"},
      {"東ｷｮｳ1", "東きょう1"},
      {"ﾜﾝ", "わん"},
  };
  char out[64];
  for (const Case& c : cases) {
    const std::string zen = Sjis(c.zen);
    EXPECT_EQ(krvKanaHan2Zen(Exact(Sjis(c.han)).get(), out, sizeof out), static_cast<int>(zen.size())) << c.han;
    EXPECT_EQ(std::string(out), zen) << c.han;
  }
}

TEST(KanaHan2Zen, ChecksTheSizeBeforeWriting) {
  const std::string han = Sjis("ｶﾞｯｺｳ");  // 5 bytes: needs 11
  char out[16] = "untouched";
  EXPECT_EQ(krvKanaHan2Zen(han.c_str(), out, 10), -1);
  EXPECT_STREQ(out, "untouched");
  EXPECT_EQ(krvKanaHan2Zen(han.c_str(), out, 11), 8);
  EXPECT_EQ(krvKanaHan2Zen(nullptr, out, 11), -1);
  EXPECT_EQ(krvKanaHan2Zen(han.c_str(), nullptr, 11), -1);
}

TEST(KanaZen2Han, ConvertsHiraganaAndMarks) {
  struct Case {
    const char* zen;
    const char* han;
  };
  const Case cases[] = {
      {"がっこう", "ｶﾞｯｺｳ"},
      {"カタカナ", "カタカナ"},  // full-width katakana stay
      {"ぱん", "ﾊﾟﾝ"},
      {"ゎわゐゑを", "ﾜﾜｲｴｦ"},
      {"ぁぃぅぇぉゃゅょっ", "ｧｨｩｪｫｬｭｮｯ"},
      {"ー―‐～゛゜", "ｰｰｰｰﾞﾟ"},
      {"東京a", "東京a"},
  };
  char out[64];
  for (const Case& c : cases) {
    const std::string han = Sjis(c.han);
    EXPECT_EQ(krvKanaZen2Han(Sjis(c.zen).c_str(), out, sizeof out), static_cast<int>(han.size())) << c.zen;
    EXPECT_EQ(std::string(out), han) << c.zen;
  }
}

// Every hiragana has a half-width form, and the two conversions undo each
// other except where two hiragana share one kana.
TEST(KanaZen2Han, EveryHiraganaRoundTrips) {
  for (unsigned code = 0x829F; code <= 0x82F1; ++code) {
    const std::string zen = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    char han[8];
    char back[8];
    const int n = krvKanaZen2Han(zen.c_str(), han, sizeof han);
    ASSERT_TRUE(n == 1 || n == 2) << std::hex << code;
    for (int i = 0; i < n; ++i) EXPECT_GE(static_cast<unsigned char>(han[i]), 0xA6) << std::hex << code;
    ASSERT_EQ(krvKanaHan2Zen(han, back, sizeof back), 2) << std::hex << code;
    if (code == 0x82EC || code == 0x82EE || code == 0x82EF) continue;  // ゎ ゐ ゑ
    EXPECT_EQ(std::string(back), zen) << std::hex << code;
  }
}

TEST(KanaZen2Han, CutsAtTheDestinationSize) {
  struct Case {
    const char* zen;
    int size;
    std::string out;
  };
  const Case cases[] = {
      {"が", 2, Sjis("ｶ")},             // the mark is dropped
      {"東", 2, "\x93"},                // first byte of a kanji stays
      {"あい", 2, Sjis("ｱ")},
      {"ab", 1, ""},
  };
  for (const Case& c : cases) {
    char out[8];
    EXPECT_EQ(krvKanaZen2Han(Sjis(c.zen).c_str(), out, c.size), -1) << c.zen << " " << c.size;
    EXPECT_EQ(std::string(out), c.out) << c.zen << " " << c.size;
  }
  char out[8];
  EXPECT_EQ(krvKanaZen2Han(Sjis("が").c_str(), out, 3), 2);  // exactly fits
  EXPECT_EQ(krvKanaZen2Han("", out, 1), 0);
  EXPECT_EQ(krvKanaZen2Han("a", out, 0), -1);
  EXPECT_EQ(krvKanaZen2Han(nullptr, out, 8), -1);
}

TEST(Sjispbrk, FindsTheFirstCharacterOfTheSet) {
  const std::string addr = Sjis("東京都港区");
  EXPECT_EQ(sjispbrk(addr.c_str(), Sjis("都").c_str()), addr.c_str() + 4);
  EXPECT_EQ(sjispbrk(addr.c_str(), Sjis("区港").c_str()), addr.c_str() + 6);
  EXPECT_EQ(sjispbrk(addr.c_str(), Sjis("市").c_str()), nullptr);
  EXPECT_EQ(sjispbrk(addr.c_str(), ""), nullptr);

  const std::string mixed = Sjis("1丁目-2");
  EXPECT_EQ(sjispbrk(mixed.c_str(), Sjis("-－").c_str()), mixed.c_str() + 5);
  EXPECT_EQ(sjispbrk(nullptr, "a"), nullptr);
  EXPECT_EQ(sjispbrk("a", nullptr), nullptr);
}

TEST(Sjispbrk, NeverMatchesATrailByte) {
  const std::string text = Sjis("表示");  // 表 is 0x95 0x5C
  EXPECT_EQ(sjispbrk(text.c_str(), "\\"), nullptr);
  // Nor does a single byte of the set equal a double-byte character.
  EXPECT_EQ(sjispbrk(text.c_str(), "\x95"), nullptr);
  const std::string withBackslash = text + "\\";
  EXPECT_EQ(sjispbrk(withBackslash.c_str(), "\\"), withBackslash.c_str() + 4);
}

TEST(Sjispbrk, LongSetsAreBounded) {
  // Characters past the 1,000th are ignored, double-byte ones counting one.
  const std::string kanji = Sjis("亜");
  const std::string set = std::string(1000, 'a') + kanji;
  EXPECT_EQ(sjispbrk(kanji.c_str(), set.c_str()), nullptr);
  EXPECT_NE(sjispbrk("a", set.c_str()), nullptr);
  std::string kanjiSet;
  for (int i = 0; i < 999; ++i) kanjiSet += Sjis("一");
  kanjiSet += kanji;  // the 1,000th character, 2,000 bytes in all
  EXPECT_NE(sjispbrk(kanji.c_str(), kanjiSet.c_str()), nullptr);
  // A set of 2,002 bytes or more finds nothing at all; 2,001 bytes still works.
  EXPECT_NE(sjispbrk("a", std::string(2001, 'a').c_str()), nullptr);
  EXPECT_EQ(sjispbrk("a", std::string(2002, 'a').c_str()), nullptr);
}

// A lead byte right before the NUL is a single byte: no helper reads past the
// terminator (every text here sits in a buffer that ends with its NUL).
TEST(SjisText, LeadByteBeforeTheNulIsNeverReadPast) {
  for (const std::string& text : {std::string("12\x88"), std::string("\x95"), Sjis("東京") + "\x93"}) {
    const auto t = Exact(text);
    char out[64];
    int consumed = -1;
    NumStr2Int(t.get(), &consumed);
    LastCharIsNumeric(t.get());
    IsSjisKanji(t.get() + text.size() - 1);
    EXPECT_EQ(krvKanaHan2Zen(t.get(), out, sizeof out), static_cast<int>(text.size()));
    EXPECT_EQ(std::string(out), text);
    EXPECT_EQ(krvKanaZen2Han(t.get(), out, sizeof out), static_cast<int>(text.size()));
    EXPECT_EQ(std::string(out), text);
    EXPECT_EQ(sjispbrk(t.get(), "\\"), nullptr);
    EXPECT_EQ(sjispbrk(t.get(), Exact("\x95").get()), text == "\x95" ? t.get() : nullptr);
    EXPECT_EQ(krvStrcpy(out, t.get(), sizeof out), 0);
    EXPECT_EQ(krvStrcat(out, t.get(), sizeof out), 0);
  }
  EXPECT_EQ(sjispbrk("a", Exact("b\x88").get()), nullptr);
}

}  // namespace
