// Source files far from any real one: a line of ten megabytes, a postal-list
// parenthesis that never closes, variation lists that multiply without end,
// a source directory of 100,000 files.  Each run must simply end, with the
// tool's usual messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "areabuild.h"
#include "areahash.h"
#include "frame.h"
#include "kurovia.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTenMegabytes = 10 << 20;

class PathologicalSourceTest : public ToolTest {
 protected:
  // Count of `needle` in `text`.
  static std::size_t Count(const std::string& text, const std::string& needle) {
    std::size_t n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
  }
};

TEST_F(PathologicalSourceTest, ALineOfTenMegabytes) {
  // The tools read lines in pieces (255 or 1,022 bytes); a longer line
  // arrives in many pieces, each taken as a line of its own.
  BuildStandardAreaDb();
  const std::string huge(kTenMegabytes, 'x');
  WriteFile(SrcFile("ken_all.csv"),
            SjisLines({PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内")}) + huge + "\r\n" +
                SjisLines({PostalLine(13101, "1000004", "ｵｵﾃﾏﾁ", "大手町")}));
  const ToolRun towns = RunTownbuild();
  EXPECT_EQ(towns.status, 0);
  EXPECT_EQ(Count(towns.out, " Name length is 0."), kTenMegabytes / 255 + 1);
  ASSERT_GE(ChoRecLoad(DbFile("krv_cho.rec").c_str()), 0);
  EXPECT_EQ(ChoRecNumRecords(13101), 3);  // the area's own record, 丸の内, 大手町
  ChoRecEnd();

  // The same line in the area-name list and in the variations.
  WriteAreaList({AreaLine(1, "都道府県名", 13000, 0, "東京都"), huge, AreaLine(2, "市区町村名", 13101, 0, "千代田区")});
  WriteVariations(huge + ",ヶ\nケ," + huge + "\nケ,ヶ\n");
  const ToolRun records = RunTool(tool::RunAreabuild, {Db()});
  EXPECT_EQ(records.status, 0) << records.out.substr(0, 200);
  const ToolRun names = RunTool(tool::RunAreahash, {Db()});
  EXPECT_EQ(names.status, 0) << names.out.substr(0, 200);
  AdrCode code{};
  ASSERT_GE(krvDbLoad(Db().c_str(), 1), 0);
  EXPECT_EQ(krvAdrStr2Code(Sjis("東京都千代田区").c_str(), &code), 7);
  EXPECT_EQ(code.gyoseiCode, 13101);
}

TEST_F(PathologicalSourceTest, AParenthesisThatNeverCloses) {
  // The town name opens a parenthesis on the first line; the next 100,000
  // lines of the list never close it.
  BuildStandardAreaDb();
  std::vector<std::string> lines = {PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内"),
                                    PostalLine(13101, "1000006", "ｵｵﾃﾏﾁ", "大手町（次のビルを除く")};
  for (int i = 0; i < 100000; ++i) lines.push_back(PostalLine(13101, "1000006", "", "１丁目、２丁目"));
  WritePostal("ken_all.csv", lines);
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("parenthesis parse error"), std::string::npos) << run.out.substr(0, 400);
}

TEST_F(PathologicalSourceTest, VariationsThatMultiplyWithoutEnd) {
  // A replacement that holds its own text, 500 alternatives for one
  // character, and alternatives of 29 bytes: every name stops at the bounds
  // of one expansion.
  std::string many;
  std::string longOnes;
  for (int i = 0; i < 500; ++i) {
    many += "ケ,ヶ\n";
    longOnes += "ケ,ケケケケケケケケケケケケケケ\n";
  }
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {PostalLine(13101, "1000005", "ﾏﾂｶﾞｵｶ", "松ケ丘ケケケケケケケケケケケ")});
  ASSERT_EQ(RunTownbuild().status, 0);
  for (const std::string& variations : {std::string("ケ,ケケ\n"), many, longOnes}) {
    WriteVariations(variations);
    const ToolRun run = RunTownhash();
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("MakeHashTable()"), std::string::npos) << run.out;
  }
}

TEST_F(PathologicalSourceTest, ASourceDirectoryOf100000Files) {
  BuildStandardAreaDb();
  const std::string line = SjisLines({PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内")});
  for (int i = 0; i < 100000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%06d.csv", i);
    std::FILE* file = std::fopen(SrcFile(name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (i < 47) std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
  }
  const std::vector<tool::SourcePath> listed = tool::ScanSourceDir(Src(), 4000);
  ASSERT_EQ(listed.size(), 4000u);
  EXPECT_EQ(listed.front().path, SrcFile("000000.csv"));
  EXPECT_EQ(listed.back().path, SrcFile("003999.csv"));

  // townbuild reads the first 47 by name.
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(Count(run.out, "**** start : file name = "), 47u);
}

}  // namespace
}  // namespace krv::test
