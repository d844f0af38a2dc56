// townbuild: town records, the postal-code index and the multi-postcode file
// from small postal-code lists, read back through ChoRecLoad, ChoRecGet,
// ChoRecNumRecords, PostIndexLoad and PostIndexGet (the multi-postcode file,
// which the library does not read, through the shared layout).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "db_file.h"
#include "kurovia.h"
#include "tool_fixture.h"
#include "townbuild.h"

namespace krv::test {
namespace {

struct Town {
  int32_t townNo;
  std::string name;  // UTF-8
  std::string kana;  // UTF-8
  int32_t postCode;
  uint32_t flags;
};

class TownbuildTest : public ToolTest {
 protected:
  void TearDown() override {
    ChoRecEnd();
    PostIndexEnd();
    ToolTest::TearDown();
  }

  void Load() const {
    ASSERT_GE(ChoRecLoad(DbFile("krv_cho.rec").c_str()), 0);
    ASSERT_GE(PostIndexLoad(DbFile("krv_post.idx").c_str()), 0);
  }

  static Town Get(int32_t area, int32_t townNo) {
    ChoRecord r{};
    EXPECT_EQ(ChoRecGet(area, townNo, &r), 0) << area << " " << townNo;
    EXPECT_EQ(r.azaIndex, 0);
    EXPECT_EQ(r.gaikuIndex, 0);
    EXPECT_EQ(r.pointX, 0);
    EXPECT_EQ(r.pointY, 0);
    return Town{r.townNo, Utf8(r.name), Utf8(r.kana), r.postCode, r.flags};
  }

  static void ExpectTown(int32_t area, int32_t townNo, const std::string& name, int32_t postCode) {
    const Town town = Get(area, townNo);
    EXPECT_EQ(town.townNo, townNo);
    EXPECT_EQ(town.name, name) << area << " " << townNo;
    EXPECT_EQ(town.postCode, postCode) << area << " " << townNo;
  }

  static void ExpectOwnRecord(int32_t area, int32_t firstOf) {
    ChoRecord r{};
    ASSERT_EQ(ChoRecGet(area, firstOf, &r), 0);
    ChoRecord own{};
    own.townNo = 1;
    EXPECT_EQ(std::memcmp(&r, &own, sizeof r), 0) << area;
  }

  // The postal index entry of `code`: {area, town}, or {-2, 0} when absent.
  static std::pair<int32_t, int32_t> Post(int32_t code) {
    int32_t area = 0;
    int32_t town = 0;
    const int found = PostIndexGet(code, &area, &town);
    if (found != 0) return {found, 0};
    return {area, town};
  }

  // The text of multi-postcode entry n (up to its line feed), in UTF-8.
  std::string MultiPostText(int n, int32_t* townNo = nullptr) const {
    const std::string bytes = ReadFile(DbFile("krv_multipost.rec"));
    format::MultiPostEntry entry{};
    std::memcpy(&entry, bytes.data() + sizeof(format::MultiPostHeader) + n * sizeof entry, sizeof entry);
    if (townNo != nullptr) *townNo = entry.townNo;
    const std::size_t end = bytes.find('\n', static_cast<std::size_t>(entry.textOffset));
    EXPECT_EQ(bytes[end + 1], '\0');
    return Utf8(bytes.substr(static_cast<std::size_t>(entry.textOffset), end - entry.textOffset));
  }

  format::MultiPostHeader MultiPostHeader() const {
    const std::string bytes = ReadFile(DbFile("krv_multipost.rec"));
    format::MultiPostHeader header{};
    std::memcpy(&header, bytes.data(), sizeof header);
    return header;
  }

