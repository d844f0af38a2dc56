// areabuild: area records from the area-name list, read back through
// GyoseiRecLoad and GyoseiRecGet.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "areabuild.h"
#include "kurovia.h"
#include "tool_fixture.h"

namespace krv::test {
namespace {

class AreabuildTest : public ToolTest {
 protected:
  void TearDown() override {
    GyoseiRecEnd();
    ToolTest::TearDown();
  }

  ToolRun Build() const { return RunTool(tool::RunAreabuild, {Db()}); }

  // Loads the written records; the record count N.
  int Load() const { return GyoseiRecLoad(DbFile("krv_gyosei.rec").c_str()); }
};

TEST_F(AreabuildTest, KindsAndParentCodes) {
  WriteAreaList({
      AreaLine(1, "都道府県名", 13000, 0, "東京都"),
      AreaLine(2, "支庁名", 1330, 0, "渡島総合振興局"),
      AreaLine(3, "郡政令市名", 1100, 0, "札幌市"),
      AreaLine(4, "郡政令市名", 1340, 0, "松前郡"),
      AreaLine(5, "郡政令市名", 13100, 0, "特別区部"),
      AreaLine(6, "市区町村名", 13101, 0, "千代田区"),
      AreaLine(7, "市区町村名", 14131, 0, "川崎区"),
      AreaLine(8, "市区町村名", 14151, 0, "緑区"),
      AreaLine(9, "市区町村名", 27141, 0, "堺区"),
      AreaLine(10, "市区町村名", 1202, 1234, "函館市"),
      AreaLine(11, "市区町村名", 1331, 1340, "松前町"),
      AreaLine(12, "市区町村名", 13361, 13399, "大島町"),
      AreaLine(13, "市区町村名", 13303, 0, "瑞穂町"),
      AreaLine(14, "市区町村名", 8302, 0, "茨城町"),
      AreaLine(15, "市区町村名", 47301, 0, "国頭村"),
      AreaLine(16, "市区町村名", 47348, 0, "与那原町"),
      AreaLine(17, "市区町村名", 47375, 0, "多良間村"),
      AreaLine(18, "市区町村名", 47381, 0, "竹富町"),
  });
  const ToolRun run = Build();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, "");
  ASSERT_EQ(Load(), 19);

