// The seven build tools in their order on one small source set (area list,
// notation variations, postal lines, section lines, block lines, residence
// lines), run as the programs of the build when they are at hand (else
// through their run functions); the DB loads whole and addresses resolve to
// the expected levels, codes, written forms and points.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "areabuild.h"
#include "areahash.h"
#include "blockbuild.h"
#include "housebuild.h"
#include "kurovia.h"
#include "sectbuild.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class EndToEndTest : public ToolTest {
 protected:
  // Runs one tool: the program in the build's bin directory, or its run
  // function when the program has not been built.
  ToolRun Step(const char* name, RunFunction run, const std::vector<std::string>& args) const {
    const char* bin = std::getenv("KRV_BIN_DIR");
    const fs::path program = bin != nullptr ? fs::path(bin) / name : fs::path();
    if (program.empty() || !fs::exists(program)) return RunTool(run, args);
    std::string command = "LC_ALL=C.UTF-8 " + Quoted(program.string());
    for (const std::string& arg : args) command += " " + Quoted(arg);
    const std::string output = (srcDir_.path() / (std::string(name) + ".out")).string();
    command += " > " + Quoted(output) + " 2>&1";
    ToolRun result;
    const int status = std::system(command.c_str());
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(output);
    return result;
  }
};

TEST_F(EndToEndTest, SevenToolsInOrderGiveADbThatResolvesAddresses) {
  WriteAreaList({
      AreaLine(1, "都道府県名", 1000, 0, "北海道", "ほっかいどう"),
      AreaLine(2, "郡政令市名", 1100, 0, "札幌市", "さっぽろし"),
      AreaLine(3, "市区町村名", 1101, 0, "中央区", "ちゅうおうく"),
      AreaLine(4, "都道府県名", 13000, 0, "東京都", "とうきょうと"),
      AreaLine(5, "郡政令市名", 13100, 0, "特別区部", "とくべつくぶ"),
      AreaLine(6, "市区町村名", 13101, 0, "千代田区", "ちよだく"),
      AreaLine(7, "市区町村名", 13105, 0, "文京区", "ぶんきょうく"),
  });
  WriteVariations("ケ,ヶ\n");
  const std::string postal =
      WriteSource("postal", "KEN_ALL.CSV",
                  {
                      PostalLine(1101, "0600042", "ｵｵﾄﾞｵﾘﾆｼ", "大通西", 0, 0, 1),
                      PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内", 0, 0, 1),
                      PostalLine(13101, "1000004", "ｵｵﾃﾏﾁ", "大手町", 0, 0, 1),
                      PostalLine(13101, "1000013", "ｶｽﾐｹｾｷ", "霞ケ関", 0, 0, 1),
                      PostalLine(13105, "1130033", "ﾎﾝｺﾞｳ", "本郷", 0, 0, 1),
                      PostalLine(13105, "1120001", "ﾊｸｻﾝ", "白山"),
                  });
  const std::string aza = WriteSource("aza", "13_2023.csv",
                                      {
                                          "都道府県名,市区町村名,大字町丁目名,,,,,緯度,経度\r\n",
                                          SectionLine("千代田区", "丸の内", "35.6812", "139.7671"),
                                          SectionLine("千代田区", "丸の内一丁目", "35.6825", "139.7661"),
                                          SectionLine("千代田区", "丸の内二丁目", "35.6791", "139.7636"),
                                          SectionLine("千代田区", "霞ケ関一丁目", "35.6739", "139.7525"),
                                          SectionLine("文京区", "本郷一丁目"),
                                      });
  WriteSource("aza", "01_2023.csv", {SectionLine("中央区", "大通西一丁目", "43.0605", "141.3545", "北海道")});
  const std::string gaiku = WriteSource("gaiku", "13_2023.csv",
                                        {
                                            BlockLine("千代田区", "丸の内一丁目", "1", "35.6821", "139.7665"),
                                            BlockLine("千代田区", "丸の内一丁目", "2-1", "35.6822", "139.7666"),
                                            BlockLine("千代田区", "丸の内一丁目", "2-2", "35.6823", "139.7667"),
                                            BlockLine("文京区", "本郷一丁目", "3", "35.7021", "139.7581"),
                                            BlockLine("千代田区", "大手町", "甲", "35.6862", "139.7638", 0),
                                            BlockLine("文京区", "白山", "5", "35.7152", "139.7523", 0),
                                        });
  const std::string jukyo = WriteSource("jukyo", "13_gou.txt",
                                        {
                                            ResidenceLine("千代田区", "丸の内一丁目", "1", "1", "35.68211", "139.76651"),
                                            ResidenceLine("千代田区", "丸の内一丁目", "1", "2", "35.68212", "139.76652"),
                                            ResidenceLine("文京区", "本郷一丁目", "3", "イ", "35.70213", "139.75813"),
                                            ResidenceLine("千代田区", "大手町", "甲", "7", "35.68627", "139.76387"),
                                        });

  struct Tool {
    const char* name;
    RunFunction run;
    std::vector<std::string> args;
  };
  const Tool tools[] = {
      {"areabuild", tool::RunAreabuild, {Db()}},   {"areahash", tool::RunAreahash, {Db()}},
      {"townbuild", tool::RunTownbuild, {Db(), postal}}, {"townhash", tool::RunTownhash, {Db()}},
      {"sectbuild", tool::RunSectbuild, {Db(), aza}},    {"blockbuild", tool::RunBlockbuild, {Db(), gaiku}},
      {"housebuild", tool::RunHousebuild, {Db(), jukyo}},
  };
  for (const Tool& t : tools) {
    const ToolRun run = Step(t.name, t.run, t.args);
    ASSERT_EQ(run.status, 0) << t.name << "\n" << run.out;
    EXPECT_EQ(run.out.find("Ignored"), std::string::npos) << t.name << "\n" << run.out;
  }

  ASSERT_EQ(krvDbLoad(Db().c_str(), 5), 5) << krvDbErrorText();
  struct Address {
    const char* text;
    int chars;
    AdrCode code;
    const char* written;
    double x;
    double y;
  };
  const Address addresses[] = {
      {"東京都千代田区丸の内一丁目1番2号丸の内ビル", 17, {8, 13101, 2, 1, 1, 2}, "東京都千代田区丸の内一丁目1番2号",
       35.68212, 139.76652},
      {"東京都千代田区丸の内一丁目２－２", 16, {8, 13101, 2, 1, 2, 2}, "東京都千代田区丸の内一丁目2番2号", 35.6823,
       139.7667},
      {"東京都千代田区丸の内一丁目2番", 15, {7, 13101, 2, 1, 2, 0}, "東京都千代田区丸の内一丁目2番", 35.6822, 139.7666},
      {"東京都千代田区丸の内二丁目", 13, {6, 13101, 2, 2, 0, 0}, "東京都千代田区丸の内二丁目", 35.6791, 139.7636},
      {"東京都千代田区丸の内", 10, {5, 13101, 2, 0, 0, 0}, "東京都千代田区丸の内", 35.6812, 139.7671},
      {"東京都千代田区霞ヶ関一丁目", 13, {6, 13101, 4, 1, 0, 0}, "東京都千代田区霞ケ関一丁目", 35.6739, 139.7525},
      {"東京都千代田区大手町甲7号", 13, {8, 13101, 3, 0, -1, 7}, "東京都千代田区大手町甲7", 35.68627, 139.76387},
      {"東京都文京区本郷一丁目3番イ", 14, {8, 13105, 2, 1, 3, -2}, "東京都文京区本郷一丁目3番イ", 35.70213, 139.75813},
      // A section without a point takes its first block's.
      {"東京都文京区本郷一丁目", 11, {6, 13105, 2, 1, 0, 0}, "東京都文京区本郷一丁目", 35.7021, 139.7581},
      {"東京都文京区白山5番地", 11, {7, 13105, 3, 0, 5, 0}, "東京都文京区白山5番地", 35.7152, 139.7523},
      {"北海道札幌市中央区大通西一丁目", 15, {6, 1101, 2, 1, 0, 0}, "北海道札幌市中央区大通西一丁目", 43.0605,
       141.3545},
  };
  for (const Address& a : addresses) {
    AdrCode code{};
    EXPECT_EQ(krvAdrStr2Code(Sjis(a.text).c_str(), &code), a.chars) << a.text;
    const int32_t* got = &code.level;
    const int32_t* want = &a.code.level;
    EXPECT_EQ(std::vector<int32_t>(got, got + 6), std::vector<int32_t>(want, want + 6)) << a.text;
    char name[256];
    char reading[256];
    EXPECT_EQ(krvAdrCode2Str(&a.code, name, sizeof name, reading, sizeof reading), a.code.level) << a.text;
    EXPECT_EQ(Utf8(name), a.written) << a.text;
    double x = 0;
    double y = 0;
    EXPECT_EQ(krvAdrCode2Point(&a.code, &x, &y), 0) << a.text;
    EXPECT_NEAR(x, a.x, 1e-6) << a.text;
    EXPECT_NEAR(y, a.y, 1e-6) << a.text;
  }
}

}  // namespace
}  // namespace krv::test
