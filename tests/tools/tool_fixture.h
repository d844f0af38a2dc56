// Shared helpers of the build-tool tests: source files written in Shift-JIS
// from readable UTF-8, runs of the tools with their printed output kept, and
// an address DB directory built with the tools themselves.
#ifndef KUROVIA_TESTS_TOOLS_TOOL_FIXTURE_H
#define KUROVIA_TESTS_TOOLS_TOOL_FIXTURE_H

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

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

  TempDir dbDir_;
  TempDir srcDir_;
};

}  // namespace krv::test

#endif  // KUROVIA_TESTS_TOOLS_TOOL_FIXTURE_H
