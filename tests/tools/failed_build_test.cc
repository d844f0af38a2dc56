// A build that fails part-way leaves the address DB it ran over as it was,
// byte for byte: every tool writes its outputs beside the DB's files and
// replaces them only when all of them are complete, and says that the
// earlier files stay.  A disk that fills up is made by linking the temporary
// file of one output to /dev/full.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "areabuild.h"
#include "areahash.h"
#include "kurovia.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

class FailedBuildTest : public ToolTest {
 protected:
  void SetUp() override {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    // A good DB built by the tools: areas, area names, towns with a
    // multi-postcode entry, the postal index and the town names.
    WriteVariations("ケ,ヶ\n");
    BuildStandardAreaDb();
    WritePostal("ken_all.csv", {
                                   PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内"),
                                   PostalLine(13101, "1000004", "ｵｵﾃﾏﾁ", "大手町"),
                                   PostalLine(13102, "1040061", "ｷﾞﾝｻﾞ", "銀座"),
                                   PostalLine(1101, "0600042", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "大通西（１～１９丁目）", 1),
                                   PostalLine(1101, "0640820", "ｵｵﾄﾞｵﾘﾆｼ(20-28ﾁｮｳﾒ)", "大通西（２０～２８丁目）", 1),
                               });
    ASSERT_EQ(RunTownbuild().status, 0);
    ASSERT_EQ(RunTownhash().status, 0);
    before_ = Files();
    for (const char* name : {"krv_gyosei.rec", "krv_gyosei.hsh", "krv_cho.rec", "krv_post.idx", "krv_multipost.rec",
                             "krv_cho.hsh"}) {
      ASSERT_EQ(before_.count(name), 1u) << name;
    }
  }

  // Every file of the DB directory, by name.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(Db())) {
      files[entry.path().filename().string()] = ReadFile(entry.path().string());
    }
    return files;
  }

  // The next write of DB file `name` goes to a full disk.
  void DiskFullFor(const std::string& name) const { fs::create_symlink("/dev/full", DbFile(name) + ".tmp"); }

  std::string Kept(const std::string& name) const {
    return "前回のファイルはそのまま残っています。 : " + DbFile(name) + "\n";
  }

  std::map<std::string, std::string> before_;
};

TEST_F(FailedBuildTest, TownbuildReplacesNoFileWhenOneCannotBeWritten) {
  // The town records could be written; the postal index cannot.  Its old
  // file, and the town records and multi-postcode file written before it,
  // all stay.
  DiskFullFor("krv_post.idx");
  WritePostal("ken_all.csv", {PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内"),
                              PostalLine(13103, "1050011", "ｼﾊﾞｺｳｴﾝ", "芝公園")});
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("郵便番号インデックスファイル書込みエラー1：ret = 0\n" + Kept("krv_cho.rec") +
                         Kept("krv_post.idx") + Kept("krv_multipost.rec")),
            std::string::npos)
      << run.out;
  EXPECT_EQ(Files(), before_);  // the temporary files are gone too
}

TEST_F(FailedBuildTest, HashBuildersKeepTheirFilesOnAFullDisk) {
  DiskFullFor("krv_cho.hsh");
  const ToolRun towns = RunTownhash();
  EXPECT_EQ(towns.status, 1);
  EXPECT_NE(towns.out.find(Kept("krv_cho.hsh")), std::string::npos) << towns.out;

  DiskFullFor("krv_gyosei.hsh");
  const ToolRun areas = RunTool(tool::RunAreahash, {Db()});
  EXPECT_EQ(areas.status, 1);
  EXPECT_NE(areas.out.find(" write error\n" + Kept("krv_gyosei.hsh")), std::string::npos)
      << areas.out;

  DiskFullFor("krv_gyosei.rec");
  const ToolRun records = RunTool(tool::RunAreabuild, {Db()});
  EXPECT_EQ(records.status, 1);
  EXPECT_NE(records.out.find(Kept("krv_gyosei.rec")), std::string::npos) << records.out;

  EXPECT_EQ(Files(), before_);
}

TEST_F(FailedBuildTest, AreabuildStoppedByItsCapacityKeepsTheRecords) {
  // The 4,999th area fills the record table half-way through the list.
  std::vector<std::string> lines;
  for (int i = 0; i < 4999; ++i) lines.push_back(AreaLine(i, "市区町村名", 1001 + i, 0, "名前"));
  WriteAreaList(lines);
  before_["krv_gyoseimei.csv"] = ReadFile(DbFile("krv_gyoseimei.csv"));
  const ToolRun run = RunTool(tool::RunAreabuild, {Db()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "通常起こらないエラー：Record number error.\n" + Kept("krv_gyosei.rec"));
  EXPECT_EQ(Files(), before_);
}

}  // namespace
}  // namespace krv::test
