// sectbuild: section tables and records from small section sources, read
// back through ChoRecLoad/ChoRecGet, AzaRecLoad/AzaRecGet and the geocoding
// walk, with the printed lines; the header and the table list through the
// shared layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db_file.h"
#include "kurovia.h"
#include "sectbuild.h"
#include "tool_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kChiyoda = 13101;
constexpr int32_t kMarunouchi = 2;
constexpr int32_t kOtemachi = 3;
constexpr int32_t kHoncho = 4;
constexpr int32_t kShinmachi = 5;

struct AzaFile {
  format::AzaRecHeader header{};
  std::vector<format::AzaTableEntry> tables;
  std::size_t bytesAfterTables = 0;
};

AzaFile ReadAzaFile(const std::string& path) {
  AzaFile file;
  format::DbFileReader reader;
  EXPECT_EQ(reader.Open(path.c_str(), format::kAzaRecId, file.header, {-2, -4, -3}), 0);
  file.tables.resize(format::kAzaTableCapacity);
  EXPECT_EQ(reader.Read(file.tables.data(), file.tables.size(), -5), 0);
  file.bytesAfterTables = static_cast<std::size_t>(reader.BytesLeft());
  return file;
}

// A section as the test expects it: its town, its number, its name (UTF-8).
struct Section {
  int32_t town;
  int32_t aza;
  std::string name;
};

class SectbuildTest : public ToolTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(BuildStandardTownDb()); }

  void TearDown() override {
    AzaRecEnd();
    ChoRecEnd();
    ToolTest::TearDown();
  }

  std::string Dir() const { return (srcDir_.path() / "aza").string(); }

  ToolRun Run(const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> args = {Db(), Dir()};
    args.insert(args.end(), extra.begin(), extra.end());
    return RunTool(tool::RunSectbuild, args);
  }

  void Load() const {
    ASSERT_GE(ChoRecLoad(DbFile("krv_cho.rec").c_str()), 0);
    ASSERT_GE(AzaRecLoad(DbFile("krv_aza.rec").c_str()), 0);
  }

  static ChoRecord Town(int32_t town, int32_t area = kChiyoda) {
    ChoRecord record{};
    EXPECT_EQ(ChoRecGet(area, town, &record), 0) << area << " " << town;
    return record;
  }

  // The sections of every town of Chiyoda, in town and section order.
  static std::vector<Section> ChiyodaSections() {
    std::vector<Section> sections;
    for (int32_t town = 1; town <= ChoRecNumRecords(kChiyoda); ++town) {
      const int count = AzaRecNumRecords(kChiyoda, town);
      for (int32_t aza = 1; aza <= count; ++aza) {
        AzaRecord record{};
        EXPECT_EQ(AzaRecGet(kChiyoda, town, aza, &record), 0);
        EXPECT_EQ(record.azaKey, town * 65536 + aza);
        sections.push_back(Section{town, aza, Utf8(record.name)});
      }
    }
    return sections;
  }
};

bool operator==(const Section& a, const Section& b) {
  return a.town == b.town && a.aza == b.aza && a.name == b.name;
}
std::ostream& operator<<(std::ostream& os, const Section& s) {
  return os << "{" << s.town << ", " << s.aza << ", " << s.name << "}";
}

