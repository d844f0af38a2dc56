// The kurovia commands run through RunKurovia on a small DB written by the
// test: geocode (arguments, batches, formats, encodings), reverse, postal,
// children, and the errors a user meets (DB missing or damaged, bad command
// lines).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "db_builder.h"
#include "kurovia.h"
#include "test_support.h"

namespace krv::test {
namespace {

int32_t Ms(double degrees) { return static_cast<int32_t>(std::lround(degrees * 3600000)); }

// 東京都 千代田区 丸の内 一丁目 1番 1号 2号, 2番; 大手町 (blocks without
// sections); 文京区 白山 一丁目 1番 1号; 北海道 札幌市 中央区 北一条西 二丁目.
void DeclareDb(DbBuilder& db) {
  GyoseiRecord& hokkaido = db.Area(1000, 1, "北海道", "ﾎｯｶｲﾄﾞｳ");
  hokkaido.pointX = Ms(43.064);
  hokkaido.pointY = Ms(141.347);
  db.Area(1100, 3, "札幌市", "ｻｯﾎﾟﾛｼ");
  GyoseiRecord& chuo = db.Area(1101, 4, "中央区", "ﾁｭｳｵｳｸ");
  chuo.countyCode = 1100;
  chuo.pointX = Ms(43.055);
  chuo.pointY = Ms(141.341);
  GyoseiRecord& tokyo = db.Area(13000, 1, "東京都", "ﾄｳｷｮｳﾄ");
  tokyo.pointX = Ms(35.690);
  tokyo.pointY = Ms(139.692);
  db.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ").countyCode = 13100;
  db.Area(13105, 4, "文京区", "ﾌﾞﾝｷｮｳｸ").countyCode = 13100;

  const TownRef kita1 = db.Town(1101, "北一条西", "ｷﾀ1ｼﾞｮｳﾆｼ");
  db.Section(kita1, "二丁目");
  db.PostCode(600001, kita1);

  const TownRef marunouchi = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
  const SectionRef m1 = db.Section(marunouchi, "一丁目");
  db.ResidenceFlag(m1, 1);
  const BlockRef b1 = db.Block(m1, 1, Ms(35.6812), Ms(139.7671));
  db.Residence(b1, 1, Ms(35.68125), Ms(139.76705));
  db.Residence(b1, 2, Ms(35.68130), Ms(139.76710));
  db.Block(m1, 2, Ms(35.6801), Ms(139.7652));
  db.PostCode(1000005, marunouchi);
  const TownRef otemachi = db.Town(13101, "大手町", "ｵｵﾃﾏﾁ");
  db.Block(otemachi, 1, Ms(35.6866), Ms(139.7640));

  const TownRef hakusan = db.Town(13105, "白山", "ﾊｸｻﾝ");
  const SectionRef h1 = db.Section(hakusan, "一丁目");
  db.ResidenceFlag(h1, 1);
  db.Residence(db.Block(h1, 1, Ms(35.7150), Ms(139.7520)), 1, Ms(35.71510), Ms(139.75210));
  db.PostCode(1120001, hakusan);
}

struct Result {
  int status = 0;
  std::string out;
  std::string err;
};

class KuroviaCommands : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir();
    DbBuilder db;
    DeclareDb(db);
    std::filesystem::create_directories(DbDir());
    db.Write(DbDir());
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void TearDown() override { krvDbEnd(); }

  static std::string DbDir() { return (dir_->path() / "db").string(); }

  static Result Run(std::vector<std::string> args, const std::string& input = "", bool withDb = true,
                    const cli::Environment& env = {}) {
    if (withDb && args.size() > 0 && args[0] != "build") {
      args.push_back("--db");
      args.push_back(DbDir());
    }
    std::istringstream in(input);
    std::ostringstream out, err;
    Result result;
    result.status = cli::RunKurovia(args, in, out, err, env);
    result.out = out.str();
    result.err = err.str();
    return result;
  }

  // The rows of a TSV output, split into fields (header included).
  static std::vector<std::vector<std::string>> Rows(const std::string& tsv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(tsv);
    std::string line;
    while (std::getline(lines, line)) {
      std::vector<std::string> fields;
      std::size_t start = 0;
      for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
      }
      rows.push_back(fields);
    }
    return rows;
  }