  // The printed lines between the start and end lines of the only file.
  static std::string Messages(const ToolRun& run) {
    const std::size_t start = run.out.find("**** \n");
    const std::size_t end = run.out.find("---- end");
    if (start == std::string::npos || end == std::string::npos) return run.out;
    return run.out.substr(start + 6, end - start - 6);
  }
};

TEST_F(TownbuildTest, SkipRules) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(13101, "1000000", "ｲｶﾆｹｲｻｲｶﾞﾅｲﾊﾞｱｲ", "以下に掲載がない場合"),
                                 PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田"),
                                 PostalLine(13101, "1020000", "ﾂｷﾞﾆﾊﾞﾝﾁｶﾞｸﾙﾊﾞｱｲ", "次に番地がくる場合"),
                                 PostalLine(13101, "1000002", "", ""),
                                 PostalLine(999, "1000003", "ｱ", "範囲外"),
                                 PostalLine(48000, "1000004", "ｱ", "範囲外"),
                                 PostalLine(13101, "1006123", "ﾏﾙﾉｳﾁｼﾞｪｲﾋﾟｰﾀﾜｰ", "丸の内ＪＰタワー（２３階）"),
                                 PostalLine(13101, "1005123", "ﾏﾙﾉｳﾁ", "丸の内"),
                                 PostalLine(1000, "0000001", "ｱ", "最小"),
                                 PostalLine(47999, "9999999", "ｱ", "最大"),
                             });
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Messages(run),
            "Ignored: line=1 name=以下に掲載がない場合\n"
            "Ignored: line=3 name=次に番地がくる場合\n"
            " Name length is 0. m_lineNum = 4\n"
            " City Code is out of range. cityCode = 999  m_lineNum = 5\n"
            " City Code is out of range. cityCode = 48000  m_lineNum = 6\n"
            "Ignored: line=7 post=1006123 name=丸の内ＪＰタワー（２３階）\n");
  Load();
  EXPECT_EQ(ChoRecNumRecords(13101), 3);
  ExpectTown(13101, 2, "千代田", 1000001);
  ExpectTown(13101, 3, "丸の内", 1005123);
  EXPECT_EQ(ChoRecNumRecords(1000), 2);
  EXPECT_EQ(ChoRecNumRecords(47999), 2);
  EXPECT_EQ(Post(1005123), (std::pair<int32_t, int32_t>{13101, 3}));
  EXPECT_EQ(Post(1006123).first, -2);
  EXPECT_EQ(Post(1000000).first, -2);
  EXPECT_EQ(Post(1), (std::pair<int32_t, int32_t>{1000, 2}));
  EXPECT_EQ(Post(9999999), (std::pair<int32_t, int32_t>{47999, 2}));
}

TEST_F(TownbuildTest, OwnRecordsTownNumbersAndFields) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田", 0, 0, 0),
                                 PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ(ﾂｷﾞﾉﾋﾞﾙｦﾉｿﾞｸ)", "丸の内（次のビルを除く）", 0, 0, 1),
                                 PostalLine(13101, "1000006", "ﾕｳﾗｸﾁｮｳ", "有楽町", 0, 1, 1),
                                 PostalLine(13103, "1050001", "ﾄﾗﾉﾓﾝ", "虎ノ門", 0, 1, 0),
                             });
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find(" : total records = 8 ---- \n"), std::string::npos) << run.out;
  Load();
  // Municipalities without lines get their own record alone.
  EXPECT_EQ(ChoRecNumRecords(13101), 4);
  EXPECT_EQ(ChoRecNumRecords(13102), 1);
  EXPECT_EQ(ChoRecNumRecords(13103), 2);
  EXPECT_EQ(ChoRecNumRecords(1101), 1);
  EXPECT_EQ(ChoRecNumRecords(13000), 0);  // a prefecture has no towns
  EXPECT_EQ(ChoRecNumRecords(13100), 0);
  for (const int32_t area : {13101, 13102, 13103, 1101}) ExpectOwnRecord(area, 1);

  const Town marunouchi = Get(13101, 3);
  EXPECT_EQ(marunouchi.name, "丸の内");
  EXPECT_EQ(marunouchi.kana, "ﾏﾙﾉｳﾁ");
  EXPECT_EQ(marunouchi.postCode, 1000005);
  EXPECT_EQ(marunouchi.flags, 1u);
  EXPECT_EQ(Get(13101, 2).flags, 0u);
  EXPECT_EQ(Get(13101, 4).flags, 3u);
  EXPECT_EQ(Get(13103, 2).flags, 2u);
  EXPECT_EQ(Get(13103, 2).name, "虎ノ門");
  EXPECT_EQ(Post(1050001), (std::pair<int32_t, int32_t>{13103, 2}));
  EXPECT_EQ(PostIndexNumRecords(), 4);
}