  struct Case {
    int32_t code;
    int32_t kind;
    int32_t subpref;
    int32_t county;
    int32_t muni;
  };
  const Case cases[] = {
      {13000, 1, 0, 0, 0},
      {1330, 2, 1330, 0, 0},
      {1100, 3, 0, 1100, 0},          // a designated city below 1300 has no subprefecture
      {1340, 3, 1330, 1340, 0},       // Hokkaido's counties lie in their subprefecture's block
      {13100, 3, 0, 13100, 0},
      {13101, 4, 0, 13100, 13101},    // Tokyo's special wards
      {14131, 4, 0, 14130, 14131},    // Kawasaki
      {14151, 4, 0, 14150, 14151},    // Sagamihara, off the 30-wide grid
      {27141, 4, 0, 27140, 27141},    // Sakai, off the 30-wide grid
      {1202, 4, 0, 1234, 1202},       // a city: its county from column 4
      {1331, 4, 1330, 1340, 1331},    // Hokkaido: subprefecture by 30, county from column 4
      {13361, 4, 13360, 13399, 13361},  // the Tokyo islands
      {13303, 4, 0, 13300, 13303},
      {8302, 4, 0, 8300, 8302},
      {47301, 4, 0, 47300, 47301},
      {47348, 4, 0, 47340, 47348},
      {47375, 4, 0, 47370, 47375},
      {47381, 4, 0, 47380, 47381},
  };
  for (const Case& c : cases) {
    GyoseiRecord r{};
    ASSERT_EQ(GyoseiRecGet(c.code, &r), 0) << c.code;
    EXPECT_EQ(r.kind, c.kind) << c.code;
    EXPECT_EQ(r.prefNo, c.code / 1000) << c.code;
    EXPECT_EQ(r.subprefCode, c.subpref) << c.code;
    EXPECT_EQ(r.countyCode, c.county) << c.code;
    EXPECT_EQ(r.muniCode, c.muni) << c.code;
  }
}

TEST_F(AreabuildTest, RecordFieldsFromTheLine) {
  WriteAreaList({
      AreaLine(1, "市区町村名", 13101, 0, "千代田区", "がっこう", "1394530.25", "354100.5", 3, -4, 5),
      AreaLine(2, "市区町村名", 13102, 0, "中央区", "しんじゅくかぶきちょういっちょうめ", "0", "0", 0),
  });
  ASSERT_EQ(Build().status, 0);
  ASSERT_EQ(Load(), 3);
  GyoseiRecord r{};
  ASSERT_EQ(GyoseiRecGet(13101, &r), 0);
  EXPECT_STREQ(r.name, Sjis("千代田区").c_str());
  EXPECT_STREQ(r.kana, Sjis("ｶﾞｯｺｳ").c_str());
  EXPECT_EQ(r.pointX, 503130250);
  EXPECT_EQ(r.pointY, 128460500);  // 35 deg 41 min 00.5 sec
  EXPECT_EQ(r.value1, 3);
  EXPECT_EQ(r.value2, -4);
  EXPECT_EQ(r.value3, 5);
  EXPECT_EQ(r.extraFlag, 1);
  EXPECT_EQ(r.reserved, 0);

  // Readings are cut at 15 half-width bytes.
  ASSERT_EQ(GyoseiRecGet(13102, &r), 0);
  EXPECT_STREQ(r.kana, Sjis("ｼﾝｼﾞｭｸｶﾌﾞｷﾁｮｳｲｯ").c_str());
  EXPECT_EQ(r.kana[15], '\0');
  EXPECT_EQ(r.extraFlag, 0);
}

TEST(PackedDmsTest, DegreesMinutesSecondsToMilliseconds) {
  const std::pair<double, int32_t> cases[] = {
      {1394530.25, 503130250}, {354100.5, 128460500}, {0.0, 0},
      {1000000.0, 360000000},  {-1394530.25, -503130250},
  };
  for (const auto& [packed, ms] : cases) EXPECT_EQ(tool::PackedDmsToMilliseconds(packed), ms) << packed;
}

TEST_F(AreabuildTest, BadNamesAndCodesAreReportedAndSkipped) {
  WriteAreaList({
      "番号,区分,コード,,名称,よみ",
      AreaLine(1, "市区町村名", 13101, 0, "abc"),
      AreaLine(2, "市区町村名", 13102, 0, "abcd"),
      AreaLine(3, "市区町村名", 13103, 0, "abcdefghijklmnopqrstuv"),
      AreaLine(4, "市区町村名", 13104, 0, "abcdefghijklmnopqrstuvw"),
      AreaLine(5, "市区町村名", 999, 0, "千代田区"),
      AreaLine(6, "市区町村名", 48000, 0, "千代田区"),
      AreaLine(7, "市区町村名", 1000, 0, "最小コード"),
      AreaLine(8, "市区町村名", 47999, 0, "最大コード"),
  });
  const ToolRun run = Build();
  EXPECT_EQ(run.status, 0);  // reported lines are skipped, not errors
  EXPECT_EQ(run.out,
            " 行政名が２文字未満または９文字を超えています。 line = 1  name = abc\n"
            " 行政名が２文字未満または９文字を超えています。 line = 4  name = abcdefghijklmnopqrstuvw\n"
            " 行政区域コード（JISコード）の値が異常です。line = 5 : code = 999\n"
            " 行政区域コード（JISコード）の値が異常です。line = 6 : code = 48000\n");
  ASSERT_EQ(Load(), 5);
  GyoseiRecord r{};
  EXPECT_EQ(GyoseiRecGet(13101, &r), -4);
  EXPECT_EQ(GyoseiRecGet(13102, &r), 0);
  EXPECT_EQ(GyoseiRecGet(13103, &r), 0);
  EXPECT_EQ(GyoseiRecGet(13104, &r), -4);
  EXPECT_EQ(GyoseiRecGet(1000, &r), 0);
  EXPECT_EQ(GyoseiRecGet(47999, &r), 0);
}

TEST_F(AreabuildTest, ALaterLineWithTheSameCodeTakesTheEntry) {
  WriteAreaList({
      AreaLine(1, "市区町村名", 13101, 0, "旧千代田"),
      AreaLine(2, "市区町村名", 13101, 0, "千代田区"),
  });
  ASSERT_EQ(Build().status, 0);
  ASSERT_EQ(Load(), 3);
  GyoseiRecord r{};
  ASSERT_EQ(GyoseiRecGet(13101, &r), 0);
  EXPECT_STREQ(r.name, Sjis("千代田区").c_str());
}

TEST_F(AreabuildTest, ALastLineWithoutLineEndKeepsItsLastByte) {
  WriteFile(DbFile("krv_gyoseimei.csv"), Sjis(AreaLine(1, "市区町村名", 13101, 0, "千代田区", "", "0", "0", 1, 2) + "\r\n" +
                                             "2,市区町村名,13102,0,中央区,,0,0,1,2,37"));
  ASSERT_EQ(Build().status, 0);
  ASSERT_EQ(Load(), 3);
  GyoseiRecord r{};
  ASSERT_EQ(GyoseiRecGet(13102, &r), 0);
  EXPECT_EQ(r.value3, 37);
}

TEST_F(AreabuildTest, AListWithoutAreasWritesNothing) {
  WriteFile(DbFile("krv_gyosei.rec"), "earlier build");
  WriteAreaList({"番号,区分,コード", "1,見出し,13000,0,東京都"});
  const ToolRun run = Build();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "有効なレコードが在りませんでした。\n前回のファイルはそのまま残っています。 : " + DbFile("krv_gyosei.rec") + "\n");
  EXPECT_EQ(ReadFile(DbFile("krv_gyosei.rec")), "earlier build");
}

