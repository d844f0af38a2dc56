// kurovia build with stand-in tools: small shell scripts that note their
// command line in a journal and copy the DB files a real tool would write
// from a DB written by the test.  They show the order of the steps, the
// folders each gets, what is skipped for absent sources, that a failing step
// stops the build and leaves the DB as it was, and the summary read back
// through the library.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "db_builder.h"
#include "kurovia.h"
#include "test_support.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

// The files each stand-in copies from the template DB into its first
// argument, the DB folder.
constexpr const char* kStandIn = R"(#!/bin/sh
tool=$(basename "$0")
echo "$tool $*" >> "@JOURNAL@"
echo "$tool says hello"
[ -e "@BIN@/FAIL_$tool" ] && { echo "$tool: something went wrong"; exit 1; }
copy() { for f in "$@"; do [ -e "@TEMPLATE@/$f" ] && cp "@TEMPLATE@/$f" "$db/"; done; return 0; }
case $tool in
  krvprep)
    src=$2; out=$4
    if [ -d "$src/areas" ]; then mkdir -p "$out/db"; echo areas > "$out/db/krv_gyoseimei.csv"; echo v > "$out/db/krv_variation.csv"; fi
    if [ -d "$src/postal" ]; then mkdir -p "$out/postal"; echo p > "$out/postal/KEN_ALL.CSV"; fi
    if [ -d "$src/isj" ]; then mkdir -p "$out/aza"; echo a > "$out/aza/13_2023.csv"; fi
    if [ -d "$src/abr/rsdt" ] || [ -d "$src/abr/parcel" ]; then mkdir -p "$out/gaiku"; echo g > "$out/gaiku/13_2000.csv"; fi
    if [ -d "$src/abr/rsdt" ]; then mkdir -p "$out/jukyo"; echo j > "$out/jukyo/13_gou.txt"; fi
    ;;
  areabuild) db=$1; copy krv_gyosei.rec ;;
  areahash) db=$1; copy krv_gyosei.hsh ;;
  townbuild) db=$1; ls "$2"/* > /dev/null || exit 1; copy krv_cho.rec krv_post.idx ;;
  townhash) db=$1; copy krv_cho.hsh ;;
  sectbuild) db=$1; ls "$2"/*.csv > /dev/null || exit 1; copy krv_aza.rec ;;
  blockbuild) db=$1; copy krv_gaiku.rec krv_jukyo.rec krv_string.rec ;;
  housebuild) db=$1; copy krv_jukyo.rec ;;
esac
exit 0
)";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// The number at the end of the summary line "  <what>   <number>".
long SummaryCount(const std::string& out, const std::string& what) {
  const std::size_t at = out.find("\n  " + what + " ");
  if (at == std::string::npos) return -1;
  const std::size_t end = out.find('\n', at + 1);
  const std::string line = out.substr(at + 1, end - at - 1);
  return std::stol(line.substr(line.find_last_of(' ') + 1));
}

struct Result {
  int status = 0;
  std::string out;
  std::string err;
};

class BuildCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.path();
    fs::create_directories(root_ / "bin");
    fs::create_directories(root_ / "template");
    DbBuilder db;
    db.Area(13000, 1, "東京都");
    db.Area(13101, 4, "千代田区").countyCode = 13100;
    const TownRef town = db.Town(13101, "丸の内");
    db.PostCode(1000005, town);
    db.Residence(db.Block(db.Section(town, "一丁目"), 1), 1);
    db.Write((root_ / "template").string());
    for (const char* tool :
         {"krvprep", "areabuild", "areahash", "townbuild", "townhash", "sectbuild", "blockbuild", "housebuild"}) {
      std::string script = Replace(kStandIn, "@JOURNAL@", (root_ / "journal").string());
      script = Replace(script, "@BIN@", (root_ / "bin").string());
      script = Replace(script, "@TEMPLATE@", (root_ / "template").string());
      const std::string path = (root_ / "bin" / tool).string();
      WriteFile(path, script);
      ::chmod(path.c_str(), 0755);
    }
  }
  void TearDown() override { krvDbEnd(); }

  // A sources folder holding the given sub-folders.
  std::string Sources(const std::vector<std::string>& folders) {
    const fs::path sources = root_ / "sources";
    fs::remove_all(sources);
    fs::create_directories(sources);
    for (const auto& folder : folders) fs::create_directories(sources / folder);
    return sources.string();
  }

  Result Build(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"build", "--sources", (root_ / "sources").string(), "--db", Db()};
    args.insert(args.end(), extra.begin(), extra.end());
    cli::Environment env;
    env.exeDir = (root_ / "bin").string();
    std::istringstream in;
    std::ostringstream out, err;
    Result result;
    result.status = cli::RunKurovia(args, in, out, err, env);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  std::vector<std::string> Journal() {
    std::vector<std::string> lines;
    std::ifstream in(root_ / "journal");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    fs::remove(root_ / "journal");
    return lines;
  }

  std::string Db() const { return (root_ / "db").string(); }
  std::string Work() const { return (root_ / "db.work").string(); }

  TempDir dir_;
  fs::path root_;
};

TEST_F(BuildCommand, RunsEveryToolInOrderAndInstallsTheDb) {
  Sources({"postal", "areas", "isj/town/13000-17.0b", "abr/rsdt/bunkyo"});
  const Result r = Build();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string w = Work();
  EXPECT_EQ(Journal(), (std::vector<std::string>{
                           "krvprep --sources " + (root_ / "sources").string() + " --out " + w,
                           "areabuild " + w + "/db",
                           "areahash " + w + "/db",
                           "townbuild " + w + "/db " + w + "/postal",
                           "townhash " + w + "/db",
                           "sectbuild " + w + "/db " + w + "/aza",
                           "blockbuild " + w + "/db " + w + "/gaiku",
                           "housebuild " + w + "/db " + w + "/jukyo",
                       }));
  // Each tool's output is passed on.
  EXPECT_NE(r.out.find("== [4/8] townbuild"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("housebuild says hello"), std::string::npos) << r.out;
  for (const char* file : {"krv_gyoseimei.csv", "krv_variation.csv", "krv_gyosei.rec", "krv_gyosei.hsh", "krv_cho.rec",
                           "krv_post.idx", "krv_cho.hsh", "krv_aza.rec", "krv_gaiku.rec", "krv_jukyo.rec"}) {
    EXPECT_TRUE(fs::is_regular_file(fs::path(Db()) / file)) << file;
  }
  EXPECT_FALSE(fs::exists(Work()));
  // The summary: sizes, counts read back through the library, times.
  EXPECT_NE(r.out.find("krv_cho.rec"), std::string::npos);
  EXPECT_NE(r.out.find("load level 5"), std::string::npos) << r.out;
  for (const char* what : {"prefectures", "municipalities", "towns", "sections", "blocks and lots", "residences",
                           "postal codes"}) {
    EXPECT_EQ(SummaryCount(r.out, what), 1) << what << "\n" << r.out;
  }
  EXPECT_NE(r.out.find("  total "), std::string::npos);
}

TEST_F(BuildCommand, AbsentSourcesSkipTheirStepsAndLeaveNoStaleFiles) {
  // An earlier build left sections and blocks; another tool's file stays.
  fs::create_directories(Db());
  for (const char* file : {"krv_aza.rec", "krv_gaiku.rec", "krv_string.rec", "krv_chimei25k.rec"}) {
    WriteFile(Db() + "/" + file, "old");
  }
  Sources({"postal", "areas"});
  const Result r = Build();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 5u);
  EXPECT_EQ(journal.back(), "townhash " + Work() + "/db");
  EXPECT_NE(r.out.find("sectbuild skipped: no town-level data"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("blockbuild skipped"), std::string::npos);
  EXPECT_NE(r.out.find("housebuild skipped"), std::string::npos);
  EXPECT_FALSE(fs::exists(Db() + "/krv_aza.rec"));
  EXPECT_FALSE(fs::exists(Db() + "/krv_gaiku.rec"));
  EXPECT_FALSE(fs::exists(Db() + "/krv_string.rec"));
  EXPECT_EQ(ReadFile(Db() + "/krv_chimei25k.rec"), "old");
  EXPECT_NE(r.out.find("load level 2"), std::string::npos) << r.out;
}

TEST_F(BuildCommand, ToolsThatOtherStepsNeedRunOnEmptySources) {
  // No postal list: townbuild gets an empty one.  Lots without town-level
  // data: sectbuild writes an empty section file for blockbuild to load.
  Sources({"areas", "abr/parcel/yakushima"});
  const Result r = Build();
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 7u);
  EXPECT_EQ(journal[3], "townbuild " + Work() + "/db " + Work() + "/empty-postal");
  EXPECT_EQ(journal[5], "sectbuild " + Work() + "/db " + Work() + "/empty-aza");
  EXPECT_EQ(journal[6], "blockbuild " + Work() + "/db " + Work() + "/gaiku");
  EXPECT_NE(r.out.find("housebuild skipped: no residence data"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("note: no postal list"), std::string::npos);
}

TEST_F(BuildCommand, AFailingToolStopsTheBuildAndTheDbStaysAsItWas) {
  fs::create_directories(Db());
  WriteFile(Db() + "/krv_cho.rec", "old");
  Sources({"postal", "areas", "isj/town/13000-17.0b"});
  WriteFile((root_ / "bin" / "FAIL_townbuild").string(), "");
  const std::string log = (root_ / "build.log").string();
  const Result r = Build({"--log", log});
  EXPECT_EQ(r.status, 1);
  const auto journal = Journal();
  ASSERT_EQ(journal.size(), 4u);
  EXPECT_EQ(journal.back().substr(0, 10), "townbuild ");
  EXPECT_EQ(ReadFile(Db() + "/krv_cho.rec"), "old");
  EXPECT_FALSE(fs::exists(Db() + "/krv_gyosei.rec"));
  EXPECT_TRUE(fs::exists(Work() + "/db/krv_gyosei.rec"));
  EXPECT_NE(r.err.find("townbuild failed (exit status 1)"), std::string::npos) << r.err;
  // With a log, the tools' output goes there and the end of it to the user.
  EXPECT_NE(r.err.find("townbuild: something went wrong"), std::string::npos) << r.err;
  EXPECT_NE(ReadFile(log).find("areabuild says hello"), std::string::npos);
  EXPECT_EQ(r.out.find("says hello"), std::string::npos);

  // The next build starts afresh in the same work folder.
  fs::remove(root_ / "bin" / "FAIL_townbuild");
  const Result again = Build();
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_NE(ReadFile(Db() + "/krv_cho.rec"), "old");
}

TEST_F(BuildCommand, RefusesToStartWithoutAreasToolsOrSources) {
  Sources({"postal"});
  const Result noAreas = Build();
  EXPECT_EQ(noAreas.status, 1);
  EXPECT_NE(noAreas.err.find("no area lists"), std::string::npos) << noAreas.err;
  EXPECT_EQ(Journal().size(), 1u);

  fs::remove(root_ / "bin" / "housebuild");
  Sources({"postal", "areas"});
  const Result noTool = Build();
  EXPECT_EQ(noTool.status, 1);
  EXPECT_NE(noTool.err.find("missing: housebuild"), std::string::npos) << noTool.err;
  EXPECT_TRUE(Journal().empty());

  fs::remove_all(root_ / "sources");
  const Result noSources = Build();
  EXPECT_EQ(noSources.status, 1);
  EXPECT_NE(noSources.err.find("does not exist"), std::string::npos) << noSources.err;
}

}  // namespace
}  // namespace krv::test