TEST_F(TownbuildTest, LotDivisionNamesAreCutBeforeTheirNumber) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(13101, "1000001", "ｳｴﾉﾉ39ﾁﾜﾘ", "上野々３９地割"),
                                 PostalLine(13101, "1000002", "ｳｶｲﾀﾞｲ1ﾁﾜﾘ", "鵜飼第１地割"),
                                 PostalLine(13101, "1000003", "ﾂｷｼﾞ", "築地"),
                                 PostalLine(13101, "1000004", "ｶﾜｲ(ﾀﾞｲ9ﾁﾜﾘ-ﾀﾞｲ11ﾁﾜﾘ)", "川井（第９地割～第１１地割）", 1),
                             });
  ASSERT_EQ(RunTownbuild().status, 0);
  Load();
  const std::pair<std::string, std::string> expected[] = {
      {"上野々", "ｳｴﾉﾉ"}, {"鵜飼", "ｳｶｲﾀﾞｲ"}, {"築地", "ﾂｷｼﾞ"}, {"川井", "ｶﾜｲ"}};
  for (int32_t i = 0; i < 4; ++i) {
    const Town town = Get(13101, i + 2);
    EXPECT_EQ(town.name, expected[i].first);
    EXPECT_EQ(town.kana, expected[i].second);
  }
  EXPECT_EQ(MultiPostText(1), "川井;1000004>第９地割～第１１地割;");
}

// Only names that say 地割 are cut, and never inside their parentheses:
// 工業団地１条 and 工業団地２条 are towns of their own, and the number inside
// （７０～１８０番地） leaves the next line alone.
TEST_F(TownbuildTest, OnlyLotDivisionNamesAreCut) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(13101, "1000001", "ｺｳｷﾞｮｳﾀﾞﾝﾁ1ｼﾞｮｳ", "工業団地１条"),
                                 PostalLine(13101, "1000002", "ｺｳｷﾞｮｳﾀﾞﾝﾁ2ｼﾞｮｳ", "工業団地２条"),
                                 PostalLine(13101, "1000003", "ﾃﾗｺ(70-180ﾊﾞﾝﾁ)", "寺子（７０～１８０番地）"),
                                 PostalLine(13101, "1000004", "ﾃﾗｺｵﾂ", "寺子乙"),
                                 PostalLine(13101, "1000005", "ｶﾜｲ(ﾀﾞｲ9ﾁﾜﾘ)", "川井（第９地割）"),
                             });
  ASSERT_EQ(RunTownbuild().status, 0);
  Load();
  const std::pair<std::string, std::string> expected[] = {{"工業団地１条", "ｺｳｷﾞｮｳﾀﾞﾝﾁ1ｼﾞｮｳ"},
                                                          {"工業団地２条", "ｺｳｷﾞｮｳﾀﾞﾝﾁ2ｼﾞｮｳ"},
                                                          {"寺子", "ﾃﾗｺ"},
                                                          {"寺子乙", "ﾃﾗｺｵﾂ"},
                                                          {"川井", "ｶﾜｲ"}};
  for (int32_t i = 0; i < 5; ++i) {
    const Town town = Get(13101, i + 2);
    EXPECT_EQ(town.name, expected[i].first);
    EXPECT_EQ(town.kana, expected[i].second);
  }
  EXPECT_EQ(Post(1000004), (std::pair<int32_t, int32_t>{13101, 5}));
}

