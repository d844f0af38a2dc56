#include <gtest/gtest.h>

#include <string>

#include "kurovia.h"
#include "test_support.h"

namespace krv::test {
namespace {

class FilterTest : public ::testing::Test {
 protected:
  void TearDown() override { krvSetArgEncoding("Shift_JIS"); }
};

TEST_F(FilterTest, RemovesBlanks) {
  const struct {
    const char* input;
    const char* output;
  } cases[] = {
      {"東京都千代田区　丸の内 一丁目\t2番3号", "東京都千代田区丸の内一丁目2番3号"},
      {"　 \t　", ""},
      {"", ""},
      // Half-width katakana and other single bytes stay.
      {"丸の内ﾋﾞﾙ 5F", "丸の内ﾋﾞﾙ5F"},
  };
  for (const auto& c : cases) {
    char output[256] = "x";
    EXPECT_EQ(krvAdrFilter(1, Sjis(c.input).c_str(), output, sizeof output), 0) << c.input;
    EXPECT_EQ(std::string(output), Sjis(c.output)) << c.input;
  }
}

TEST_F(FilterTest, OtherKindsGiveAnEmptyText) {
  char output[16] = "x";
  EXPECT_EQ(krvAdrFilter(2, Sjis("東京都 千代田区").c_str(), output, sizeof output), 0);
  EXPECT_STREQ(output, "");
  output[0] = 'x';
  output[1] = '\0';
  EXPECT_EQ(krvAdrFilter(0, "abc", output, sizeof output), 0);
  EXPECT_STREQ(output, "");
}

TEST_F(FilterTest, KeepsAtMost1022BytesOfWholeCharacters) {
  // 1 + 2 * 550 bytes: the last character that fits ends at byte 1021.
  const std::string input = "a" + [] {
    std::string s;
    for (int i = 0; i < 550; ++i) s += Sjis("あ");
    return s;
  }();
  ASSERT_EQ(input.size(), 1101u);
  char output[2048];
  EXPECT_EQ(krvAdrFilter(1, input.c_str(), output, sizeof output), 0);
  EXPECT_EQ(std::string(output), input.substr(0, 1021));
  // Single bytes fill the 1,022 bytes.
  const std::string ascii(1100, 'b');
  EXPECT_EQ(krvAdrFilter(1, ascii.c_str(), output, sizeof output), 0);
  EXPECT_EQ(std::string(output), ascii.substr(0, 1022));
  // A small buffer cuts the Shift-JIS output by bytes.
  char small[6];
  EXPECT_EQ(krvAdrFilter(1, Sjis("東京 都").c_str(), small, sizeof small), 0);
  EXPECT_EQ(std::string(small), Sjis("東京") + Sjis("都").substr(0, 1));
}

TEST_F(FilterTest, TakesAndGivesTheArgumentEncoding) {
  char output[256];
  ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
  EXPECT_EQ(krvAdrFilter(1, "東京都　千代田区 丸の内ﾋﾞﾙ", output, sizeof output), 0);
  EXPECT_STREQ(output, "東京都千代田区丸の内ﾋﾞﾙ");
  // Invalid input, or output that does not fit, fails.
  EXPECT_EQ(krvAdrFilter(1, "\xff", output, sizeof output), -1);
  char small[8] = "x";
  EXPECT_EQ(krvAdrFilter(1, "東京都", small, sizeof small), -1);
  EXPECT_STREQ(small, "");

  ASSERT_EQ(krvSetArgEncoding("EUC-JP"), 0);
  char euc[64];
  ASSERT_EQ(krvCharConv(0, Sjis("丸の内　一丁目").c_str(), euc, sizeof euc), 0);
  EXPECT_EQ(krvAdrFilter(1, euc, output, sizeof output), 0);
  ASSERT_EQ(krvCharConv(0, Sjis("丸の内一丁目").c_str(), euc, sizeof euc), 0);
  EXPECT_STREQ(output, euc);
  EXPECT_EQ(krvAdrFilter(1, euc, small, 4), -1);
  EXPECT_STREQ(small, "");

  EXPECT_EQ(krvAdrFilter(1, nullptr, output, sizeof output), -1);
}

}  // namespace
}  // namespace krv::test