TEST_F(SectbuildTest, ChomeOfOneTownMakeOneLinkedTable) {
  WriteSource("aza", "13_2023.csv",
              {"都道府県名,市区町村名,大字町丁目名,,,,,緯度,経度\r\n", SectionLine("千代田区", "丸の内一丁目"),
               SectionLine("千代田区", "丸の内二丁目")});
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string dir = Dir();
  const std::size_t stat = run.out.find("\n");
  ASSERT_NE(stat, std::string::npos);
  EXPECT_EQ(run.out.substr(0, 12), "stat time = ");
  EXPECT_EQ(run.out.substr(stat + 1, run.out.rfind("end time = ") - stat - 1),
            "**** start : file name = " + dir + "/13_2023.csv **** \n"
            "---- end   : file name = " + dir + "/13_2023.csv ---- \n");

  const AzaFile file = ReadAzaFile(DbFile("krv_aza.rec"));
  EXPECT_EQ(file.header.version, 1u);
  EXPECT_EQ(file.header.tableCapacity, 150000);
  EXPECT_EQ(file.header.tablesUsed, 2);
  EXPECT_EQ(file.header.recordCount, 2);
  EXPECT_EQ(file.tables[1].areaCode, kChiyoda);
  EXPECT_EQ(file.tables[1].townNo, kMarunouchi);
  EXPECT_EQ(file.tables[1].azaCount, 2);
  EXPECT_EQ(file.tables[1].firstRecord, 0);
  EXPECT_EQ(file.bytesAfterTables, 2 * sizeof(AzaRecord));

  Load();
  EXPECT_EQ(Town(kMarunouchi).azaIndex, 1);
  EXPECT_EQ(Town(kOtemachi).azaIndex, 0);
  EXPECT_EQ(ChiyodaSections(), (std::vector<Section>{{kMarunouchi, 1, "一丁目"}, {kMarunouchi, 2, "二丁目"}}));
  AzaRecord record{};
  ASSERT_EQ(AzaRecGet(kChiyoda, kMarunouchi, 2, &record), 0);
  EXPECT_EQ(record.kana[0], '\0');
  EXPECT_EQ(record.gaikuIndex, 0);
  EXPECT_EQ(record.pointX, 0);
  EXPECT_EQ(record.pointY, 0);
  AzaRecEnd();
  ChoRecEnd();

  ASSERT_EQ(krvDbLoad(Db().c_str(), 3), 3);
  AdrCode code{};
  EXPECT_EQ(krvAdrStr2Code(Sjis("東京都千代田区丸の内２丁目").c_str(), &code), 13);
  EXPECT_EQ(code.level, KRV_LEVEL_SECTION);
  EXPECT_EQ(code.choCode, kMarunouchi);
  EXPECT_EQ(code.azaCode, 2);
}

TEST_F(SectbuildTest, TownsAndSectionNamesOfTheLines) {
  WriteSource("aza", "13_2023.csv",
              {
                  SectionLine("千代田区", "本町一丁目"),
                  SectionLine("千代田区", "本町一丁目"),        // a repeat of the town's last section
                  SectionLine("千代田区", "新町一丁目"),        // the same name in the next town is its own
                  SectionLine("千代田区", "新町字中通"),        // 字 is dropped
                  SectionLine("千代田区", "大字大手町字北"),    // 大字 belongs to the town name
                  SectionLine("千代田区", "無い町一丁目"),      // no town: all of it under town 1
                  SectionLine("千代田区", "大手町"),            // the town alone: no section
                  SectionLine("千代田区", "字"),                // nothing left after 字
                  SectionLine("千代田区", ""),                  // no town text
                  SectionLine("不明区", "芝一丁目"),            // no such municipality
              });
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(" Ignored_1 : line num = 10 : 不明区 - 芝一丁目\n"), std::string::npos) << run.out;
  Load();
  EXPECT_EQ(ChiyodaSections(), (std::vector<Section>{
                                   {1, 1, "無い町一丁目"},
                                   {kOtemachi, 1, "北"},
                                   {kHoncho, 1, "一丁目"},
                                   {kShinmachi, 1, "一丁目"},
                                   {kShinmachi, 2, "中通"},
                               }));
  // Tables in the order they were started.
  EXPECT_EQ(Town(kHoncho).azaIndex, 1);
  EXPECT_EQ(Town(kShinmachi).azaIndex, 2);
  EXPECT_EQ(Town(kOtemachi).azaIndex, 3);
  EXPECT_EQ(Town(1).azaIndex, 4);
}

TEST_F(SectbuildTest, ATownThatComesBackGetsASecondTable) {
  WriteSource("aza", "13_2023.csv",
              {SectionLine("千代田区", "本町一丁目"), SectionLine("千代田区", "新町一丁目"),
               SectionLine("千代田区", "本町二丁目")});
  ASSERT_EQ(Run().status, 0);
  Load();
  EXPECT_EQ(Town(kHoncho).azaIndex, 3);
  EXPECT_EQ(ChiyodaSections(), (std::vector<Section>{{kHoncho, 1, "二丁目"}, {kShinmachi, 1, "一丁目"}}));
}