  static TempDir* dir_;
};

TempDir* KuroviaCommands::dir_ = nullptr;

// Geocode columns.
enum Col { kInput, kCode, kLevel, kGyosei, kCho, kAza, kGaiku, kJukyo, kAddress, kReading, kLat, kLon, kMatched, kRest };

TEST_F(KuroviaCommands, GeocodeGivesCodeAddressPointAndTheUnmatchedRest) {
  const Result r = Run({"geocode", "東京都千代田区丸の内一丁目1番2号丸の内ビル", "東京都 千代田区　丸の内一丁目1番1号",
                        "東京都千代田区大手町1番", "北海道札幌市中央区北一条西二丁目", "大阪府大阪市", "東京都千代田区"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Rows(r.out);
  ASSERT_EQ(rows.size(), 7u) << r.out;
  EXPECT_EQ(rows[0], (std::vector<std::string>{"input", "code", "level", "gyosei", "cho", "aza", "gaiku", "jukyo",
                                               "address", "reading", "latitude", "longitude", "matched", "rest"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"東京都千代田区丸の内一丁目1番2号丸の内ビル", "8:13101:2:1:1:2", "8",
                                               "13101", "2", "1", "1", "2", "東京都千代田区丸の内一丁目1番2号",
                                               "トウキョウトチヨダクマルノウチ一チョウメ", "35.6813", "139.7671",
                                               "17", "丸の内ビル"}));
  // Blanks are removed before matching; the input is shown as given.
  EXPECT_EQ(rows[2][kInput], "東京都 千代田区　丸の内一丁目1番1号");
  EXPECT_EQ(rows[2][kCode], "8:13101:2:1:1:1");
  EXPECT_EQ(rows[2][kLat], "35.68125");
  EXPECT_EQ(rows[2][kRest], "");
  // A town without sections: the block hangs under the town.
  EXPECT_EQ(rows[3][kCode], "7:13101:3:0:1:0");
  EXPECT_EQ(rows[3][kAddress], "東京都千代田区大手町1番地");
  EXPECT_EQ(rows[3][kLon], "139.764");
  // A ward of a designated city; a section with no point and no block
  // below it has no point.
  EXPECT_EQ(rows[4][kCode], "6:1101:2:1:0:0");
  EXPECT_EQ(rows[4][kAddress], "北海道札幌市中央区北一条西二丁目");
  EXPECT_EQ(rows[4][kLat], "");
  EXPECT_EQ(rows[4][kLon], "");
  // Nothing known: level 0, empty results, the whole text unmatched.
  EXPECT_EQ(rows[5], (std::vector<std::string>{"大阪府大阪市", "", "0", "0", "0", "0", "0", "0", "", "", "", "", "0",
                                               "大阪府大阪市"}));
  // A municipality without a point of its own takes that of its first block.
  EXPECT_EQ(rows[6][kCode], "4:13101:0:0:0:0");
  EXPECT_EQ(rows[6][kLat], "35.6812");
}

TEST_F(KuroviaCommands, OneBadLineNeverStopsABatch) {
  const std::string input =
      "東京都文京区白山一丁目1番1号\r\n"
      "\xFF\xFE broken\n"
      "\n"
      "東京都千代田区丸の内一丁目\n" +
      std::string(3000, 'x') + "\n" + "東京都文京区白山";
  const Result r = Run({"geocode", "--no-header"}, input);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto rows = Rows(r.out);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0][kCode], "8:13105:2:1:1:1");
  EXPECT_EQ(rows[0][kAddress], "東京都文京区白山一丁目1番1号");
  EXPECT_EQ(rows[1][kLevel], "0");
  EXPECT_EQ(rows[1][kInput], "\xFF\xFE broken");
  EXPECT_EQ(rows[2][kLevel], "0");
  EXPECT_EQ(rows[3][kCode], "6:13101:2:1:0:0");
  // A section without a point takes the point of its first block.
  EXPECT_EQ(rows[3][kLat], "35.6812");
  EXPECT_EQ(rows[4][kLevel], "0");
  EXPECT_EQ(rows[5][kCode], "5:13105:2:0:0:0");
}

