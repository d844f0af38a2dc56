#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "address_db.h"
#include "sjis_text.h"

namespace krv::test {
namespace {

class Code2StrTest : public AddressDbTest {
 protected:
  // The point of a block as stored, in degrees.
  static std::pair<double, double> BlockPoint(const AdrCode& block) {
    GaikuRecord record{};
    EXPECT_EQ(krvGetAdrRecord(&block, &record, sizeof record), 0) << Describe(block);
    return {record.pointX / 3600000.0, record.pointY / 3600000.0};
  }
};

TEST_F(Code2StrTest, WritesTheStandardFormWithItsReading) {
  struct Case {
    AdrCode code;
    const char* name;     // UTF-8, compared in Shift-JIS
    const char* reading;  // UTF-8, compared in Shift-JIS
  };
  const Case cases[] = {
      {Code(1, 13000), "東京都", "トウキョウト"},
      // Special wards: no county part, no subprefecture.
      {Code(4, 13101), "東京都千代田区", "トウキョウトチヨダク"},
      // A Tokyo town under a subprefecture is written without it.
      {Code(4, 13361), "東京都大島町", "トウキョウトオオシママチ"},
      {Code(2, 13360), "東京都大島支庁", "トウキョウトオオシマシチョウ"},
      // A ward of a designated city: prefecture, city, ward.
      {Code(4, 14104), "神奈川県横浜市中区", "カナガワケンヨコハマシナカク"},
      {Code(3, 14100), "神奈川県横浜市", "カナガワケンヨコハマシ"},
      {Code(5, 27146, 2), "大阪府堺市北区中百舌鳥町", "オオサカフサカイシキタクナカモズチョウ"},
      // Hokkaido: the subprefecture is written (its reading is stored cut at
      // 15 bytes).
      {Code(4, 1331), "北海道渡島総合振興局松前町", "ホッカイドウオシマソウゴウシンコウキョクマツマエチョウ"},
      {Code(2, 1330), "北海道渡島総合振興局", "ホッカイドウオシマソウゴウシンコウキョク"},
      {Code(4, 8302), "茨城県東茨城郡茨城町", "イバラキケンヒガシイバラキグンイバラキマチ"},
      {Code(3, 8300), "茨城県東茨城郡", "イバラキケンヒガシイバラキグン"},
      // A chome keeps its numerals and reads チョウメ.
      {Code(8, 13101, town::kMarunouchi, 1, 2, 3), "東京都千代田区丸の内一丁目2番3号",
       "トウキョウトチヨダクマルノウチ一チョウメ"},
      {Code(6, 13101, town::kMarunouchi, 3), "東京都千代田区丸の内三丁目", "トウキョウトチヨダクマルノウチ三チョウメ"},
      {Code(7, 13101, town::kMarunouchi, 1, 3), "東京都千代田区丸の内一丁目3番",
       "トウキョウトチヨダクマルノウチ一チョウメ"},
      {Code(6, 8208, town::kMatsugaoka, 1), "茨城県龍ケ崎市松ケ丘一丁目",
       "イバラキケンリュウガサキシマツガオカ一チョウメ"},
      {Code(8, 13101, town::kChiyoda, 0, 1, 1), "東京都千代田区千代田1番1号", "トウキョウトチヨダクチヨダ"},
      {Code(8, 1331, town::kAsahi, 0, 1, 2), "北海道渡島総合振興局松前町旭1番2号",
       "ホッカイドウオシマソウゴウシンコウキョクマツマエチョウアサヒ"},
      // Lot numbers: 番地 and no 号.
      {Code(8, 8302, town::kOzutsumi, 0, 2, 1), "茨城県東茨城郡茨城町小堤2番地1",
       "イバラキケンヒガシイバラキグンイバラキマチオヅツミ"},
      {Code(7, 1331, town::kFukuyama, 0, 1), "北海道渡島総合振興局松前町福山1番地",
       "ホッカイドウオシマソウゴウシンコウキョクマツマエチョウフクヤマ"},
      // A section without 丁目 and its reading; a named block is written by
      // its name alone.
      {Code(8, 8302, town::kNagaoka, 1, -1, 12), "茨城県東茨城郡茨城町長岡字中通甲12",
       "イバラキケンヒガシイバラキグンイバラキマチナガオカアザナカドオリ"},
      {Code(7, 8302, town::kNagaoka, 1, -1), "茨城県東茨城郡茨城町長岡字中通甲",
       "イバラキケンヒガシイバラキグンイバラキマチナガオカアザナカドオリ"},
      {Code(7, 8302, town::kNagaoka, 2, 5), "茨城県東茨城郡茨城町長岡字東5番地",
       "イバラキケンヒガシイバラキグンイバラキマチナガオカ"},
      // A named residence, without its stored "＄".
      {Code(8, 13101, town::kMarunouchi, 1, 1, -2), "東京都千代田区丸の内一丁目1番イ",
       "トウキョウトチヨダクマルノウチ一チョウメ"},
      // "－" after a town ending in a numeral, in the name and the reading.
      {Code(8, 14104, town::kKitanaka5, 0, 57, 1), "神奈川県横浜市中区北仲通5－57番1号",
       "カナガワケンヨコハマシナカクキタナカドオリ5－"},
      // Blocks of 100 and more are lot numbers even in residence addressing.
      {Code(8, 14104, town::kKitanaka5, 0, 101, 2), "神奈川県横浜市中区北仲通5－101番地2",
       "カナガワケンヨコハマシナカクキタナカドオリ5－"},
      {Code(8, 14104, town::kYamashita, 0, 279, 5), "神奈川県横浜市中区山下町279番地5",
       "カナガワケンヨコハマシナカクヤマシタチョウ"},
  };
  for (const Case& c : cases) {
    char name[1024] = "x";
    char reading[1024] = "x";
    EXPECT_EQ(krvAdrCode2Str(&c.code, name, sizeof name, reading, sizeof reading), c.code.level) << c.name;
    EXPECT_EQ(std::string(name), Sjis(c.name)) << Utf8(name);
    EXPECT_EQ(std::string(reading), Sjis(c.reading)) << c.name << ": " << Utf8(reading);
  }
}

TEST_F(Code2StrTest, FailsByTheLevelWithoutARecord) {
  const struct {
    AdrCode code;
    int result;
  } cases[] = {
      {Code(0, 13000), -1},
      {Code(4, 13999), -1},
      {Code(4, 999), -1},
      {Code(4, 48000), -1},
      {Code(5, 13101, 9), -2},
      {Code(6, 13101, town::kMarunouchi, 9), -3},
      {Code(7, 13101, town::kMarunouchi, 1, 99), -4},
      {Code(7, 13101, town::kMarunouchi, 2, -1), -4},
      {Code(8, 13101, town::kMarunouchi, 1, 1, 99), -5},
  };
  for (const auto& c : cases) {
    char name[64] = "x";
    char reading[64] = "x";
    EXPECT_EQ(krvAdrCode2Str(&c.code, name, sizeof name, reading, sizeof reading), c.result) << Describe(c.code);
    EXPECT_STREQ(name, "");
    EXPECT_STREQ(reading, "");
  }
  char name[8] = "x";
  EXPECT_EQ(krvAdrCode2Str(nullptr, name, sizeof name, nullptr, 0), -1);
  EXPECT_STREQ(name, "");
}

TEST_F(Code2StrTest, CutsShiftJisOutputAtTheBuffers) {
  const AdrCode code = Code(8, 13101, town::kMarunouchi, 1, 2, 3);
  char name[8];
  char reading[6];
  EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), 8);
  EXPECT_EQ(std::string(name), Sjis("東京都") + Sjis("千").substr(0, 1));
  EXPECT_EQ(std::string(reading), Sjis("トウ") + Sjis("キ").substr(0, 1));
  // No room at all: nothing written, not an error.
  EXPECT_EQ(krvAdrCode2Str(&code, nullptr, 0, nullptr, 0), 8);
}

