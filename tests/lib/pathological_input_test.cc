// Inputs far from any real address: a text of a megabyte, ten thousand
// chome units in a row, a parenthesis never closed, in each argument
// encoding.  Each must simply be answered, without reading past the text and
// without running long; the results are those of any text the DB does not
// know.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db_builder.h"
#include "kurovia.h"
#include "test_support.h"

namespace krv::test {
namespace {

constexpr std::size_t kMegabyte = 1 << 20;

// `unit` repeated until the text holds at least `bytes` bytes.
std::string Repeat(const std::string& unit, std::size_t bytes) {
  std::string text;
  text.reserve(bytes + unit.size());
  while (text.size() < bytes) text += unit;
  return text;
}

class PathologicalInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    DbBuilder db;
    db.Area(13000, 1, "東京都", "ﾄｳｷｮｳﾄ");
    db.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ").countyCode = 13100;
    const TownRef marunouchi = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
    const SectionRef itchome = db.Section(marunouchi, "一丁目");
    db.ResidenceFlag(itchome, 1);
    db.Residence(db.Block(itchome, 1), 1);
    // A town of many named sections, each with named blocks: every name
    // search reads the whole text.
    const TownRef nagaoka = db.Town(13101, "長岡", "ﾅｶﾞｵｶ");
    for (int i = 0; i < 500; ++i) {
      const SectionRef section = db.Section(nagaoka, "字東" + std::to_string(i) + "号地");
      if (i == 0) {
        for (int b = 0; b < 200; ++b) db.NamedBlock(section, "甲" + std::to_string(b));
        blockTable_ = db.BlockTableIndex(section);
      }
    }
    sectionTable_ = db.SectionTableIndex(nagaoka);
    db.Write(dir_->str());
  }
  static void TearDownTestSuite() { dir_.reset(); }
  void SetUp() override { ASSERT_GE(krvDbLoad(dir_->str().c_str(), 0), 0) << krvDbErrorText(); }
  void TearDown() override { krvDbEnd(); }

  // krvAdrStr2Code in each encoding; returns the Shift-JIS result.
  static int Geocode(const std::string& sjis, AdrCode* code) {
    const int result = krvAdrStr2Code(sjis.c_str(), code);
    for (const char* encoding : {"EUC-JP", "UTF-8"}) {
      EXPECT_EQ(krvSetArgEncoding(encoding), 0);
      std::vector<char> converted(sjis.size() * 3 + 1);
      const int mode = encoding[0] == 'E' ? 0 : 2;
      EXPECT_EQ(krvCharConv(mode, sjis.c_str(), converted.data(), static_cast<int>(converted.size())), 0);
      AdrCode other{};
      // Longer than the 1,023 bytes the converted text may take.
      EXPECT_EQ(krvAdrStr2Code(converted.data(), &other), sjis.size() > 1023 ? -2 : result) << encoding;
      krvSetArgEncoding("Shift_JIS");
    }
    return result;
  }

  static std::unique_ptr<TempDir> dir_;
  static int32_t sectionTable_;  // of 長岡
  static int32_t blockTable_;    // of its first section
};

std::unique_ptr<TempDir> PathologicalInputTest::dir_;
int32_t PathologicalInputTest::sectionTable_ = 0;
int32_t PathologicalInputTest::blockTable_ = 0;

