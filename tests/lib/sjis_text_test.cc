#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kurovia.h"
#include "test_support.h"

namespace {

using krv::test::Sjis;

TEST(NumStr2Int, ReadsEveryNumeralForm) {
  struct Case {
    const char* text;
    uint32_t value;
    int consumed;
  };
  const Case cases[] = {
      {"二千三百四十五", 2345, 14}, {"１２", 12, 4}, {"12", 12, 2},       {"一二", 12, 4},
      {"十五", 15, 4},              {"三万五千", 35000, 8}, {"5丁目", 5, 1}, {"丁目", 0, 0},
      {"百", 100, 2},               {"〇", 0, 0},           {"１万２", 10002, 6},
  };
  for (const Case& c : cases) {
    int consumed = -1;
    EXPECT_EQ(NumStr2Int(Sjis(c.text).c_str(), &consumed), c.value) << c.text;
    EXPECT_EQ(consumed, c.consumed) << c.text;
  }
}

TEST(KanaConversion, RoundTripsVoicedAndSemiVoicedMarks) {
  char out[64];
  EXPECT_EQ(krvKanaHan2Zen(Sjis("ｶﾞｯｺｳ").c_str(), out, sizeof out), 8);
  EXPECT_EQ(std::string(out), Sjis("がっこう"));
  EXPECT_EQ(krvKanaZen2Han(Sjis("がっこう").c_str(), out, sizeof out), 5);
  EXPECT_EQ(std::string(out), Sjis("ｶﾞｯｺｳ"));
  EXPECT_EQ(krvKanaHan2Zen(Sjis("ﾊﾟﾝ").c_str(), out, sizeof out), 4);
  EXPECT_EQ(std::string(out), Sjis("ぱん"));
}

TEST(Sjispbrk, NeverMatchesATrailByte) {
  const std::string text = Sjis("表示");  // 表 is 0x95 0x5C
  EXPECT_EQ(sjispbrk(text.c_str(), "\\"), nullptr);
  const std::string addr = Sjis("東京都港区");
  EXPECT_EQ(sjispbrk(addr.c_str(), Sjis("都").c_str()), addr.c_str() + 4);
}

}  // namespace
