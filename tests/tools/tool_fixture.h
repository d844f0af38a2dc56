// Shared helpers of the build-tool tests: source files written in Shift-JIS
// from readable UTF-8, runs of the tools with their printed output kept, and
// an address DB directory built with the tools themselves.
#ifndef KUROVIA_TESTS_TOOLS_TOOL_FIXTURE_H
#define KUROVIA_TESTS_TOOLS_TOOL_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "db_file.h"
#include "output.h"
#include "test_support.h"

namespace krv::test {

// The result of one tool run: its exit status and what it printed (in the
// charset the run was given).
struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

using RunFunction = int (*)(const std::vector<std::string>&, tool::Output&);

ToolRun RunTool(RunFunction run, const std::vector<std::string>& args,
            tool::Charset charset = tool::Charset::kUtf8);

// One line of the area-name list (UTF-8; the list file is written in
// Shift-JIS).  The kind word is one of 都道府県名, 支庁名, 郡政令市名,
// 市区町村名.
std::string AreaLine(int label, std::string_view kindWord, int code, int county,
                     std::string_view name, std::string_view reading = "",
                     std::string_view x = "0", std::string_view y = "0", int value1 = 0,
                     int value2 = 0, int value3 = 0);

// One line of the national postal-code list in its 15-column layout, CRLF
// ended (UTF-8; written in Shift-JIS).
std::string PostalLine(int areaCode, std::string_view postalCode, std::string_view kana,
                       std::string_view name, int multiPostFlag = 0, int koazaFlag = 0,
                       int chomeFlag = 0);

// Lines joined and converted to Shift-JIS.
std::string SjisLines(const std::vector<std::string>& lines);

// One line of a section source (UTF-8, CRLF ended): prefecture,
// municipality, town and section, four empty columns, latitude, longitude.
std::string SectionLine(std::string_view municipality, std::string_view townText, std::string_view latitude = "",
                        std::string_view longitude = "", std::string_view prefecture = "東京都");

// One line of a block source (UTF-8, CRLF ended): prefecture, municipality,
// town and section, block column, three empty columns, latitude, longitude,
// residence flag, an empty column.
std::string BlockLine(std::string_view municipality, std::string_view townText, std::string_view block,
                      std::string_view latitude = "", std::string_view longitude = "", int residenceFlag = 1,
                      std::string_view prefecture = "東京都");

// One line of a residence source (UTF-8, LF ended): prefecture,
// municipality, town and section, block, residence, latitude, longitude.
std::string ResidenceLine(std::string_view municipality, std::string_view townText, std::string_view block,
                          std::string_view residence, std::string_view latitude = "",
                          std::string_view longitude = "", std::string_view prefecture = "東京都");

// A block or residence file read through the shared layout: its header,
// its table list and its records.
template <class Entry, class Record>
struct TableFile {
  format::GaikuRecHeader header{};
  std::vector<Entry> tables;
  std::vector<Record> records;
};

template <class Entry, class Record>
TableFile<Entry, Record> ReadTableFile(const std::string& path, const char* id) {
  TableFile<Entry, Record> file;
  format::DbFileReader reader;
  EXPECT_EQ(reader.Open(path.c_str(), id, file.header, {-2, -4, -3}), 0) << path;
  file.tables.resize(static_cast<std::size_t>(file.header.tableCount));
  file.records.resize(static_cast<std::size_t>(file.header.recordCount));
  EXPECT_EQ(reader.Read(file.tables.data(), file.tables.size(), -5), 0) << path;
  EXPECT_EQ(reader.Read(file.records.data(), file.records.size(), -6), 0) << path;
  EXPECT_EQ(reader.BytesLeft(), 0u) << path;
  return file;
}

using GaikuFile = TableFile<format::GaikuTableEntry, GaikuRecord>;
using JukyoFile = TableFile<format::JukyoTableEntry, JukyoRecord>;
inline GaikuFile ReadGaikuFile(const std::string& path) {
  return ReadTableFile<format::GaikuTableEntry, GaikuRecord>(path, format::kGaikuRecId);
}
inline JukyoFile ReadJukyoFile(const std::string& path) {
  return ReadTableFile<format::JukyoTableEntry, JukyoRecord>(path, format::kJukyoRecId);
}

// The strings of a string file in UTF-8, in slot order.
std::vector<std::string> ReadStringFile(const std::string& path);

// A test with a scratch DB directory and a source directory below it.  The
// library is left with nothing loaded after every test.
class ToolTest : public ::testing::Test {
 protected:
  void TearDown() override;

  std::string Db() const { return dbDir_.str(); }
  std::string DbFile(std::string_view name) const { return dbDir_.File(name); }
  std::string Src() const { return srcDir_.str(); }
  std::string SrcFile(std::string_view name) const { return srcDir_.File(name); }

  // krv_gyoseimei.csv from lines of AreaLine (Shift-JIS, CRLF).
  void WriteAreaList(const std::vector<std::string>& lines) const;
  // krv_variation.csv from UTF-8 text as it stands.
  void WriteVariations(std::string_view utf8) const;
  // The area files built with areabuild and areahash from these lines (and
  // an empty variation list unless one was written).
  void BuildAreaDb(const std::vector<std::string>& areaLines) const;
  // A standard area list: Tokyo with Chiyoda (13101), Chuo (13102) and
  // Minato (13103), Hokkaido with Sapporo's Chuo ward (1101).
  void BuildStandardAreaDb() const;

  // A postal-code source file in the source directory (Shift-JIS).
  void WritePostal(std::string_view fileName, const std::vector<std::string>& lines) const;

  ToolRun RunTownbuild() const;
  ToolRun RunTownhash(const std::vector<std::string>& extra = {}) const;

  // The town files built with townbuild and townhash from postal lines
  // written into the sub-directory "postal" of the source directory (the
  // area files must exist).
  void BuildTownDb(const std::vector<std::string>& postalLines) const;
  // The standard area list with these towns:
  //   13101 千代田区: 丸の内 2, 大手町 3, 本町 4, 新町 5, 霞が関 6;
  //   13102 中央区: 銀座 2;  1101 (札幌市)中央区: 大通西 2.
  void BuildStandardTownDb() const;

  // A source file (lines converted to Shift-JIS as they stand) in the
  // sub-directory `dir` of the source directory, created when missing.
  // Returns the path of the sub-directory.
  std::string WriteSource(std::string_view dir, std::string_view name, const std::vector<std::string>& lines) const;

  TempDir dbDir_;
  TempDir srcDir_;
};

}  // namespace krv::test

#endif  // KUROVIA_TESTS_TOOLS_TOOL_FIXTURE_H