TEST_F(AreabuildTest, RecordCapacity) {
  // Slot 0 is the empty record: 4,998 areas fit, the 4,999th ends the build.
  for (const int areas : {4998, 4999}) {
    WriteFile(DbFile("krv_gyosei.rec"), "earlier build");
    std::vector<std::string> lines;
    for (int i = 0; i < areas; ++i) lines.push_back(AreaLine(i, "市区町村名", 1001 + i, 0, "名前"));
    WriteAreaList(lines);
    const ToolRun run = Build();
    if (areas == 4998) {
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(Load(), 4999);
      GyoseiRecEnd();
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "通常起こらないエラー：Record number error.\n前回のファイルはそのまま残っています。 : " +
                             DbFile("krv_gyosei.rec") + "\n");
      EXPECT_EQ(ReadFile(DbFile("krv_gyosei.rec")), "earlier build");
    }
  }
}

TEST_F(AreabuildTest, CommandLineAndFileFailures) {
  const ToolRun usage = RunTool(tool::RunAreabuild, {});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, " areabuild dbDirName ");

  const std::string longPath(256, 'x');
  const ToolRun badPath = RunTool(tool::RunAreabuild, {longPath});
  EXPECT_EQ(badPath.status, 1);
  EXPECT_EQ(badPath.out, "住所DBのパスを設定できません。" + longPath + "\n");

  const ToolRun noList = Build();
  EXPECT_EQ(noList.status, 1);
  EXPECT_EQ(noList.out, "ファイルを開く事ができません。： listFileName = " + DbFile("krv_gyoseimei.csv") + "\n");
}

}  // namespace
}  // namespace krv::test
