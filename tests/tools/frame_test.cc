// The frame shared by the tools: printed output and its charsets, line
// reading, field splitting, the source-directory scan and the run frame as
// townbuild drives it.
#include <gtest/gtest.h>

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "areahash.h"
#include "db_file.h"
#include "fields.h"
#include "kurovia.h"
#include "frame.h"
#include "line_reader.h"
#include "output.h"
#include "source_line.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

using tool::Arg;
using tool::Charset;
using tool::Output;

// ---------------------------------------------------------------------------
// Output

TEST(OutputTest, LiteralsFollowTheCharsetAndArgumentsKeepTheirKind) {
  const std::string name = Sjis("丸の内");
  const std::string path = "/tmp/" + Sjis("住所") + "/x.csv";
  struct Case {
    Charset charset;
    std::string expected;
  };
  const Case cases[] = {
      {Charset::kUtf8, "名前 = 丸の内 : /tmp/" + Sjis("住所") + "/x.csv : 12 : 1.5\n"},
      {Charset::kShiftJis, Sjis("名前 = 丸の内 : ") + "/tmp/" + Sjis("住所") + "/x.csv : 12 : 1.5\n"},
  };
  for (const Case& c : cases) {
    Output out(c.charset);
    out.Info("名前 = %s : %s : %d : %.1f\n", {Arg::Sjis(name), Arg::Path(path), 12, 1.5});
    EXPECT_EQ(out.text(), c.expected);
    EXPECT_FALSE(out.error_printed());
  }
}

TEST(OutputTest, ArgumentsAreNeverReadAsFormats) {
  Output out(Charset::kUtf8);
  out.Warn("name = %s : %d\n", {Arg::Sjis("%s%d%n"), 7});
  EXPECT_EQ(out.text(), "name = %s%d%n : 7\n");
}

TEST(OutputTest, DamagedShiftJisIsPrintedWithQuestionMarks) {
  Output out(Charset::kUtf8);
  out.Info("%s", {Arg::Sjis(Sjis("東") + "\xFF" + Sjis("京"))});
  EXPECT_EQ(out.text(), "東?京");
}

TEST(OutputTest, ErrorsDecideTheExitStatus) {
  Output out(Charset::kUtf8);
  out.Info("a\n");
  out.Warn("b\n");
  EXPECT_EQ(out.ExitStatus(), 0);
  out.ErrorToStderr("c\n");
  EXPECT_EQ(out.ExitStatus(), 1);
  EXPECT_EQ(out.text(), "a\nb\n");
  EXPECT_EQ(out.error_text(), "c\n");
}

// ---------------------------------------------------------------------------
// Line reading and fields

TEST(LineReaderTest, PiecesLineEndsAndALastLineWithoutLineEnd) {
  TempDir dir;
  WriteFile(dir.File("f"), "abc\r\nabcdefgh\nx\ry\r\nlast");
  tool::LineReader reader;
  ASSERT_TRUE(reader.Open(dir.File("f")));
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.ReadLine(5, &line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"abc\n", "abcde", "fgh\n", "x\ry\n", "last"}));
  EXPECT_FALSE(reader.error());
}

TEST(LineReaderTest, SeekReturnsToAnEarlierLine) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "line " + std::to_string(i) + "\n";
  WriteFile(dir.File("f"), text);
  tool::LineReader reader;
  ASSERT_TRUE(reader.Open(dir.File("f")));
  std::string_view line;
  ASSERT_TRUE(reader.ReadLine(255, &line));
  const uint64_t second = reader.Tell();
  for (int i = 0; i < 15000; ++i) ASSERT_TRUE(reader.ReadLine(255, &line));  // beyond the first block
  ASSERT_TRUE(reader.Seek(second));
  ASSERT_TRUE(reader.ReadLine(255, &line));
  EXPECT_EQ(line, "line 1\n");
}

TEST(SplitFieldsTest, QuotedFieldsAndTheLastField) {
  const std::string line = Sjis("1,千代田区,\"丸の内一丁目\",\"x\"\r\n");
  std::string_view f[11];
  EXPECT_EQ(tool::SplitFields(line, f, 11, 1023, tool::Quotes::kAll), 4u);
  EXPECT_EQ(f[1], Sjis("千代田区"));
  EXPECT_EQ(f[2], Sjis("丸の内一丁目"));
  EXPECT_EQ(f[3], "x");
  EXPECT_TRUE(f[4].empty());

  const std::string plain = "a,\"b\",\"c\"\n";
  EXPECT_EQ(tool::SplitFields(plain, f, 11, 1023, tool::Quotes::kAllButLast), 3u);
  EXPECT_EQ(f[1], "b");
  EXPECT_EQ(f[2], "\"c\"\n");  // the text after the last comma stays as it is
}

