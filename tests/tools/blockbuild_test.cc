// blockbuild: block tables, blocks, residence tables and the string file
// from small block sources, read back through the library's stores and the
// geocoding walk, and through the shared layout where the table lists and
// check values matter; with the printed lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "blockbuild.h"
#include "kurovia.h"
#include "sectbuild.h"
#include "tool_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kChiyoda = 13101;
constexpr int32_t kMarunouchi = 2;
constexpr int32_t kOtemachi = 3;
constexpr int32_t kHoncho = 4;

class BlockbuildTest : public ToolTest {
 protected:
  // Sections: 丸の内一丁目 (1), 丸の内二丁目 (2), 本町一丁目 (1); 大手町 and
  // 新町 have none.
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(BuildStandardTownDb());
    const std::string aza = WriteSource("aza", "13_2023.csv",
                                        {SectionLine("千代田区", "丸の内一丁目"), SectionLine("千代田区", "丸の内二丁目"),
                                         SectionLine("千代田区", "本町一丁目")});
    const ToolRun run = RunTool(tool::RunSectbuild, {Db(), aza});
    ASSERT_EQ(run.status, 0) << run.out;
  }

  void TearDown() override {
    JukyoRecEnd();
    GaikuRecEnd();
    AzaRecEnd();
    ChoRecEnd();
    ToolTest::TearDown();
  }

  std::string Dir() const { return (srcDir_.path() / "gaiku").string(); }
  ToolRun Run() const { return RunTool(tool::RunBlockbuild, {Db(), Dir()}); }

  // The DB loaded whole through the library.
  void LoadAll() const { ASSERT_EQ(krvDbLoad(Db().c_str(), 5), 5) << krvDbErrorText(); }

  static std::vector<int32_t> Blocks(int32_t town, int32_t aza) {
    std::vector<int32_t> keys(64);
    const int n = GaikuRecGetList(kChiyoda, town, aza, keys.data(), static_cast<int>(keys.size()));
    keys.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return keys;
  }

  static std::vector<int32_t> Residences(int32_t town, int32_t aza, int32_t block) {
    std::vector<int32_t> keys(64);
    const int n = JukyoRecGetList(kChiyoda, town, aza, block, keys.data(), static_cast<int>(keys.size()));
    keys.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return keys;
  }

  struct Walk {
    const char* address;
    int level;
    int32_t gaiku;
    int32_t jukyo;
  };
  static void ExpectWalks(const std::vector<Walk>& walks) {
    for (const Walk& w : walks) {
      AdrCode code{};
      EXPECT_GT(krvAdrStr2Code(Sjis(w.address).c_str(), &code), 0) << w.address;
      EXPECT_EQ(code.level, w.level) << w.address;
      EXPECT_EQ(code.gaikuCode, w.gaiku) << w.address;
      EXPECT_EQ(code.jukyoCode, w.jukyo) << w.address;
    }
  }
};