TEST_F(KuroviaCommands, GeocodeReadsAFileAndWritesCsvAndJsonLines) {
  TempDir dir;
  WriteFile(dir.File("in.txt"), "東京都千代田区丸の内一丁目2番,\"x\"\r\n大阪府\r\n");
  const Result csv = Run({"geocode", "--input", dir.File("in.txt"), "--format", "csv"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "input,code,level,gyosei,cho,aza,gaiku,jukyo,address,reading,latitude,longitude,matched,rest\r\n"
            "\"東京都千代田区丸の内一丁目2番,\"\"x\"\"\",7:13101:2:1:2:0,7,13101,2,1,2,0,東京都千代田区丸の内一丁目2番,"
            "トウキョウトチヨダクマルノウチ一チョウメ,35.6801,139.7652,15,\",\"\"x\"\"\"\r\n"
            "大阪府,,0,0,0,0,0,0,,,,,0,大阪府\r\n");
  const Result json = Run({"geocode", "--format=jsonl", "東京都千代田区丸の内一丁目1番1号"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out,
            "{\"input\":\"東京都千代田区丸の内一丁目1番1号\",\"code\":\"8:13101:2:1:1:1\",\"level\":8,\"gyosei\":13101,"
            "\"cho\":2,\"aza\":1,\"gaiku\":1,\"jukyo\":1,\"address\":\"東京都千代田区丸の内一丁目1番1号\","
            "\"reading\":\"トウキョウトチヨダクマルノウチ一チョウメ\",\"latitude\":35.68125,\"longitude\":139.76705,"
            "\"matched\":17,\"rest\":\"\"}\n");
  const Result missing = Run({"geocode", "--input", dir.File("nothing.txt")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing.txt"), std::string::npos) << missing.err;
}

TEST_F(KuroviaCommands, InputAndOutputFollowTheChosenEncoding) {
  const std::string address = "東京都千代田区丸の内一丁目1番1号ビル";
  struct Case {
    const char* name;
    std::string in;
    std::string expected;  // address column
    std::string rest;
  };
  std::string euc(256, '\0'), eucRest(64, '\0');
  krvCharConv(0, Sjis("東京都千代田区丸の内一丁目1番1号").c_str(), euc.data(), 256);
  krvCharConv(0, Sjis("ビル").c_str(), eucRest.data(), 64);
  std::string eucIn(256, '\0');
  krvCharConv(0, Sjis(address).c_str(), eucIn.data(), 256);
  const Case cases[] = {
      {"sjis", Sjis(address), Sjis("東京都千代田区丸の内一丁目1番1号"), Sjis("ビル")},
      {"eucjp", eucIn.c_str(), euc.c_str(), eucRest.c_str()},
      {"utf8", address, "東京都千代田区丸の内一丁目1番1号", "ビル"},
  };
  for (const Case& c : cases) {
    const Result r = Run({"geocode", "--encoding", c.name, "--no-header"}, c.in + "\n");
    ASSERT_EQ(r.status, 0) << c.name << r.err;
    const auto rows = Rows(r.out);
    ASSERT_EQ(rows.size(), 1u) << c.name;
    EXPECT_EQ(rows[0][kCode], "8:13101:2:1:1:1") << c.name;
    EXPECT_EQ(rows[0][kAddress], c.expected) << c.name;
    EXPECT_EQ(rows[0][kRest], c.rest) << c.name;
    EXPECT_EQ(rows[0][kMatched], "17") << c.name;
  }
  // UTF-8 text read as Shift-JIS is not valid Shift-JIS: level 0.
  const Result wrong = Run({"geocode", "--encoding", "sjis", "--no-header"}, address + "\n");
  EXPECT_EQ(Rows(wrong.out)[0][kLevel], "0");
}

TEST_F(KuroviaCommands, ReverseWritesTheAddressOfACode) {
  const Result colon = Run({"reverse", "8:13101:2:1:1:1"});
  ASSERT_EQ(colon.status, 0) << colon.err;
  EXPECT_EQ(colon.out,
            "code\tlevel\taddress\treading\tlatitude\tlongitude\n"
            "8:13101:2:1:1:1\t8\t東京都千代田区丸の内一丁目1番1号\tトウキョウトチヨダクマルノウチ一チョウメ\t35.68125\t139.76705\n");
  EXPECT_EQ(Run({"reverse", "8", "13101", "2", "1", "1", "1"}).out, colon.out);
  const Result two = Run({"reverse", "--no-header", "4:13105", "5:13105:2"});
  EXPECT_EQ(Rows(two.out).size(), 2u);
  EXPECT_EQ(Rows(two.out)[1][2], "東京都文京区白山");

  const Result unknown = Run({"reverse", "5:13101:99", "1:13000"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("5:13101:99:0:0:0"), std::string::npos) << unknown.err;
  EXPECT_NE(unknown.err.find("no such town"), std::string::npos) << unknown.err;
  EXPECT_EQ(Rows(unknown.out).size(), 2u);  // header and the code that exists

  // An area code at a level that is not its kind.
  const Result wrongLevel = Run({"reverse", "4:13000"});
  EXPECT_EQ(wrongLevel.status, 1);
  EXPECT_NE(wrongLevel.err.find("no area of that level"), std::string::npos) << wrongLevel.err;

  const Result bad = Run({"reverse", "13101"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("usage:"), std::string::npos);
}

TEST_F(KuroviaCommands, PostalAcceptsTheCommonWritings) {
  const std::string expected =
      "postal\tcode\tlevel\tgyosei\tcho\taddress\treading\tlatitude\tlongitude\n"
      "100-0005\t5:13101:2:0:0:0\t5\t13101\t2\t東京都千代田区丸の内\tトウキョウトチヨダクマルノウチ\t35.6812\t139.7671\n";
  for (const char* text : {"1000005", "100-0005", "１００－０００５", "〒100-0005"}) {
    const Result r = Run({"postal", text});
    EXPECT_EQ(r.status, 0) << text << r.err;
    EXPECT_EQ(r.out, expected) << text;
  }
  const Result sapporo = Run({"postal", "--no-header", "060-0001"});
  EXPECT_EQ(Rows(sapporo.out)[0][5], "北海道札幌市中央区北一条西");

  const Result unknown = Run({"postal", "9999999"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("999-9999 is not in the DB"), std::string::npos) << unknown.err;
  EXPECT_EQ(Run({"postal", "12345"}).status, 2);
}

TEST_F(KuroviaCommands, ChildrenListsTheLevelBelow) {
  struct Case {
    const char* code;
    std::vector<std::vector<std::string>> rows;  // code and name of each child
  };
  const Case cases[] = {
      {"1:13000", {{"4:13101:0:0:0:0", "千代田区"}, {"4:13105:0:0:0:0", "文京区"}}},
      // The ward hangs under its designated city, not under the prefecture.
      {"1:1000", {{"3:1100:0:0:0:0", "札幌市"}}},
      {"3:1100", {{"4:1101:0:0:0:0", "中央区"}}},
      {"4:13101", {{"5:13101:2:0:0:0", "丸の内"}, {"5:13101:3:0:0:0", "大手町"}}},
      {"5:13101:2", {{"6:13101:2:1:0:0", "一丁目"}}},
      {"5:13101:3", {{"7:13101:3:0:1:0", "1番地"}}},
      {"6:13101:2:1", {{"7:13101:2:1:1:0", "1番"}, {"7:13101:2:1:2:0", "2番"}}},
      {"7:13101:2:1:1", {{"8:13101:2:1:1:1", "1号"}, {"8:13101:2:1:1:2", "2号"}}},
      {"8:13101:2:1:1:1", {}},
  };
  for (const Case& c : cases) {
    const Result r = Run({"children", "--no-header", c.code});
    ASSERT_EQ(r.status, 0) << c.code << r.err;
    const auto rows = Rows(r.out);
    ASSERT_EQ(rows.size(), c.rows.size()) << c.code << "\n" << r.out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i][0], c.rows[i][0]) << c.code;
      EXPECT_EQ(rows[i][2], c.rows[i][1]) << c.code;
    }
  }
  const Result unknown = Run({"children", "5:13101:99"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("no such town"), std::string::npos) << unknown.err;
}

TEST_F(KuroviaCommands, DbProblemsNameTheFolderOrTheFile) {
  TempDir dir;
  const std::string db = (dir.path() / "db").string();
  std::filesystem::copy(DbDir(), db);

  const Result nowhere = Run({"geocode", "東京都", "--db", (dir.path() / "none").string()}, "", false);
  EXPECT_EQ(nowhere.status, 1);
  EXPECT_NE(nowhere.err.find((dir.path() / "none").string() + " does not exist"), std::string::npos) << nowhere.err;

  // The postal index is read at every level from towns down: the library
  // words its failure as "Unknown error.", kurovia names the file.
  std::filesystem::remove(db + "/krv_post.idx");
  const Result noPostal = Run({"geocode", "東京都", "--db", db}, "", false);
  EXPECT_EQ(noPostal.status, 1);
  EXPECT_NE(noPostal.err.find(db + "/krv_post.idx: the file cannot be opened"), std::string::npos) << noPostal.err;
  EXPECT_NE(noPostal.err.find("-132"), std::string::npos) << noPostal.err;
  EXPECT_TRUE(noPostal.out.empty());
  std::filesystem::copy_file(DbDir() + "/krv_post.idx", db + "/krv_post.idx");

  // A damaged file is an error, not a shallower DB.
  TruncateFile(db + "/krv_aza.rec", 40);
  const Result damaged = Run({"reverse", "4:13101", "--db", db}, "", false);
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.err.find("Chomoku aza record file: "), std::string::npos) << damaged.err;
  EXPECT_NE(damaged.err.find(" " + db + "/krv_aza.rec"), std::string::npos) << damaged.err;

  // A missing file between two that are there.
  std::filesystem::remove(db + "/krv_aza.rec");
  const Result gap = Run({"geocode", "東京都", "--db", db}, "", false);
  EXPECT_EQ(gap.status, 1);
  EXPECT_NE(gap.err.find("File open error. " + db + "/krv_aza.rec"), std::string::npos) << gap.err;
}

TEST_F(KuroviaCommands, DbComesFromTheOptionTheEnvironmentOrTheSampleDb) {
  cli::Environment env;
  env.exeDir = (dir_->path() / "bin").string();
  // No option, no variable: the sample DB beside the executable.
  const Result sample = Run({"geocode", "東京都"}, "", false, env);
  EXPECT_EQ(sample.status, 1);
  EXPECT_NE(sample.err.find((dir_->path() / "share" / "kurovia" / "sample-db").string()), std::string::npos)
      << sample.err;
  EXPECT_NE(sample.err.find("the bundled sample DB"), std::string::npos) << sample.err;
  env.kuroviaDb = DbDir();
  const Result fromEnv = Run({"geocode", "--no-header", "東京都"}, "", false, env);
  EXPECT_EQ(fromEnv.status, 0) << fromEnv.err;
  EXPECT_EQ(Rows(fromEnv.out)[0][kCode], "1:13000:0:0:0:0");
  // The option wins over the variable.
  env.kuroviaDb = (dir_->path() / "none").string();
  EXPECT_EQ(Run({"geocode", "東京都"}, "", true, env).status, 0);
}

TEST_F(KuroviaCommands, BadCommandLinesPrintUsageAndExit2) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"geocod"},
      {"geocode", "--format", "xml", "東京都"},
      {"geocode", "--encoding", "latin1", "東京都"},
      {"geocode", "--colour", "東京都"},
      {"geocode", "--input"},
      {"geocode", "--input", "x.txt", "東京都"},
      {"reverse"},
      {"children", "x"},
      {"build", "--sources", "x"},
      {"postal", "--keep-work", "1000005"},
  };
  for (const auto& args : bad) {
    const Result r = Run(args, "", false);
    EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args[0]) << " " << r.err;
    EXPECT_NE(r.err.find("usage: kurovia"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
  }
  const Result help = Run({"--help"}, "", false);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, cli::Usage());
  EXPECT_EQ(Run({"geocode", "--help"}, "", false).out, cli::Usage());
  const Result version = Run({"--version"}, "", false);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("kurovia ") + KUROVIA_VERSION + "\n");
}

}  // namespace
}  // namespace krv::test