TEST(SplitFieldsTest, LimitsAndEmptyEnds) {
  std::string_view f[3];
  EXPECT_EQ(tool::SplitFields("", f, 3, 1023, tool::Quotes::kAll), 0u);
  EXPECT_EQ(tool::SplitFields("a,b,", f, 3, 1023, tool::Quotes::kAll), 2u);  // no empty last field
  EXPECT_EQ(tool::SplitFields("a,b,c,d,e", f, 3, 1023, tool::Quotes::kAll), 3u);
  EXPECT_EQ(f[2], "c");
  EXPECT_EQ(tool::SplitFields("abcdef,\"gh", f, 3, 4, tool::Quotes::kAll), 2u);
  EXPECT_EQ(f[0], "abcd");
  EXPECT_EQ(f[1], "gh");  // an unclosed quote runs to the end of the field
}

TEST(ParseIntTest, ReadsLikeAtoi) {
  const std::pair<const char*, int32_t> cases[] = {
      {"0600000", 600000}, {"  42x", 42}, {"-15", -15}, {"", 0}, {"abc", 0}, {"99999999999", 2147483647},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(tool::ParseInt(text), value) << text;
}

TEST(ParseDoubleTest, ReadsLikeAtofAlsoAFieldBeyondTheLine) {
  std::string_view f[11];
  ASSERT_EQ(tool::SplitFields("35.5,139", f, 11, 1023, tool::Quotes::kAll), 2u);
  EXPECT_EQ(tool::ParseDouble(f[0]), 35.5);
  EXPECT_EQ(tool::ParseDouble(f[1]), 139.0);
  EXPECT_EQ(tool::ParseDouble(f[7]), 0.0);  // no column 8 on this line: a view without data
  EXPECT_EQ(tool::ParseDouble(" 1394530.25x"), 1394530.25);
}

TEST(SourceFileNameTest, PrefectureAndYear) {
  struct Case {
    const char* path;
    tool::FileNameCheck check;
  };
  const Case cases[] = {
      {"/d/13_2003.csv", tool::FileNameCheck::kOk},
      {"/d/47_1900.txt", tool::FileNameCheck::kOk},
      {"/d/48_2003.csv", tool::FileNameCheck::kBadPrefecture},
      {"/d/0_2003.csv", tool::FileNameCheck::kBadPrefecture},
      {"/d/13_1899.csv", tool::FileNameCheck::kBadYear},
      {"/d/13_2051.csv", tool::FileNameCheck::kBadYear},
      {"/d/13-2003.csv", tool::FileNameCheck::kBadFormat},
      {"/d/tokyo.csv", tool::FileNameCheck::kBadFormat},
  };
  for (const Case& c : cases) {
    int pref = 0;
    int year = 0;
    EXPECT_EQ(tool::CheckSourceFileName(c.path, &pref, &year), c.check) << c.path;
  }
}

// "Thu Dec 10 06:13:36 2026": weekday, month, day padded with a blank,
// time, year.
bool IsTimeText(const std::string& text) {
  const std::string pattern = "Aaa Aaa _9 99:99:99 9999";
  if (text.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (pattern[i]) {
      case 'A': if (c < 'A' || c > 'Z') return false; break;
      case 'a': if (c < 'a' || c > 'z') return false; break;
      case '9': if (c < '0' || c > '9') return false; break;
      case '_': if (c != ' ' && (c < '1' || c > '3')) return false; break;
      default: if (c != pattern[i]) return false;
    }
  }
  return true;
}

TEST(TimeTextTest, TwentyFourCharacters) {
  const std::string text = tool::TimeText(std::time(nullptr));
  EXPECT_TRUE(IsTimeText(text)) << text;
  std::tm day{};
  day.tm_year = 2026 - 1900;
  day.tm_mon = 11;
  day.tm_mday = 3;
  day.tm_hour = 6;
  day.tm_min = 13;
  day.tm_sec = 36;
  day.tm_isdst = -1;
  EXPECT_EQ(tool::TimeText(std::mktime(&day)), "Thu Dec  3 06:13:36 2026");
}

// ---------------------------------------------------------------------------
// The run frame, as townbuild uses it

class FrameTest : public ToolTest {};

TEST_F(FrameTest, FewerThanTwoArgumentsPrintTheUsage) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {Db()}}) {
    const ToolRun run = RunTool(tool::RunTownbuild, args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, " townbuild dbDirName sourceDirName");
  }
}