TEST_F(Code2StrTest, WritesInTheArgumentEncoding) {
  const AdrCode codes[] = {
      Code(8, 13101, town::kMarunouchi, 1, 2, 3),
      Code(8, 8302, town::kNagaoka, 1, -1, 12),
      Code(8, 14104, town::kKitanaka5, 0, 57, 1),
      Code(4, 1331),
  };
  for (const AdrCode& code : codes) {
    char sjisName[256];
    char sjisReading[256];
    ASSERT_EQ(krvAdrCode2Str(&code, sjisName, sizeof sjisName, sjisReading, sizeof sjisReading), code.level);

    char name[256];
    char reading[256];
    ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
    EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), code.level);
    EXPECT_EQ(std::string(name), Utf8(sjisName));
    EXPECT_EQ(std::string(reading), Utf8(sjisReading));
    // The text reads back to the code, counting the characters of its
    // Shift-JIS form.
    AdrCode back{};
    EXPECT_EQ(krvAdrStr2Code(name, &back), CountChars(sjisName, std::strlen(sjisName))) << name;
    EXPECT_TRUE(SameCode(back, code)) << name;

    ASSERT_EQ(krvSetArgEncoding("EUC-JP"), 0);
    EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), code.level);
    char euc[256];
    ASSERT_EQ(krvCharConv(0, sjisName, euc, sizeof euc), 0);
    EXPECT_STREQ(name, euc);
    ASSERT_EQ(krvCharConv(0, sjisReading, euc, sizeof euc), 0);
    EXPECT_STREQ(reading, euc);
    back = AdrCode{};
    EXPECT_EQ(krvAdrStr2Code(name, &back), CountChars(sjisName, std::strlen(sjisName))) << Utf8(sjisName);
    EXPECT_TRUE(SameCode(back, code)) << Utf8(sjisName);
    ASSERT_EQ(krvSetArgEncoding("Shift_JIS"), 0);
  }

  // A converted text that does not fit fails the call and leaves both
  // outputs empty.
  const AdrCode code = codes[0];
  char name[16] = "x";
  char reading[256] = "x";
  ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
  EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), -6);
  EXPECT_STREQ(name, "");
  EXPECT_STREQ(reading, "");
  ASSERT_EQ(krvSetArgEncoding("EUC-JP"), 0);
  std::strcpy(name, "x");
  EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), -6);
  EXPECT_STREQ(name, "");
  EXPECT_STREQ(reading, "");
}