TEST_F(PathologicalInputTest, AMegabyteOfText) {
  const std::string prefix = Sjis("東京都千代田区丸の内一丁目1番1号");
  AdrCode code{};
  // After a whole address: the walk stops where the address ends.
  EXPECT_EQ(Geocode(prefix + Repeat(Sjis("あ"), kMegabyte), &code), 17);
  EXPECT_EQ(code.level, 8);
  // Digits, kanji numerals and separators where the section number stands.
  const std::string town = Sjis("東京都千代田区丸の内");
  EXPECT_EQ(Geocode(town + Repeat("1", kMegabyte), &code), 10);
  EXPECT_EQ(code.level, 5);
  EXPECT_EQ(Geocode(town + Repeat(Sjis("一"), kMegabyte), &code), 10);
  EXPECT_EQ(Geocode(town + Repeat(Sjis("１－"), kMegabyte), &code), 16);
  EXPECT_EQ(code.level, 8);
  // A town of many named sections and blocks, each searched for anywhere in
  // the text: the walk reads the first 1,023 bytes of it, so a name at the
  // end of a megabyte is not found.
  const std::string nagaoka = Sjis("東京都千代田区長岡");
  EXPECT_EQ(Geocode(nagaoka + Repeat(Sjis("字"), kMegabyte), &code), 9);
  EXPECT_EQ(code.level, 5);
  const std::string last = Sjis("字東499号地");
  EXPECT_EQ(Geocode(nagaoka + Repeat(Sjis("字東"), kMegabyte) + last, &code), 9);
  EXPECT_EQ(code.level, 5);
  // The section search itself takes the whole text, and finds the name.
  int length = 0;
  AzaRecord section{};
  ASSERT_EQ(AzaRecSearch(sectionTable_, (Repeat(Sjis("あ"), kMegabyte) + last).c_str(), &length, &section), 1);
  EXPECT_EQ(std::string(section.name), last);
  EXPECT_EQ(AzaRecSearch(sectionTable_, Repeat(Sjis("あ"), kMegabyte).c_str(), &length, &section), 0);
  GaikuRecord block{};
  EXPECT_EQ(GaikuRecSearch(blockTable_, Repeat(Sjis("あ"), kMegabyte).c_str(), &length, &block), 0);
  // Nothing but area names, and nothing known at all.
  EXPECT_EQ(Geocode(Repeat(Sjis("東京都"), kMegabyte), &code), 12);
  EXPECT_EQ(Geocode(Repeat("x", kMegabyte), &code), 0);
  EXPECT_EQ(Geocode(Repeat(std::string("\x81", 1), kMegabyte), &code), 0);

  // The other functions that take address texts.
  const std::string big = prefix + Repeat(Sjis("　a "), kMegabyte);
  std::vector<char> out(1024);
  EXPECT_EQ(krvAdrFilter(1, big.c_str(), out.data(), static_cast<int>(out.size())), 0);
  int consumed = 0;
  NumStr2Int(Repeat(Sjis("九千"), kMegabyte).c_str(), &consumed);
  EXPECT_EQ(static_cast<std::size_t>(consumed), Repeat(Sjis("九千"), kMegabyte).size());
  EXPECT_EQ(sjispbrk(big.c_str(), Sjis("＄").c_str()), nullptr);
  EXPECT_EQ(krvCharConv(2, big.c_str(), out.data(), static_cast<int>(out.size())), -1);
  EXPECT_EQ(krvKanaZen2Han(big.c_str(), out.data(), static_cast<int>(out.size())), -1);
  int32_t codes[10];
  EXPECT_EQ(krvGetGyoseiCode(big.c_str(), &length, codes, 10), 1);
  Chimei25kResult places[1];
  EXPECT_EQ(krvChimei25kSearch(big.c_str(), places, 1), -3);  // place names are not loaded
}

TEST_F(PathologicalInputTest, TenThousandChomeInARow) {
  const std::string town = Sjis("東京都千代田区丸の内");
  std::string chome;
  for (int i = 0; i < 10000; ++i) chome += Sjis("丁目");
  AdrCode code{};
  EXPECT_EQ(Geocode(town + chome, &code), 10);
  EXPECT_EQ(code.level, 5);
  // After a numeral the first 丁目 closes the section; the others are left.
  EXPECT_EQ(Geocode(town + Sjis("一") + chome, &code), 13);
  EXPECT_EQ(code.level, 6);
  EXPECT_EQ(Geocode(town + Sjis("一") + chome + Sjis("1番1号"), &code), 13);
  int length = 0;
  int32_t section = 0;
  EXPECT_EQ(krvGetAzaCode(13101, 2, (Sjis("一") + chome).c_str(), &length, &section), 1);
  EXPECT_EQ(length, 6);
}

TEST_F(PathologicalInputTest, AParenthesisNeverClosed) {
  AdrCode code{};
  // A section named without a number is found anywhere in the text, here
  // behind the parenthesis.
  EXPECT_EQ(Geocode(Sjis("東京都千代田区丸の内（") + Repeat(Sjis("一丁目（"), kMegabyte), &code), 13);
  EXPECT_EQ(code.level, 6);
  EXPECT_EQ(Geocode(Sjis("東京都（千代田区丸の内一丁目"), &code), 3);
  EXPECT_EQ(Geocode(Repeat(Sjis("（"), kMegabyte), &code), 0);
  std::vector<char> out(1024);
  EXPECT_EQ(krvAdrFilter(1, Repeat(Sjis("（　"), kMegabyte).c_str(), out.data(), static_cast<int>(out.size())), 0);
  EXPECT_EQ(std::string(out.data()), Repeat(Sjis("（"), 1022));
}

}  // namespace
}  // namespace krv::test
