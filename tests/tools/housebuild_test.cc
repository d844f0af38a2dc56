// housebuild: residence tables from small residence-number sources on a DB
// built by sectbuild and blockbuild, read back through the library (down to
// residences found by krvAdrStr2Code) and through the shared layout; the
// tables blockbuild wrote for other blocks stay, and a second run gives the
// same files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "blockbuild.h"
#include "housebuild.h"
#include "kurovia.h"
#include "sectbuild.h"
#include "tool_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kChiyoda = 13101;
constexpr int32_t kMarunouchi = 2;
constexpr int32_t kOtemachi = 3;

const char* const kDbFiles[] = {"krv_cho.rec", "krv_aza.rec", "krv_gaiku.rec", "krv_jukyo.rec", "krv_string.rec"};

class HousebuildTest : public ToolTest {
 protected:
  // 丸の内一丁目 has blocks 1, 2 (with residence 1 from the block source), 甲
  // and 3; 大手町 has block 5; 丸の内二丁目 block イ.
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(BuildStandardTownDb());
    const std::string aza = WriteSource("aza", "13_2023.csv",
                                        {SectionLine("千代田区", "丸の内一丁目"), SectionLine("千代田区", "丸の内二丁目")});
    const ToolRun sections = RunTool(tool::RunSectbuild, {Db(), aza});
    ASSERT_EQ(sections.status, 0) << sections.out;
    const std::string gaiku = WriteSource("gaiku", "13_2023.csv",
                                          {
                                              BlockLine("千代田区", "丸の内一丁目", "1", "35.68", "139.76"),
                                              BlockLine("千代田区", "丸の内一丁目", "2-1", "35.681", "139.761"),
                                              BlockLine("千代田区", "丸の内一丁目", "甲"),
                                              BlockLine("千代田区", "丸の内一丁目", "3"),
                                              BlockLine("千代田区", "丸の内二丁目", "イ"),
                                              BlockLine("千代田区", "大手町", "5"),
                                          });
    const ToolRun blocks = RunTool(tool::RunBlockbuild, {Db(), gaiku});
    ASSERT_EQ(blocks.status, 0) << blocks.out;
  }

  std::string Dir() const { return (srcDir_.path() / "jukyo").string(); }
  ToolRun Run() const { return RunTool(tool::RunHousebuild, {Db(), Dir()}); }

  std::vector<std::string> DbBytes() const {
    std::vector<std::string> bytes;
    for (const char* name : kDbFiles) bytes.push_back(ReadFile(DbFile(name)));
    return bytes;
  }

  void ExpectNoStagedFiles() const {
    for (const auto& entry : std::filesystem::directory_iterator(Db())) {
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(name.find(".new"), std::string::npos) << name;
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
    }
  }

  static std::vector<int32_t> Residences(int32_t town, int32_t aza, int32_t block) {
    std::vector<int32_t> keys(64);
    const int n = JukyoRecGetList(kChiyoda, town, aza, block, keys.data(), static_cast<int>(keys.size()));
    keys.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return keys;
  }

  static int32_t JukyoIndex(int32_t town, int32_t aza, int32_t block) {
    GaikuRecord record{};
    EXPECT_EQ(GaikuRecGet(kChiyoda, town, aza, block, &record, nullptr), 0) << block;
    return record.jukyoIndex;
  }
};