TEST_F(Code2StrTest, FindsStoredAndRepresentativePoints) {
  struct Case {
    AdrCode code;
    double x;
    double y;
  };
  const auto [mitoX, mitoY] = BlockPoint(Code(7, 8201, town::kSannomaru, 1, 1));
  const std::vector<Case> cases = {
      {Code(1, 13000), 35.690, 139.692},
      {Code(4, 34207), 34.568, 133.237},
      // A residence and a block as stored, also without a point.
      {Code(8, 13101, town::kMarunouchi, 1, 2, 3), 35.6801, 139.7652},
      {Code(7, 13101, town::kMarunouchi, 1, 1), 35.6812, 139.7671},
      {Code(7, 13101, town::kMarunouchi, 1, 3), 0.0, 0.0},
      // A town with a point of its own, and one without: the first block of
      // its first section (not the section's point).
      {Code(5, 13101, town::kChiyoda), 35.6852, 139.7528},
      {Code(5, 13101, town::kMarunouchi), 35.6812, 139.7671},
      // A section with a point, and one without: its first block.
      {Code(6, 13101, town::kMarunouchi, 1), 35.6810, 139.7660},
      {Code(6, 13101, town::kMarunouchi, 2), 35.6795, 139.7640},
      // 茨城県 has no point and no ward 101: 水戸市 (8201) gives it, through
      // its first named town, first section, first block.
      {Code(1, 8000), mitoX, mitoY},
      // 東茨城郡 has no point, and no municipality 8301 or 8401: none.
      {Code(3, 8300), 0.0, 0.0},
  };
  for (const Case& c : cases) {
    double x = -1;
    double y = -1;
    EXPECT_EQ(krvAdrCode2Point(&c.code, &x, &y), 0) << Describe(c.code);
    EXPECT_DOUBLE_EQ(x, Ms(c.x) / 3600000.0) << Describe(c.code);
    EXPECT_DOUBLE_EQ(y, Ms(c.y) / 3600000.0) << Describe(c.code);
  }
  EXPECT_NE(mitoX, 0.0);

  const struct {
    AdrCode code;
    int result;
  } failures[] = {
      {Code(0, 13000), -1},
      {Code(1, 13999), -1},
      {Code(5, 13101, 9), -2},
      {Code(6, 13101, town::kMarunouchi, 9), -3},
      {Code(7, 13101, town::kMarunouchi, 1, 99), -4},
      {Code(8, 13101, town::kMarunouchi, 1, 1, 99), -5},
  };
  for (const auto& f : failures) {
    double x = -1;
    double y = -1;
    EXPECT_EQ(krvAdrCode2Point(&f.code, &x, &y), f.result) << Describe(f.code);
    EXPECT_EQ(x, -1);
  }
}

}  // namespace
}  // namespace krv::test