TEST_F(TownbuildTest, ParenthesisOverThreeLines) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(1101, "0600042", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "大通西（１～"),
                                 PostalLine(1101, "0600042", "", "１９丁目、"),
                                 PostalLine(1101, "0600042", "", "２０丁目）"),
                                 PostalLine(1101, "0600000", "", "以下に掲載がない場合"),
                                 PostalLine(1101, "0600041", "ｵｵﾄﾞｵﾘﾋｶﾞｼ", "大通東"),
                             });
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  // The consumed lines count in the line numbers of later messages.
  EXPECT_EQ(Messages(run), "Ignored: line=4 name=以下に掲載がない場合\n");
  Load();
  EXPECT_EQ(ChoRecNumRecords(1101), 3);
  const Town odori = Get(1101, 2);
  EXPECT_EQ(odori.name, "大通西");
  EXPECT_EQ(odori.kana, "ｵｵﾄﾞｵﾘﾆｼ");
  ExpectTown(1101, 3, "大通東", 600041);
  EXPECT_EQ(Post(600042), (std::pair<int32_t, int32_t>{1101, 2}));
}

TEST_F(TownbuildTest, AnUnclosedParenthesisEndsTheFile) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(1101, "0600041", "ｵｵﾄﾞｵﾘﾋｶﾞｼ", "大通東"),
                                 PostalLine(1101, "0600042", "ｵｵﾄﾞｵﾘﾆｼ", "大通西（１～"),
                                 PostalLine(1101, "0600042", "", "１９丁目、"),
                             });
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Messages(run), "Error#6: parenthesis parse error. code = -1\n    at line number = 3  : MakeRecordFile()\n");
  EXPECT_NE(run.out.find("total records = 0 ---- "), std::string::npos);
  // Nothing of the file is kept: no town and no postal code points at
  // records that were not written.
  Load();
  EXPECT_EQ(ChoRecNumRecords(1101), 0);
  EXPECT_EQ(Post(600041).first, -2);
}

TEST_F(TownbuildTest, NameAndReadingLengths) {
  BuildStandardAreaDb();
  std::string kanji30;
  for (int i = 0; i < 15; ++i) kanji30 += "あ";
  std::string kana28;
  for (int i = 0; i < 28; ++i) kana28 += "ｱ";
  WritePostal("ken_all.csv", {
                                 PostalLine(13101, "1000001", "ｱ", kanji30),
                                 PostalLine(13101, "1000002", "ｱ", kanji30 + "a"),
                                 PostalLine(13101, "1000003", kana28, "かな"),
                                 PostalLine(13101, "1000004", kana28 + "ｲ", "かなかな"),
                                 PostalLine(13101, "1000005", "ｱ", "最後"),
                             });
  const ToolRun run = RunTownbuild();
  // An over-long line is reported and skipped; the rest of the file stays.
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Messages(run), "Error#7: Cho/Oaza name exceeds 30 bytes. name = " + kanji30 +
                               "a\n    at line number = 2  : MakeRecordFile()\n"
                               "Error#8: Kana exceeds 28 bytes. name = " + kana28 +
                               "ｲ\n    at line number = 4  : MakeRecordFile()\n");
  Load();
  EXPECT_EQ(ChoRecNumRecords(13101), 4);
  ExpectTown(13101, 2, kanji30, 1000001);
  ExpectTown(13101, 3, "かな", 1000003);
  EXPECT_EQ(Get(13101, 3).kana, kana28);
  ExpectTown(13101, 4, "最後", 1000005);
  EXPECT_EQ(Post(1000002).first, -2);
}