TEST_F(BlockbuildTest, FormsOfTheBlockColumn) {
  WriteSource("gaiku", "13_2023.csv",
              {
                  "都道府県名,市区町村名,大字・丁目名,街区符号・地番,,,,緯度,経度,住居表示フラグ,\r\n",
                  BlockLine("千代田区", "丸の内一丁目", "12"),
                  BlockLine("千代田区", "丸の内一丁目", "13-3"),
                  BlockLine("千代田区", "丸の内一丁目", "14の3"),
                  BlockLine("千代田区", "丸の内一丁目", "15街区"),
                  BlockLine("千代田区", "丸の内一丁目", "甲12"),
                  BlockLine("千代田区", "丸の内一丁目", "イ"),
                  BlockLine("千代田区", "丸の内一丁目", "5ロ"),
                  BlockLine("千代田区", "丸の内一丁目", "１２"),
                  BlockLine("千代田区", "丸の内一丁目", "0-7"),  // a number, even 0
              });
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("---- end   : file name = " + Dir() + "/13_2023.csv : nret = 0  : records = 9---- \n"),
            std::string::npos)
      << run.out;
  EXPECT_EQ(ReadStringFile(DbFile("krv_string.rec")), (std::vector<std::string>{"甲", "イ", "＄ロ", "１２"}));

  LoadAll();
  EXPECT_EQ(Blocks(kMarunouchi, 1), (std::vector<int32_t>{12, 13, 14, 15, -1, -2, 5, -4, 0}));
  struct Case {
    int32_t block;
    std::vector<int32_t> residences;
  };
  const Case cases[] = {{12, {}}, {13, {3}}, {14, {3}}, {15, {}}, {-1, {12}}, {-2, {}}, {5, {-3}}, {-4, {}}, {0, {7}}};
  for (const Case& c : cases) EXPECT_EQ(Residences(kMarunouchi, 1, c.block), c.residences) << c.block;
  ExpectWalks({
      {"東京都千代田区丸の内一丁目12番", KRV_LEVEL_BLOCK, 12, 0},
      {"東京都千代田区丸の内一丁目13-3", KRV_LEVEL_RESIDENCE, 13, 3},
      {"東京都千代田区丸の内一丁目14番3号", KRV_LEVEL_RESIDENCE, 14, 3},
      {"東京都千代田区丸の内一丁目15街区", KRV_LEVEL_BLOCK, 15, 0},
      {"東京都千代田区丸の内一丁目甲12", KRV_LEVEL_RESIDENCE, -1, 12},
      {"東京都千代田区丸の内一丁目イ", KRV_LEVEL_BLOCK, -2, 0},
      {"東京都千代田区丸の内一丁目5ロ", KRV_LEVEL_RESIDENCE, 5, -3},
  });
  AdrCode code{KRV_LEVEL_RESIDENCE, kChiyoda, kMarunouchi, 1, 5, -3};
  char name[256];
  char reading[256];
  ASSERT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), KRV_LEVEL_RESIDENCE);
  EXPECT_EQ(Utf8(name), "東京都千代田区丸の内一丁目5番ロ");
}