TEST_F(HousebuildTest, ResidencesAreLinkedFromTheirBlocksAndFound) {
  WriteSource("jukyo", "13_gou.txt",
              {
                  ResidenceLine("千代田区", "丸の内一丁目", "1", "1", "35.681236", "139.767125"),
                  ResidenceLine("千代田区", "丸の内一丁目", "1", "2", "35.2", "139.2"),
                  ResidenceLine("千代田区", "丸の内一丁目", "甲", "3", "35.3", "139.3"),
                  ResidenceLine("千代田区", "丸の内一丁目", "3", "イ", "35.4", "139.4"),
                  ResidenceLine("千代田区", "丸の内二丁目", "イ", "8"),
                  ResidenceLine("千代田区", "大手町", "5", "7", "35.5", "139.5"),
              });
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string file = Dir() + "/13_gou.txt";
  EXPECT_NE(run.out.find("**** start : file name = " + file + " **** \n"
                         "---- end   : file name = " + file + " : nret = 0  : records = 6---- \n"
                         "end time = "),
            std::string::npos)
      << run.out;
  EXPECT_EQ(ReadStringFile(DbFile("krv_string.rec")), (std::vector<std::string>{"甲", "イ", "＄イ"}));
  ExpectNoStagedFiles();

  ASSERT_EQ(krvDbLoad(Db().c_str(), 5), 5) << krvDbErrorText();
  struct Walk {
    const char* address;
    int chars;
    AdrCode code;
    const char* written;
    double x;
    double y;
  };
  const Walk walks[] = {
      {"東京都千代田区丸の内一丁目1番1号", 17, {8, kChiyoda, kMarunouchi, 1, 1, 1}, "東京都千代田区丸の内一丁目1番1号",
       35.681236, 139.767125},
      {"東京都千代田区丸の内一丁目1-2ビル", 16, {8, kChiyoda, kMarunouchi, 1, 1, 2}, "東京都千代田区丸の内一丁目1番2号",
       35.2, 139.2},
      {"東京都千代田区丸の内一丁目甲3号", 16, {8, kChiyoda, kMarunouchi, 1, -1, 3}, "東京都千代田区丸の内一丁目甲3号",
       35.3, 139.3},
      {"東京都千代田区丸の内一丁目3番イ", 16, {8, kChiyoda, kMarunouchi, 1, 3, -3}, "東京都千代田区丸の内一丁目3番イ",
       35.4, 139.4},
      {"東京都千代田区大手町5-7", 13, {8, kChiyoda, kOtemachi, 0, 5, 7}, "東京都千代田区大手町5番7号", 35.5, 139.5},
      // blockbuild's own residence table.
      {"東京都千代田区丸の内一丁目2番1号", 17, {8, kChiyoda, kMarunouchi, 1, 2, 1}, "東京都千代田区丸の内一丁目2番1号",
       35.681, 139.761},
  };
  for (const Walk& w : walks) {
    AdrCode code{};
    EXPECT_EQ(krvAdrStr2Code(Sjis(w.address).c_str(), &code), w.chars) << w.address;
    const int32_t* got = &code.level;
    const int32_t* want = &w.code.level;
    EXPECT_EQ(std::vector<int32_t>(got, got + 6), std::vector<int32_t>(want, want + 6)) << w.address;
    char name[256];
    char reading[256];
    EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), KRV_LEVEL_RESIDENCE) << w.address;
    EXPECT_EQ(Utf8(name), w.written);
    double x = 0;
    double y = 0;
    EXPECT_EQ(krvAdrCode2Point(&code, &x, &y), 0) << w.address;
    EXPECT_NEAR(x, w.x, 1e-6) << w.address;
    EXPECT_NEAR(y, w.y, 1e-6) << w.address;
  }
}