TEST_F(SectbuildTest, ALongNameStopsItsFileAndEarlierTablesStay) {
  const std::string name30 = "あいうえおかきくけこさしすせそ";  // 30 bytes
  const std::string name31 = "ab" + std::string("いうえおかきくけこさしすせそ") + "c";  // 31 bytes
  ASSERT_EQ(Sjis(name30).size(), 30u);
  ASSERT_EQ(Sjis(name31).size(), 31u);
  WriteSource("aza", "13_2023.csv",
              {SectionLine("千代田区", "丸の内一丁目"), SectionLine("千代田区", "本町" + name30),
               SectionLine("千代田区", "新町一丁目"), SectionLine("千代田区", "新町" + name31),
               SectionLine("千代田区", "霞が関一丁目")});
  WriteSource("aza", "13_2024.csv", {SectionLine("千代田区", "大手町一丁目")});
  WriteSource("aza", "48_2024.csv", {SectionLine("千代田区", "霞が関一丁目")});
  const ToolRun run = Run();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Error丁目字名の文字列が長すぎます。千代田区 : 新町" + name31 + " : " + name31 +
                         "\n    at : MakeAzaRecords()\n---- end   : file name = " + Dir() + "/13_2023.csv ---- \n"),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("Errorファイル名の県コードが範囲外です。    at : MakeAzaRecords()\n"), std::string::npos);
  EXPECT_NE(run.out.find("end time = "), std::string::npos);
  Load();
  // 新町's table lost its records and its index went to the next file.
  EXPECT_EQ(ChiyodaSections(), (std::vector<Section>{{kMarunouchi, 1, "一丁目"}, {kOtemachi, 1, "一丁目"},
                                                     {kHoncho, 1, name30}}));
  EXPECT_EQ(Town(kShinmachi).azaIndex, 0);
  EXPECT_EQ(Town(kOtemachi).azaIndex, 3);
  EXPECT_EQ(ReadAzaFile(DbFile("krv_aza.rec")).header.tablesUsed, 4);
}

TEST_F(SectbuildTest, NoUpdateLeavesTheTownFileAsItIs) {
  WriteSource("aza", "13_2023.csv", {SectionLine("千代田区", "丸の内一丁目")});
  const std::string before = ReadFile(DbFile("krv_cho.rec"));
  struct Case {
    std::vector<std::string> extra;
    bool saved;
  };
  const Case cases[] = {{{"1"}, false}, {{"0"}, true}, {{"2"}, true}, {{"1", "x"}, true}, {{}, true}};
  for (const Case& c : cases) {
    WriteFile(DbFile("krv_cho.rec"), before);
    const ToolRun run = Run(c.extra);
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(ReadFile(DbFile("krv_cho.rec")) != before, c.saved) << c.extra.size();
    EXPECT_TRUE(std::filesystem::exists(DbFile("krv_aza.rec")));
  }
}

TEST_F(SectbuildTest, ATextFirstFileGivesAnEmptySectionFile) {
  WriteSource("aza", "13_2023.txt", {SectionLine("千代田区", "丸の内一丁目")});
  WriteSource("aza", "13_2024.csv", {SectionLine("千代田区", "丸の内一丁目")});
  const ToolRun run = Run();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("---- end   : file name = " + Dir() + "/13_2024.csv ---- \n"), std::string::npos);
  const AzaFile file = ReadAzaFile(DbFile("krv_aza.rec"));
  EXPECT_EQ(file.header.recordCount, 0);
  EXPECT_EQ(file.header.tablesUsed, 0);
  EXPECT_EQ(file.bytesAfterTables, 0u);
  for (const format::AzaTableEntry& e : file.tables) ASSERT_EQ(e.areaCode, 0);
  EXPECT_EQ(std::filesystem::file_size(DbFile("krv_aza.rec")), 32u + 3000000u);
}

TEST_F(SectbuildTest, PointsOfTownsAndSections) {
  WriteSource("aza", "13_2023.csv",
              {
                  SectionLine("千代田区", "丸の内", "35.681236", "139.767125"),
                  SectionLine("千代田区", "丸の内", "36", "140"),  // the town's first line gives its point
                  SectionLine("千代田区", "丸の内一丁目", "35.682", "139.766"),
                  SectionLine("千代田区", "丸の内一丁目", "35.9", "139.9"),  // a repeat keeps the first point
                  SectionLine("千代田区", "丸の内二丁目"),                    // no point
                  SectionLine("千代田区", "大手町", "", "139.76"),            // half a point is none
                  SectionLine("千代田区", "本町一丁目"),
                  SectionLine("千代田区", "本町二丁目", "35.5", "139.5"),      // 本町 has no line of its own
              });
  ASSERT_EQ(Run().status, 0);
  Load();
  const ChoRecord marunouchi = Town(kMarunouchi);
  EXPECT_EQ(marunouchi.pointX, 128452449);
  EXPECT_EQ(marunouchi.pointY, static_cast<int32_t>(139.767125 * 3600000.0));
  EXPECT_EQ(Town(kOtemachi).pointX, 0);
  EXPECT_EQ(Town(kOtemachi).pointY, 0);
  EXPECT_EQ(Town(kHoncho).pointX, static_cast<int32_t>(35.5 * 3600000.0));
  EXPECT_EQ(Town(kHoncho).pointY, static_cast<int32_t>(139.5 * 3600000.0));
  AzaRecord record{};
  ASSERT_EQ(AzaRecGet(kChiyoda, kMarunouchi, 1, &record), 0);
  EXPECT_EQ(record.pointX, static_cast<int32_t>(35.682 * 3600000.0));
  EXPECT_EQ(record.pointY, static_cast<int32_t>(139.766 * 3600000.0));
  ASSERT_EQ(AzaRecGet(kChiyoda, kMarunouchi, 2, &record), 0);
  EXPECT_EQ(record.pointX, 0);
  EXPECT_EQ(AzaRecNumRecords(kChiyoda, kMarunouchi), 2);
  AzaRecEnd();
  ChoRecEnd();

  ASSERT_EQ(krvDbLoad(Db().c_str(), 3), 3);
  AdrCode code{};
  ASSERT_GT(krvAdrStr2Code(Sjis("東京都千代田区丸の内").c_str(), &code), 0);
  double x = 0;
  double y = 0;
  ASSERT_EQ(krvAdrCode2Point(&code, &x, &y), 0);
  EXPECT_NEAR(x, 35.681236, 1e-6);
  EXPECT_NEAR(y, 139.767125, 1e-6);
}

