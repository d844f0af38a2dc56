// The seven tools on the public sources committed with the project
// (data/sources: the national postal and area lists, Tokyo's town-level
// positions, Bunkyo's residence numbers, Yakushima's lots), prepared by
// krvprep: every run completes without an ignored line, the DB loads whole,
// addresses resolve down to residences and lots with the sources' points,
// and a second housebuild run changes nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "areabuild.h"
#include "areahash.h"
#include "blockbuild.h"
#include "housebuild.h"
#include "krvprep.h"
#include "kurovia.h"
#include "sectbuild.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

fs::path CommittedSources() {
  const char* source = std::getenv("KRV_SOURCE_DIR");
  if (source == nullptr) return {};
  const fs::path sources = fs::path(source) / "data" / "sources";
  return fs::exists(sources / "postal") && fs::exists(sources / "areas") ? sources : fs::path();
}

TEST(RealDataBuildTest, SevenToolsOnThePublicSources) {
  const fs::path sources = CommittedSources();
  if (sources.empty()) GTEST_SKIP() << "data/sources not found (KRV_SOURCE_DIR)";
  TempDir work;
  TempDir db;
  const fs::path prepared = work.path() / "prepared";
  std::ostringstream prepOut;
  std::ostringstream prepErr;
  ASSERT_EQ(prep::RunKrvprep({sources.string(), prepared.string()}, prepOut, prepErr), 0) << prepErr.str();
  for (const char* name : {"krv_gyoseimei.csv", "krv_variation.csv"}) {
    fs::copy_file(prepared / "db" / name, db.File(name));
  }
  const auto dir = [&](const char* name) { return (prepared / name).string(); };
  struct Step {
    RunFunction run;
    std::vector<std::string> args;
    bool noIgnoredLines;
  };
  const Step steps[] = {
      {tool::RunAreabuild, {db.str()}, true},
      {tool::RunAreahash, {db.str()}, true},
      {tool::RunTownbuild, {db.str(), dir("postal")}, false},  // the postal list's notes on its own lines
      {tool::RunTownhash, {db.str()}, true},
      {tool::RunSectbuild, {db.str(), dir("aza")}, true},
      {tool::RunBlockbuild, {db.str(), dir("gaiku")}, true},
      {tool::RunHousebuild, {db.str(), dir("jukyo")}, true},
  };
  std::string housebuildOut;
  for (const Step& step : steps) {
    const ToolRun run = RunTool(step.run, step.args);
    ASSERT_EQ(run.status, 0) << run.out.substr(0, 3000);
    if (step.noIgnoredLines) {
      EXPECT_EQ(run.out.find("Ignored"), std::string::npos) << run.out.substr(0, 3000);
    }
    housebuildOut = run.out;
  }
  EXPECT_NE(housebuildOut.find("/13_gou.txt : nret = 0  : records = 30156---- \n"), std::string::npos) << housebuildOut;

  ASSERT_EQ(krvDbLoad(db.str().c_str(), 5), 5) << krvDbErrorText();
  struct Address {
    const char* text;
    int level;
    const char* written;
    double x;  // 0: not checked
    double y;
  };
  const Address addresses[] = {
      {"東京都文京区白山一丁目1番4号", 8, "東京都文京区白山一丁目1番4号", 35.715173406, 139.752242869},
      {"東京都文京区本郷七丁目１－１", 8, "東京都文京区本郷七丁目1番1号", 35.708432311, 139.763633367},
      {"東京都千代田区霞が関二丁目", 6, "東京都千代田区霞が関二丁目", 35.675551, 139.750413},
      {"東京都千代田区北の丸公園", 5, "東京都千代田区北の丸公園", 35.691555, 139.751639},
      // No line of its own: the point of its first section.
      {"東京都千代田区丸の内", 5, "東京都千代田区丸の内", 35.681560, 139.767201},
      {"鹿児島県熊毛郡屋久島町安房1番地", 7, "鹿児島県熊毛郡屋久島町安房1番地", 30.315663026, 130.652137743},
      {"鹿児島県熊毛郡屋久島町安房11番地2", 8, "鹿児島県熊毛郡屋久島町安房11番地2", 30.315575266, 130.652731471},
      {"鹿児島県熊毛郡屋久島町安房2番地乙", 8, "鹿児島県熊毛郡屋久島町安房2番地乙", 0, 0},
  };
  for (const Address& a : addresses) {
    AdrCode code{};
    EXPECT_GT(krvAdrStr2Code(Sjis(a.text).c_str(), &code), 0) << a.text;
    EXPECT_EQ(code.level, a.level) << a.text;
    char name[256];
    char reading[256];
    EXPECT_EQ(krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading), a.level) << a.text;
    EXPECT_EQ(Utf8(name), a.written) << a.text;
    double x = 0;
    double y = 0;
    EXPECT_EQ(krvAdrCode2Point(&code, &x, &y), 0) << a.text;
    EXPECT_NEAR(x, a.x, 1e-6) << a.text;
    EXPECT_NEAR(y, a.y, 1e-6) << a.text;
  }
  krvDbEnd();

  std::vector<std::string> before;
  for (const char* name : {"krv_jukyo.rec", "krv_gaiku.rec", "krv_string.rec"}) before.push_back(ReadFile(db.File(name)));
  ASSERT_EQ(RunTool(tool::RunHousebuild, {db.str(), dir("jukyo")}).status, 0);
  std::vector<std::string> after;
  for (const char* name : {"krv_jukyo.rec", "krv_gaiku.rec", "krv_string.rec"}) after.push_back(ReadFile(db.File(name)));
  EXPECT_TRUE(before == after);
}

}  // namespace
}  // namespace krv::test