TEST_F(TownbuildTest, TownsWithSeveralPostalCodes) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(1101, "0600041", "ｵｵﾄﾞｵﾘﾋｶﾞｼ", "大通東"),
                                 PostalLine(1101, "0600042", "ｵｵﾄﾞｵﾘﾆｼ(1-19ﾁｮｳﾒ)", "大通西（１～１９丁目）", 1),
                                 PostalLine(1101, "0640820", "ｵｵﾄﾞｵﾘﾆｼ(20-28ﾁｮｳﾒ)", "大通西（２０～", 1),
                                 PostalLine(1101, "0640820", "", "２８丁目）", 1),
                                 PostalLine(1101, "0640821", "ｵｵﾄﾞｵﾘﾆｼ", "大通西", 1),
                                 PostalLine(1101, "0640822", "ｵｵﾄﾞｵﾘﾆｼ(29ﾁｮｳﾒ)", "大通西（２９丁目）", 0),
                                 PostalLine(1101, "0600000", "", "以下に掲載がない場合"),
                                 PostalLine(1101, "0600001", "ｷﾀ1ｼﾞｮｳﾆｼ", "北一条西", 1),
                                 PostalLine(1101, "0600002", "ﾐﾅﾐ1ｼﾞｮｳﾆｼ", "南一条西", 0),
                             });
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(Messages(run),
            "warning : multi-post-code flag is not set. name = 大通西\n"
            "Ignored: line=7 name=以下に掲載がない場合\n");
  Load();
  EXPECT_EQ(ChoRecNumRecords(1101), 5);
  ExpectTown(1101, 2, "大通東", 600041);
  ExpectTown(1101, 3, "大通西", -1);
  ExpectTown(1101, 4, "北一条西", -2);
  ExpectTown(1101, 5, "南一条西", 600002);
  for (const int32_t code : {600042, 640820, 640821, 640822}) {
    EXPECT_EQ(Post(code), (std::pair<int32_t, int32_t>{1101, 3})) << code;
  }
  EXPECT_EQ(Post(600001), (std::pair<int32_t, int32_t>{1101, 4}));

  const format::MultiPostHeader header = MultiPostHeader();
  EXPECT_EQ(std::string(header.id, 8), "multpost");
  EXPECT_EQ(header.version, 1);
  EXPECT_EQ(header.capacity, 10000);
  EXPECT_EQ(header.nextFreeEntry, 3);
  int32_t townNo = 0;
  EXPECT_EQ(MultiPostText(1, &townNo), "大通西;600042>１～１９丁目;640820>２０～２８丁目;640821>;640822>２９丁目;");
  EXPECT_EQ(townNo, 3);
  EXPECT_EQ(MultiPostText(2, &townNo), "北一条西;600001>;");
  EXPECT_EQ(townNo, 4);
}

TEST_F(TownbuildTest, DroppedRepeatLinesGiveBackTheirTownNumber) {
  BuildStandardAreaDb();
  WritePostal("ken_all.csv", {
                                 PostalLine(16211, "9390341", "ｻﾝｶﾞ", "三ケ", 1),
                                 PostalLine(16211, "9390351", "ﾍﾜﾘ", "戸破", 1),
                                 PostalLine(16211, "9390352", "ﾍﾜﾘ", "戸破二", 1),
                                 PostalLine(16211, "9390343", "ﾐﾂｹ", "三ケ", 1),
                             });
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  Load();
  EXPECT_EQ(ChoRecNumRecords(16211), 3);
  ExpectTown(16211, 2, "戸破二", -1);
  ExpectTown(16211, 3, "三ケ", -2);
  EXPECT_EQ(Post(9390341).first, -2);
  EXPECT_EQ(Post(9390351).first, -2);
  EXPECT_EQ(Post(9390343), (std::pair<int32_t, int32_t>{16211, 3}));
}

TEST_F(TownbuildTest, MultiPostcodeEntryCapacity) {
  BuildStandardAreaDb();
  for (const int towns : {9998, 9999}) {
    std::vector<std::string> lines;
    for (int i = 0; i < towns; ++i) lines.push_back(PostalLine(1101, "0600001", "ｱ", "町" + std::to_string(i), 1));
    WritePostal("ken_all.csv", lines);
    const ToolRun run = RunTownbuild();
    if (towns == 9998) {
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(MultiPostHeader().nextFreeEntry, 9999);
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(Messages(run),
                "Error#8 : multi post record exceeds limit.    at line number = 9999  : SaveMultiPostCode()\n");
      EXPECT_EQ(MultiPostHeader().nextFreeEntry, 10000);
      EXPECT_EQ(MultiPostText(9999), "町9998;600001>;");
    }
  }
  // A later file finds the table full and is refused at its first such town.
  WritePostal("z.csv", {PostalLine(1101, "0600002", "ｱ", "後の町"), PostalLine(1101, "0600003", "ｱ", "後の町二", 1)});
  const ToolRun full = RunTownbuild();
  EXPECT_EQ(full.status, 1);
  EXPECT_NE(full.out.find("Error#8 : multi post record exceeds limit.    at line number = 2  : SaveMultiPostCode()\n"),
            std::string::npos)
      << full.out;
  EXPECT_EQ(MultiPostHeader().nextFreeEntry, 10000);
}