TEST_F(SectbuildTest, ARunDropsTheLinksOfTheRunBefore) {
  WriteSource("aza", "13_2023.csv", {SectionLine("千代田区", "丸の内一丁目"), SectionLine("千代田区", "大手町一丁目")});
  ASSERT_EQ(Run().status, 0);
  WriteSource("aza", "13_2023.csv", {SectionLine("千代田区", "大手町一丁目")});
  ASSERT_EQ(Run().status, 0);
  Load();
  // Table 1 now belongs to 大手町; 丸の内 must not lead to it.
  EXPECT_EQ(Town(kMarunouchi).azaIndex, 0);
  EXPECT_EQ(Town(kOtemachi).azaIndex, 1);
  AzaRecEnd();
  ChoRecEnd();
  ASSERT_EQ(krvDbLoad(Db().c_str(), 3), 3);
  AdrCode code{};
  ASSERT_GT(krvAdrStr2Code(Sjis("東京都千代田区丸の内一丁目").c_str(), &code), 0);
  EXPECT_EQ(code.level, KRV_LEVEL_TOWN);
}

TEST_F(SectbuildTest, AFailedSaveLeavesTheDbFilesAsTheyWere) {
  WriteSource("aza", "13_2023.csv", {SectionLine("千代田区", "丸の内一丁目")});
  ASSERT_EQ(Run().status, 0);
  const std::string aza = ReadFile(DbFile("krv_aza.rec"));
  const std::string cho = ReadFile(DbFile("krv_cho.rec"));
  // The new town file cannot be put in place: a directory holds its name.
  std::filesystem::create_directories(DbFile("krv_cho.rec.new") + "/x");
  WriteSource("aza", "13_2023.csv", {SectionLine("千代田区", "大手町一丁目")});
  const ToolRun run = Run();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("町大字ファイルの更新ができません。n = "), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("end time"), std::string::npos);
  // Both outputs are named as kept, each on a line of its own.
  for (const char* name : {"krv_aza.rec", "krv_cho.rec"}) {
    EXPECT_NE(run.out.find("\n前回のファイルはそのまま残っています。 : " + DbFile(name) + "\n"), std::string::npos)
        << run.out;
  }
  EXPECT_EQ(ReadFile(DbFile("krv_aza.rec")), aza);
  EXPECT_EQ(ReadFile(DbFile("krv_cho.rec")), cho);
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_aza.rec.new")));
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_aza.rec.new.tmp")));
}

TEST_F(SectbuildTest, UsageAndFrameMessages) {
  const ToolRun usage = RunTool(tool::RunSectbuild, {Db()});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.out, " sectbuild krvDbDir sourceDir noUpdate\n");
  const ToolRun noFile = RunTool(tool::RunSectbuild, {Db(), (srcDir_.path() / "none").string()});
  EXPECT_EQ(noFile.status, 1);
  EXPECT_EQ(noFile.out, "指定したディレクトリには処理できるファイルがありません。");
  WriteSource("aza", "13_2023.dat", {SectionLine("千代田区", "丸の内一丁目")});
  const ToolRun type = Run();
  EXPECT_EQ(type.status, 1);
  EXPECT_EQ(type.out, "元データのファイル名の拡張子は.csvか.txtのどちらかでなければなりません。");
  const ToolRun load = RunTool(tool::RunSectbuild, {Src(), Dir()});
  EXPECT_EQ(load.status, 1);
  EXPECT_EQ(load.out.rfind("住所DBをメモリにロードできません。 ", 0), 0u) << load.out;
}

}  // namespace
}  // namespace krv::test