TEST_F(HousebuildTest, LinesThatNameNoBlockAreIgnored) {
  WriteSource("jukyo", "13_gou.txt",
              {
                  ResidenceLine("千代田区", "丸の内一丁目", "99", "1"),
                  ResidenceLine("千代田区", "丸の内一丁目", "乙", "1"),
                  ResidenceLine("千代田区", "丸の内一丁目", "", "1"),
                  ResidenceLine("千代田区", "丸の内一丁目", "1", ""),
                  ResidenceLine("不明区", "丸の内一丁目", "1", "1"),
                  "都道府県名,市区町村名,町字,街区,住居,緯度,経度\n",
                  ResidenceLine("千代田区", "丸の内一丁目", "1", "4"),
              });
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(" Ignored_8 : line num = 1 : 千代田区 - 丸の内一丁目 - 99\n"
                         " Ignored_8 : line num = 2 : 千代田区 - 丸の内一丁目 - 乙\n"
                         " Ignored_8 : line num = 3 : 千代田区 - 丸の内一丁目 - \n"
                         " Ignored_9 : line num = 4 : 千代田区 - 丸の内一丁目 - 1\n"
                         " Ignored_1 : line num = 5 : 不明区 - 丸の内一丁目\n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(" : nret = 0  : records = 1---- \n"), std::string::npos) << run.out;
}

TEST_F(HousebuildTest, BlockbuildsTablesStayAndANamedBlockIsRefilledInPlace) {
  const JukyoFile before = ReadJukyoFile(DbFile("krv_jukyo.rec"));
  ASSERT_EQ(before.header.tableCount, 2);  // block 2's table
  WriteSource("jukyo", "13_gou.txt",
              {ResidenceLine("千代田区", "丸の内一丁目", "3", "9"), ResidenceLine("千代田区", "丸の内一丁目", "2", "5"),
               ResidenceLine("千代田区", "丸の内一丁目", "2", "6"), ResidenceLine("千代田区", "丸の内一丁目", "3", "8")});
  ASSERT_EQ(Run().status, 0);
  const JukyoFile after = ReadJukyoFile(DbFile("krv_jukyo.rec"));
  ASSERT_EQ(after.header.tableCount, 3);
  EXPECT_EQ(after.tables[1].checkValue, before.tables[1].checkValue);
  ASSERT_EQ(krvDbLoad(Db().c_str(), 5), 5) << krvDbErrorText();
  // Block 2 keeps its table index; its residences are the source's.
  EXPECT_EQ(JukyoIndex(kMarunouchi, 1, 2), 1);
  EXPECT_EQ(Residences(kMarunouchi, 1, 2), (std::vector<int32_t>{5, 6}));
  // Block 3's lines came apart and still make one table.
  EXPECT_EQ(JukyoIndex(kMarunouchi, 1, 3), 2);
  EXPECT_EQ(Residences(kMarunouchi, 1, 3), (std::vector<int32_t>{9, 8}));
  krvDbEnd();

  // A run that names only block 3: block 2 keeps what the run before gave it.
  WriteSource("jukyo", "13_gou.txt", {ResidenceLine("千代田区", "丸の内一丁目", "3", "4")});
  ASSERT_EQ(Run().status, 0);
  ASSERT_EQ(krvDbLoad(Db().c_str(), 5), 5) << krvDbErrorText();
  EXPECT_EQ(Residences(kMarunouchi, 1, 2), (std::vector<int32_t>{5, 6}));
  EXPECT_EQ(Residences(kMarunouchi, 1, 3), (std::vector<int32_t>{4}));
}

TEST_F(HousebuildTest, TwoRunsGiveTheSameFiles) {
  WriteSource("jukyo", "13_gou.txt",
              {ResidenceLine("千代田区", "丸の内一丁目", "1", "1", "35.1", "139.1"),
               ResidenceLine("千代田区", "丸の内一丁目", "1", "ロ", "35.2", "139.2"),
               ResidenceLine("千代田区", "丸の内一丁目", "2", "3"),
               ResidenceLine("千代田区", "丸の内二丁目", "イ", "ハ")});
  ASSERT_EQ(Run().status, 0);
  const std::vector<std::string> first = DbBytes();
  const ToolRun second = Run();
  ASSERT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(DbBytes(), first);
  EXPECT_EQ(ReadStringFile(DbFile("krv_string.rec")), (std::vector<std::string>{"甲", "イ", "＄ロ", "＄ハ"}));
}

TEST_F(HousebuildTest, FrameMessagesWriteNothing) {
  const std::vector<std::string> before = DbBytes();
  const ToolRun usage = RunTool(tool::RunHousebuild, {Db()});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, " housebuild krvDbDir jukyoDirName \n");
  const ToolRun tooLong = RunTool(tool::RunHousebuild, {Db(), "/" + std::string(255, 'd')});
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_EQ(tooLong.out, "#3 ディレクトリ名は255文字以内にして下さい。");
  const ToolRun noFile = Run();
  EXPECT_EQ(noFile.out, "#4 指定したディレクトリ処理できるファイルがありません。");
  WriteSource("jukyo", "13_2003.csv", {ResidenceLine("千代田区", "丸の内一丁目", "1", "1")});
  WriteSource("jukyo", "13_gou.txt", {ResidenceLine("千代田区", "丸の内一丁目", "1", "1")});
  const ToolRun csv = Run();
  EXPECT_EQ(csv.status, 1);
  EXPECT_EQ(csv.out, "#5 元データのファイルは現在サポートされていません。");
  const ToolRun load = RunTool(tool::RunHousebuild, {Src(), Dir()});
  EXPECT_EQ(load.out.rfind("#2 住所DBをメモリにロードできません。 ", 0), 0u) << load.out;
  EXPECT_EQ(DbBytes(), before);
  ExpectNoStagedFiles();
}

TEST_F(HousebuildTest, FileNamesAndDamagedFiles) {
  struct Case {
    const char* file;
    const char* text;
  };
  const Case cases[] = {{"gou.txt", "#20 ファイル名のフォーマットが違います。"},
                        {"48_gou.txt", "#21 ファイル名の県コードが範囲外です。"}};
  for (const Case& c : cases) {
    WriteSource("jukyo", c.file, {ResidenceLine("千代田区", "丸の内一丁目", "1", "1")});
    const ToolRun run = Run();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(std::string("Error") + c.text + "    at : MakeJukyoRecords()\n---- end   : file name = " +
                           Dir() + "/" + c.file + " : nret = -1  : records = 0---- \n"),
              std::string::npos)
        << run.out;
    std::filesystem::remove(Dir() + "/" + c.file);
  }
  WriteSource("jukyo", "13_gou.txt", {ResidenceLine("千代田区", "丸の内一丁目", "1", "1")});
  WriteFile(DbFile("krv_jukyo.rec"), "damaged");
  const ToolRun damaged = Run();
  EXPECT_EQ(damaged.status, 1);
  EXPECT_EQ(damaged.out, "#10 住居番号ファイルを読み込めません。 n = -4 :  jukyoFileName = " + DbFile("krv_jukyo.rec") + "\n");
  EXPECT_EQ(ReadFile(DbFile("krv_jukyo.rec")), "damaged");
}

}  // namespace
}  // namespace krv::test