TEST_F(BlockbuildTest, LinesOfOneBlockMakeOneRecord) {
  WriteSource("gaiku", "13_2023.csv",
              {
                  BlockLine("千代田区", "丸の内一丁目", "12-1", "35.1", "139.1"),
                  BlockLine("千代田区", "丸の内一丁目", "12-2", "35.2", "139.2"),
                  BlockLine("千代田区", "丸の内二丁目", "甲1"),
                  BlockLine("千代田区", "丸の内二丁目", "甲2"),
                  BlockLine("千代田区", "大手町", "7", "35.3", "139.3"),
                  BlockLine("千代田区", "大手町", "7-3", "35.4", "139.4"),
                  BlockLine("千代田区", "大手町", "8-1"),
                  BlockLine("千代田区", "大手町", "7-4"),  // block 7 again, after another block
              });
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(" : nret = 0  : records = 5---- \n"), std::string::npos) << run.out;
  EXPECT_EQ(ReadStringFile(DbFile("krv_string.rec")), (std::vector<std::string>{"甲"}));

  const GaikuFile blocks = ReadGaikuFile(DbFile("krv_gaiku.rec"));
  ASSERT_EQ(blocks.header.tableCount, 4);
  EXPECT_EQ(blocks.header.tableCountCopy, 4);
  ASSERT_EQ(blocks.records.size(), 5u);
  EXPECT_EQ(blocks.records[0].gaikuKey, 12);
  EXPECT_EQ(blocks.records[0].pointX, static_cast<int32_t>(35.1 * 3600000.0));  // the first line's point
  EXPECT_EQ(blocks.records[0].pointY, static_cast<int32_t>(139.1 * 3600000.0));
  EXPECT_EQ(blocks.tables[3].gaikuCount, 3);

  const JukyoFile residences = ReadJukyoFile(DbFile("krv_jukyo.rec"));
  ASSERT_EQ(residences.header.tableCount, 6);
  struct Table {
    uint16_t count;
    uint16_t check;
  };
  const Table expected[] = {
      {0, 0},
      {2, (kChiyoda + kMarunouchi + 1 + 12) % 65536},
      {2, static_cast<uint16_t>(kChiyoda + kMarunouchi + 2 - 1)},
      {1, (kChiyoda + kOtemachi + 0 + 7) % 65536},
      {1, (kChiyoda + kOtemachi + 0 + 8) % 65536},
      {1, (kChiyoda + kOtemachi + 0 + 7) % 65536},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    EXPECT_EQ(residences.tables[i].jukyoCount, expected[i].count) << i;
    EXPECT_EQ(residences.tables[i].checkValue, expected[i].check) << i;
  }
  EXPECT_EQ(residences.records[0].jukyoKey, 1);
  EXPECT_EQ(residences.records[1].jukyoKey, 2);
  EXPECT_EQ(residences.records[1].pointX, static_cast<int32_t>(35.2 * 3600000.0));

  LoadAll();
  EXPECT_EQ(GetJukyoTableNum(kChiyoda, kMarunouchi, 1, 12), 1);
  EXPECT_EQ(Residences(kMarunouchi, 1, 12), (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(Residences(kMarunouchi, 2, -1), (std::vector<int32_t>{1, 2}));
  // The block that came back is listed twice; the first one has residence 3.
  EXPECT_EQ(Blocks(kOtemachi, 0), (std::vector<int32_t>{7, 8, 7}));
  EXPECT_EQ(Residences(kOtemachi, 0, 7), (std::vector<int32_t>{3}));
}

TEST_F(BlockbuildTest, LinksOfTownsAndSections) {
  WriteSource("gaiku", "13_2023.csv",
              {
                  BlockLine("千代田区", "丸の内一丁目", "1", "", "", 1),
                  BlockLine("千代田区", "丸の内九丁目", "2", "", "", 0),  // no such section: under the town
                  BlockLine("千代田区", "大手町", "3", "", "", 1),        // a town without sections
                  BlockLine("千代田区", "無い町", "4", "", "", 1),        // no town: under town 1
              });
  ASSERT_EQ(Run().status, 0);
  LoadAll();
  ChoRecord town{};
  ASSERT_EQ(ChoRecGet(kChiyoda, kMarunouchi, &town), 0);
  EXPECT_EQ(town.gaikuIndex, 2);
  AzaRecord section{};
  ASSERT_EQ(AzaRecGet(kChiyoda, kMarunouchi, 1, &section), 0);
  EXPECT_EQ(section.gaikuIndex, 1);
  ASSERT_EQ(AzaRecGet(kChiyoda, kMarunouchi, 2, &section), 0);
  EXPECT_EQ(section.gaikuIndex, 0);
  EXPECT_EQ(Blocks(kMarunouchi, 0), (std::vector<int32_t>{2}));
  EXPECT_EQ(Blocks(kOtemachi, 0), (std::vector<int32_t>{3}));
  EXPECT_EQ(Blocks(1, 0), (std::vector<int32_t>{4}));
  int flag = -1;
  GaikuRecord block{};
  EXPECT_EQ(GaikuRecGet(kChiyoda, kMarunouchi, 0, 2, &block, &flag), 0);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(GaikuRecGet(kChiyoda, kMarunouchi, 1, 1, &block, &flag), 0);
  EXPECT_EQ(flag, 1);
  ExpectWalks({
      {"東京都千代田区丸の内一丁目1番", KRV_LEVEL_BLOCK, 1, 0},
      {"東京都千代田区大手町3番", KRV_LEVEL_BLOCK, 3, 0},
  });
}

TEST_F(BlockbuildTest, NamesAndPoints) {
  const std::string name16 = "一二三四五六七八";  // 16 bytes, stored as its first 7 characters
  WriteSource("gaiku", "13_2023.csv",
              {
                  BlockLine("千代田区", "丸の内一丁目", "ABCDEFGHIJKLMNOP", "35.681236", "139.767125"),
                  BlockLine("千代田区", "丸の内一丁目", name16, "-35.681236", "-139.767125"),
                  BlockLine("千代田区", "丸の内一丁目", "ABCDEFGHIJKLMNOPQ"),
                  BlockLine("千代田区", "丸の内一丁目", "9"),
              });
  WriteSource("gaiku", "13_2024.csv", {BlockLine("千代田区", "本町一丁目", "9")});
  const ToolRun run = Run();
  EXPECT_EQ(run.status, 1);
  const std::string dir = Dir();
  EXPECT_NE(run.out.find("Error#25 地番文字列ファイルに登録できませんでした。str = ABCDEFGHIJKLMNOPQ\n"
                         "    at : MakeGaikuRecords()\n"
                         "---- end   : file name = " + dir + "/13_2023.csv : nret = -1  : records = 0---- \n"
                         "**** start : file name = " + dir + "/13_2024.csv **** \n"
                         "---- end   : file name = " + dir + "/13_2024.csv : nret = 0  : records = 1---- \n"),
            std::string::npos)
      << run.out;
  // The stopped table went, with its names' blocks; the names stay in the
  // string file, cut to whole characters of at most 15 bytes.
  EXPECT_EQ(ReadStringFile(DbFile("krv_string.rec")),
            (std::vector<std::string>{"ABCDEFGHIJKLMNO", "一二三四五六七"}));
  const GaikuFile blocks = ReadGaikuFile(DbFile("krv_gaiku.rec"));
  ASSERT_EQ(blocks.records.size(), 1u);
  EXPECT_EQ(blocks.tables[1].townNo, kHoncho);

  WriteSource("gaiku", "13_2023.csv",
              {BlockLine("千代田区", "丸の内一丁目", "1", "35.681236", "139.767125"),
               BlockLine("千代田区", "丸の内一丁目", "2", "-35.681236", "-139.767125")});
  ASSERT_EQ(Run().status, 0);
  LoadAll();
  GaikuRecord block{};
  ASSERT_EQ(GaikuRecGet(kChiyoda, kMarunouchi, 1, 1, &block, nullptr), 0);
  EXPECT_EQ(block.pointX, 128452449);  // truncated, not rounded
  EXPECT_EQ(block.pointY, static_cast<int32_t>(139.767125 * 3600000.0));
  ASSERT_EQ(GaikuRecGet(kChiyoda, kMarunouchi, 1, 2, &block, nullptr), 0);
  EXPECT_EQ(block.pointX, -128452449);
}

TEST_F(BlockbuildTest, TheStringFileChangesOnlyWithNames) {
  WriteFile(DbFile("krv_string.rec"), "an earlier string file");
  WriteSource("gaiku", "13_2023.csv", {BlockLine("千代田区", "丸の内一丁目", "12-3")});
  ASSERT_EQ(Run().status, 0);
  EXPECT_EQ(ReadFile(DbFile("krv_string.rec")), "an earlier string file");

  WriteSource("gaiku", "13_2023.csv", {BlockLine("千代田区", "丸の内一丁目", "甲"), BlockLine("千代田区", "丸の内二丁目", "甲")});
  ASSERT_EQ(Run().status, 0);
  // A new file with this run's names only; every name is stored anew.
  EXPECT_EQ(ReadStringFile(DbFile("krv_string.rec")), (std::vector<std::string>{"甲", "甲"}));
  for (const auto& entry : std::filesystem::directory_iterator(Db())) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(name.find(".new"), std::string::npos) << name;
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
}

TEST_F(BlockbuildTest, AStoppedTableTakesItsResidencesAlong) {
  WriteSource("gaiku", "13_2023.csv",
              {BlockLine("千代田区", "丸の内一丁目", "1-1"), BlockLine("千代田区", "丸の内二丁目", "2-1"),
               BlockLine("千代田区", "丸の内二丁目", "2-ABCDEFGHIJKLMNOPQ")});
  WriteSource("gaiku", "13_2024.csv", {BlockLine("千代田区", "丸の内二丁目", "2-5"), BlockLine("千代田区", "本町一丁目", "3-1")});
  const ToolRun run = Run();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Error#26 住居番号テーブルに登録登録できませんでした。str = ABCDEFGHIJKLMNOPQ\n"
                         "    at : MakeGaikuRecords()\n"),
            std::string::npos)
      << run.out;
  const JukyoFile residences = ReadJukyoFile(DbFile("krv_jukyo.rec"));
  ASSERT_EQ(residences.header.tableCount, 4);
  EXPECT_EQ(residences.tables[2].checkValue, (kChiyoda + kMarunouchi + 2 + 2) % 65536);
  EXPECT_EQ(residences.tables[3].checkValue, (kChiyoda + kHoncho + 1 + 3) % 65536);
  EXPECT_EQ(residences.header.recordCount, 3);
  LoadAll();
  EXPECT_EQ(Residences(kMarunouchi, 1, 1), (std::vector<int32_t>{1}));
  EXPECT_EQ(Blocks(kMarunouchi, 2), (std::vector<int32_t>{2}));
  EXPECT_EQ(Residences(kMarunouchi, 2, 2), (std::vector<int32_t>{5}));
  EXPECT_EQ(Residences(kHoncho, 1, 3), (std::vector<int32_t>{1}));
}