TEST_F(TownbuildTest, TwoFiles) {
  BuildStandardAreaDb();
  WritePostal("a.csv", {PostalLine(13101, "1000001", "ｱ", "一の町")});
  WritePostal("b.csv", {PostalLine(13101, "1000002", "ｲ", "二の町"), PostalLine(13102, "1040001", "ｳ", "三の町")});
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("/a.csv : total records = 5 ---- \n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("/b.csv : total records = 9 ---- \n"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("end time"), std::string::npos);
  Load();
  // The area table points at the later group.
  EXPECT_EQ(ChoRecNumRecords(13101), 2);
  ExpectTown(13101, 2, "二の町", 1000002);
  EXPECT_EQ(ChoRecNumRecords(13102), 2);
  ExpectTown(13102, 2, "三の町", 1040001);
  // The index keeps the earlier group's town number for the earlier code.
  EXPECT_EQ(Post(1000001), (std::pair<int32_t, int32_t>{13101, 2}));
}

TEST_F(TownbuildTest, RecordCapacity) {
  BuildAreaDb({AreaLine(1, "市区町村名", 13101, 0, "千代田区")});
  // The own record and 149,998 towns fill 149,999 slots; one town more
  // reaches the 150,000th and ends the file.
  for (const int towns : {149998, 149999}) {
    std::string text;
    const std::string line = PostalLine(13101, "1000001", "ｱ", "町");
    for (int i = 0; i < towns; ++i) text += line;
    WriteFile(SrcFile("ken_all.csv"), Sjis(text));
    const ToolRun run = RunTownbuild();
    ChoRecEnd();
    PostIndexEnd();
    if (towns == 149998) {
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(ChoRecLoad(DbFile("krv_cho.rec").c_str()), 149999);
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(Messages(run),
                "Error#10 : Record exceeds max number .    at line number = 149999  : MakeRecordFile()\n");
      EXPECT_EQ(ChoRecLoad(DbFile("krv_cho.rec").c_str()), 0);
    }
  }
}

TEST_F(TownbuildTest, ALastLineWithoutLineEndIsRead) {
  BuildStandardAreaDb();
  std::string last = PostalLine(13101, "1000002", "ﾏﾙﾉｳﾁ", "丸の内");
  last.resize(last.size() - 2);
  WritePostal("ken_all.csv", {PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田"), last});
  ASSERT_EQ(RunTownbuild().status, 0);
  Load();
  EXPECT_EQ(ChoRecNumRecords(13101), 3);
  ExpectTown(13101, 3, "丸の内", 1000002);
}

TEST_F(TownbuildTest, AFailedRunLeavesTheEarlierFiles) {
  BuildStandardAreaDb();
  WriteFile(DbFile("krv_cho.rec"), "earlier town records");
  WriteFile(DbFile("krv_post.idx"), "earlier postal index");
  WritePostal("ken_all.dat", {PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")});
  EXPECT_EQ(RunTownbuild().status, 1);
  EXPECT_EQ(ReadFile(DbFile("krv_cho.rec")), "earlier town records");
  EXPECT_EQ(ReadFile(DbFile("krv_post.idx")), "earlier postal index");
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_cho.rec.tmp")));
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_post.idx.tmp")));
}

}  // namespace
}  // namespace krv::test