TEST_F(FrameTest, ADbThatCannotBeLoadedIsReported) {
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "住所DBをメモリにロードできません。 err = -12\n");
}

TEST_F(FrameTest, SourceDirectoryOf255BytesIsAcceptedAnd256Refused) {
  BuildStandardAreaDb();
  // A directory path of exactly 255 bytes below the source directory.
  std::string dir = Src();
  dir += "/" + std::string(255 - dir.size() - 1, 'd');
  ASSERT_EQ(dir.size(), 255u);
  std::filesystem::create_directory(dir);
  WriteFile(dir + "/a.csv", SjisLines({PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")}));

  const ToolRun accepted = RunTool(tool::RunTownbuild, {Db(), dir});
  EXPECT_EQ(accepted.status, 0) << accepted.out;
  EXPECT_NE(accepted.out.find("**** start : file name = "), std::string::npos);

  const ToolRun refused = RunTool(tool::RunTownbuild, {Db(), dir + "e"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, " 元データのディレクトリ名は255文字以内にして下さい。");
}

TEST_F(FrameTest, ADirectoryWithOnlySubdirectoriesHasNoFile) {
  BuildStandardAreaDb();
  std::filesystem::create_directory(SrcFile("sub.csv"));
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "指定されたディレクトリにはファイルがありません。");
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_cho.rec")));
}

TEST_F(FrameTest, SixtyFilesOfWhichTheFirst47ByNameAreRead) {
  BuildStandardAreaDb();
  for (int i = 0; i < 60; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%02d.csv", i);
    WritePostal(name, {PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")});
  }
  const ToolRun run = RunTownbuild();
  EXPECT_EQ(run.status, 0);
  std::size_t starts = 0;
  for (std::size_t at = run.out.find("**** start"); at != std::string::npos; at = run.out.find("**** start", at + 1)) {
    ++starts;
  }
  EXPECT_EQ(starts, 47u);
  EXPECT_NE(run.out.find("/f46.csv ****"), std::string::npos);
  EXPECT_EQ(run.out.find("/f47.csv"), std::string::npos);
}

TEST_F(FrameTest, UpperCaseNamesAreTestedAndPrintedLowerCased) {
  BuildStandardAreaDb();
  // The second file's own type does not matter: the first decides.
  WritePostal("13_2003.CSV", {PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")});
  WritePostal("14_2003.TXT", {PostalLine(13101, "1000002", "ﾁﾖﾀﾞ", "千代田二")});
  const ToolRun run = RunTownbuild();
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string stat = "stat time = ";
  ASSERT_EQ(run.out.compare(0, stat.size(), stat), 0) << run.out;
  EXPECT_TRUE(IsTimeText(run.out.substr(stat.size(), 24))) << run.out;
  std::string dir = Src();
  for (char& ch : dir) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  }
  EXPECT_EQ(run.out.substr(stat.size() + 24),
            "\n"
            "**** start : file name = " + dir + "/13_2003.csv **** \n"
            "---- end   : file name = " + dir + "/13_2003.csv : total records = 5 ---- \n"
            "**** start : file name = " + dir + "/14_2003.txt **** \n"
            "---- end   : file name = " + dir + "/14_2003.txt : total records = 7 ---- \n");
  // Four municipalities: 13101 with its town, the other three alone; the
  // second file adds its town as a new group of 13101.
  ASSERT_GE(PostIndexLoad(DbFile("krv_post.idx").c_str()), 0);
  int32_t area = 0;
  int32_t town = 0;
  EXPECT_EQ(PostIndexGet(1000002, &area, &town), 0);
  EXPECT_EQ(area, 13101);
  PostIndexEnd();
}

TEST_F(FrameTest, ADirectoryNameWithShiftJisKeepsItsBytes) {
  BuildStandardAreaDb();
  // 住 is 0x8F 0x5A: its trail byte is the letter Z and must stay so.
  const std::string dir = Src() + "/" + Sjis("住所") + "DATA";
  std::filesystem::create_directory(dir);
  WriteFile(dir + "/A.CSV", SjisLines({PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")}));
  const ToolRun run = RunTool(tool::RunTownbuild, {Db(), dir});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("/" + Sjis("住所") + "data/a.csv ****"), std::string::npos) << run.out;
}

TEST_F(FrameTest, SourceTypes) {
  BuildStandardAreaDb();
  WritePostal("a.dat", {PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")});
  const ToolRun refused = RunTownbuild();
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "元データのファイル名の拡張子は.csvか.txtのどちらかでなければなりません。");
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_cho.rec")));

  // The txt type has no reader: a town file without records and no
  // multi-postcode file.
  std::filesystem::remove(SrcFile("a.dat"));
  WritePostal("a.txt", {PostalLine(13101, "1000001", "ﾁﾖﾀﾞ", "千代田")});
  const ToolRun txt = RunTownbuild();
  EXPECT_EQ(txt.status, 0) << txt.out;
  EXPECT_NE(txt.out.find("total records = 0 ---- \n"), std::string::npos);
  EXPECT_EQ(ChoRecLoad(DbFile("krv_cho.rec").c_str()), 0);
  ChoRecEnd();
  EXPECT_FALSE(std::filesystem::exists(DbFile("krv_multipost.rec")));
}

TEST_F(FrameTest, SourceLineResolution) {
  // Eleven wards named 中央区; the one of prefecture 43 comes last.
  std::vector<std::string> areas = {AreaLine(1, "郡政令市名", 1100, 0, "札幌市")};
  const int wards[] = {1101, 11105, 12101, 13102, 14152, 15102, 22138, 27128, 28110, 40133, 43101};
  for (const int code : wards) areas.push_back(AreaLine(code, "市区町村名", code, 0, "中央区"));
  BuildAreaDb(areas);
  WritePostal("ken_all.csv", {PostalLine(43101, "8600001", "ﾊﾅﾊﾞﾀﾁｮｳ", "花畑町")});
  ASSERT_EQ(RunTownbuild().status, 0);
  ASSERT_EQ(RunTownhash().status, 0);
  ASSERT_EQ(krvDbLoad(Db().c_str(), 2), 2);

  struct Case {
    const char* municipality;
    const char* town;
    int prefNo;
    int32_t area;  // 0: ignored
    int32_t townNo;
    int townLength;
    const char* printed;
  };
  const Case cases[] = {
      {"中央区", "花畑町１０番", 43, 43101, 2, 6, ""},
      {"中央区", "大字花畑町", 43, 43101, 2, 10, ""},
      {"中央区", "無い町", 43, 43101, 1, 0, ""},
      {"中央区", "花畑町", 13, 13102, 1, 0, ""},
      {"不明市", "花畑町", 43, 0, 0, 0, " Ignored_1 : line num = 7 : 不明市 - 花畑町\n"},
      {"中央区", "花畑町", 30, 0, 0, 0, " Ignored_2 : line num = 7 : 中央区 - 花畑町\n"},
      {"札幌市", "中央区", 1, 0, 0, 0, " Ignored_4 : line num = 7 : 札幌市 - 中央区\n"},
  };
  for (const Case& c : cases) {
    Output out(Charset::kUtf8);
    tool::ResolvedLine line;
    const bool resolved = tool::ResolveSourceLine(out, Sjis(c.municipality), Sjis(c.town), c.prefNo, 7, &line);
    EXPECT_EQ(resolved, c.area != 0) << c.municipality << c.town;
    EXPECT_EQ(out.text(), c.printed);
    EXPECT_FALSE(out.error_printed());
    if (!resolved) continue;
    EXPECT_EQ(line.areaCode, c.area) << c.municipality << c.town;
    EXPECT_EQ(line.townNo, c.townNo) << c.municipality << c.town;
    EXPECT_EQ(line.townLength, c.townLength) << c.municipality << c.town;
  }
}

// Patches the u32 at `offset` of a file.
void PatchU32(const std::string& path, std::size_t offset, uint32_t value) {
  std::string bytes = ReadFile(path);
  ASSERT_LE(offset + 4, bytes.size());
  for (int i = 0; i < 4; ++i) bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  WriteFile(path, bytes);
}

uint32_t ReadU32(const std::string& bytes, std::size_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value * 256 + static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
  return value;
}

TEST_F(FrameTest, SourceLineFailuresOfEveryStep) {
  const std::vector<std::string> areas = {
      AreaLine(1, "都道府県名", 43000, 0, "熊本県"),
      AreaLine(2, "郡政令市名", 43100, 0, "熊本市"),
      AreaLine(3, "市区町村名", 43101, 0, "中央区"),
      AreaLine(4, "市区町村名", 43102, 0, "東区"),
      AreaLine(5, "市区町村名", 43103, 0, "西区"),
  };
  BuildAreaDb(areas);
  // The name hash knows an area the area records lack.
  std::vector<std::string> hashed = areas;
  hashed.push_back(AreaLine(6, "市区町村名", 43104, 0, "幻区"));
  WriteAreaList(hashed);
  ASSERT_EQ(RunTool(tool::RunAreahash, {Db()}).status, 0);
  WritePostal("ken_all.csv", {PostalLine(43101, "8600001", "ﾊﾅﾊﾞﾀﾁｮｳ", "花畑町"),
                              PostalLine(43103, "8600002", "ｶｽｶﾞ", "春日")});
  ASSERT_EQ(RunTownbuild().status, 0);
  ASSERT_EQ(RunTownhash().status, 0);

  // 東区's record names another municipality as its own.
  const std::string gyosei = DbFile("krv_gyosei.rec");
  const std::size_t codeTable = sizeof(format::GyoseiRecHeader);
  const std::size_t records = codeTable + format::kAreaTableSize * sizeof(uint32_t);
  const uint32_t eastIndex = ReadU32(ReadFile(gyosei), codeTable + 43102 * sizeof(uint32_t));
  ASSERT_GT(eastIndex, 0u);
  PatchU32(gyosei, records + eastIndex * sizeof(GyoseiRecord) + offsetof(GyoseiRecord, muniCode), 43101);
  // 西区's town-name block carries another area code.
  const std::string choHash = DbFile("krv_cho.hsh");
  const std::size_t positions = sizeof(format::ChoHashHeader);
  const std::size_t blocks = positions + format::kAreaTableSize * sizeof(uint32_t);
  const uint32_t westBlock = ReadU32(ReadFile(choHash), positions + 43103 * sizeof(uint32_t));
  ASSERT_GT(westBlock, 0u);
  PatchU32(choHash, blocks + westBlock * sizeof(uint32_t), 43101);
  ASSERT_EQ(krvDbLoad(Db().c_str(), 2), 2) << krvDbErrorText();

  struct Case {
    const char* municipality;
    const char* printed;
  };
  const Case cases[] = {
      {"幻区", " Ignored_3 : line num = 9 : 幻区 - 春日\n"},
      {"熊本市", " Ignored_4 : line num = 9 : 熊本市 - 春日\n"},
      {"東区", " Ignored_5 : line num = 9 : 東区 - 春日\n"},
      {"西区", " Ignored_6 : line num = 9 err = -5 : 西区 - 春日\n"},
  };
  for (const Case& c : cases) {
    Output out(Charset::kUtf8);
    tool::ResolvedLine line;
    EXPECT_FALSE(tool::ResolveSourceLine(out, Sjis(c.municipality), Sjis("春日"), 43, 9, &line)) << c.municipality;
    EXPECT_EQ(out.text(), c.printed);
    EXPECT_FALSE(out.error_printed());
  }
  Output out(Charset::kUtf8);
  tool::ResolvedLine line;
  EXPECT_TRUE(tool::ResolveSourceLine(out, Sjis("中央区"), Sjis("花畑町"), 43, 9, &line));
  EXPECT_EQ(line.areaCode, 43101);
  EXPECT_EQ(line.townNo, 2);
}

TEST_F(FrameTest, ShiftJisOutput) {
  const ToolRun run = RunTool(tool::RunTownbuild, {Db(), Src()}, Charset::kShiftJis);
  EXPECT_EQ(run.out, Sjis("住所DBをメモリにロードできません。 err = -12\n"));
}

}  // namespace
}  // namespace krv::test