TEST_F(BlockbuildTest, ARunDropsTheLinksOfTheRunBefore) {
  WriteSource("gaiku", "13_2023.csv", {BlockLine("千代田区", "丸の内一丁目", "1"), BlockLine("千代田区", "大手町", "1")});
  ASSERT_EQ(Run().status, 0);
  WriteSource("gaiku", "13_2023.csv", {BlockLine("千代田区", "大手町", "1")});
  ASSERT_EQ(Run().status, 0);
  LoadAll();
  // Table 1 now belongs to 大手町.
  ExpectWalks({
      {"東京都千代田区丸の内一丁目1番", KRV_LEVEL_SECTION, 0, 0},
      {"東京都千代田区大手町1番", KRV_LEVEL_BLOCK, 1, 0},
  });
}

TEST_F(BlockbuildTest, FrameMessages) {
  const ToolRun usage = RunTool(tool::RunBlockbuild, {});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, " blockbuild krvDbDir gaikuDirName \n");
  const ToolRun load = RunTool(tool::RunBlockbuild, {Src(), Dir()});
  EXPECT_EQ(load.status, 1);
  EXPECT_EQ(load.out.rfind("#3 住所DBをメモリにロードできません。 ", 0), 0u) << load.out;
  const ToolRun noFile = Run();
  EXPECT_EQ(noFile.out, "#5 指定したディレクトリ処理できるファイルがありません。");
  const ToolRun tooLong = RunTool(tool::RunBlockbuild, {Db(), std::string(256, 'd')});
  EXPECT_EQ(tooLong.out, "#4 ディレクトリ名は255文字以内にして下さい。");

  WriteSource("gaiku", "13_2023.txt", {BlockLine("千代田区", "丸の内一丁目", "1")});
  const ToolRun txt = Run();
  EXPECT_EQ(txt.status, 1);
  EXPECT_EQ(txt.out, "#6 元データのファイルは現在サポートされていません。");
  std::filesystem::remove(Dir() + "/13_2023.txt");
  WriteSource("gaiku", "13_pnt.txt", {BlockLine("千代田区", "丸の内一丁目", "1")});
  const ToolRun pnt = Run();
  EXPECT_EQ(pnt.status, 0);
  EXPECT_NE(pnt.out.find("/13_pnt.txt : nret = 0  : records = 0---- \n"), std::string::npos) << pnt.out;
  EXPECT_EQ(std::filesystem::file_size(DbFile("krv_gaiku.rec")), 32u);
  EXPECT_EQ(std::filesystem::file_size(DbFile("krv_jukyo.rec")), 32u);

  std::filesystem::remove(Dir() + "/13_pnt.txt");
  struct Case {
    const char* file;
    const char* text;
  };
  const Case cases[] = {{"tokyo.csv", "#20 ファイル名のフォーマットが違います。"},
                        {"48_2023.csv", "#21 ファイル名の県コードが範囲外です。"},
                        {"13_1899.csv", "#22 ファイル名の年号が範囲外です。"}};
  for (const Case& c : cases) {
    WriteSource("gaiku", c.file, {BlockLine("千代田区", "丸の内一丁目", "1")});
    const ToolRun run = Run();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(std::string("Error") + c.text + "    at : MakeGaikuRecords()\n---- end   : file name = " +
                           Dir() + "/" + c.file + " : nret = -1  : records = 0---- \n"),
              std::string::npos)
        << run.out;
    std::filesystem::remove(Dir() + "/" + c.file);
  }
}

}  // namespace
}  // namespace krv::test
