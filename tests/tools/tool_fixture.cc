#include "tool_fixture.h"

#include <cstring>
#include <filesystem>

#include "areabuild.h"
#include "areahash.h"
#include "kurovia.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {

ToolRun RunTool(RunFunction run, const std::vector<std::string>& args, tool::Charset charset) {
  tool::Output out(charset);
  ToolRun result;
  result.status = run(args, out);
  result.out = out.text();
  result.err = out.error_text();
  return result;
}

std::string AreaLine(int label, std::string_view kindWord, int code, int county, std::string_view name,
                     std::string_view reading, std::string_view x, std::string_view y, int value1,
                     int value2, int value3) {
  std::string line = std::to_string(label) + "," + std::string(kindWord) + "," + std::to_string(code) + "," +
                     std::to_string(county) + "," + std::string(name) + "," + std::string(reading) + "," +
                     std::string(x) + "," + std::string(y) + "," + std::to_string(value1) + "," +
                     std::to_string(value2) + "," + std::to_string(value3) + ",,,";
  return line;
}

std::string PostalLine(int areaCode, std::string_view postalCode, std::string_view kana,
                       std::string_view name, int multiPostFlag, int koazaFlag, int chomeFlag) {
  char code[8];
  std::snprintf(code, sizeof code, "%05d", areaCode);
  return std::string(code) + ",\"" + std::string(postalCode.substr(0, 3)) + "  \",\"" +
         std::string(postalCode) + "\",\"ﾄｳｷｮｳﾄ\",\"ﾁﾖﾀﾞｸ\",\"" + std::string(kana) +
         "\",\"東京都\",\"千代田区\",\"" + std::string(name) + "\"," + std::to_string(multiPostFlag) +
         "," + std::to_string(koazaFlag) + "," + std::to_string(chomeFlag) + ",0,0,0\r\n";
}

std::string SjisLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return Sjis(text);
}

std::string SectionLine(std::string_view municipality, std::string_view townText, std::string_view latitude,
                        std::string_view longitude, std::string_view prefecture) {
  return std::string(prefecture) + "," + std::string(municipality) + "," + std::string(townText) + ",,,,," +
         std::string(latitude) + "," + std::string(longitude) + "\r\n";
}

std::string BlockLine(std::string_view municipality, std::string_view townText, std::string_view block,
                      std::string_view latitude, std::string_view longitude, int residenceFlag,
                      std::string_view prefecture) {
  return std::string(prefecture) + "," + std::string(municipality) + "," + std::string(townText) + "," +
         std::string(block) + ",,,," + std::string(latitude) + "," + std::string(longitude) + "," +
         std::to_string(residenceFlag) + ",\r\n";
}

std::string ResidenceLine(std::string_view municipality, std::string_view townText, std::string_view block,
                          std::string_view residence, std::string_view latitude, std::string_view longitude,
                          std::string_view prefecture) {
  return std::string(prefecture) + "," + std::string(municipality) + "," + std::string(townText) + "," +
         std::string(block) + "," + std::string(residence) + "," + std::string(latitude) + "," +
         std::string(longitude) + "\n";
}

std::vector<std::string> ReadStringFile(const std::string& path) {
  format::DbFileReader reader;
  format::StringRecHeader header{};
  EXPECT_EQ(reader.Open(path.c_str(), format::kStringRecId, header, {-2, -4, -3}), 0) << path;
  EXPECT_EQ(header.slotSize, 16);
  std::vector<format::StringSlot> slots(static_cast<std::size_t>(header.stringCount));
  EXPECT_EQ(reader.Read(slots.data(), slots.size(), -6), 0) << path;
  EXPECT_EQ(reader.BytesLeft(), 0u) << path;
  std::vector<std::string> strings;
  for (const format::StringSlot& slot : slots) {
    strings.push_back(Utf8(std::string(slot.text, strnlen(slot.text, sizeof slot.text))));
  }
  return strings;
}

void ToolTest::TearDown() { krvDbEnd(); }

void ToolTest::WriteAreaList(const std::vector<std::string>& lines) const {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  WriteFile(DbFile("krv_gyoseimei.csv"), Sjis(text));
}

void ToolTest::WriteVariations(std::string_view utf8) const {
  WriteFile(DbFile("krv_variation.csv"), Sjis(utf8));
}

void ToolTest::BuildAreaDb(const std::vector<std::string>& areaLines) const {
  WriteAreaList(areaLines);
  if (!std::filesystem::exists(DbFile("krv_variation.csv"))) WriteVariations("");
  const ToolRun area = RunTool(tool::RunAreabuild, {Db()});
  ASSERT_EQ(area.status, 0) << area.out;
  const ToolRun hash = RunTool(tool::RunAreahash, {Db()});
  ASSERT_EQ(hash.status, 0) << hash.out;
}

void ToolTest::BuildStandardAreaDb() const {
  BuildAreaDb({
      AreaLine(1, "都道府県名", 1000, 0, "北海道", "ほっかいどう"),
      AreaLine(2, "郡政令市名", 1100, 0, "札幌市", "さっぽろし"),
      AreaLine(3, "市区町村名", 1101, 0, "中央区", "ちゅうおうく"),
      AreaLine(4, "都道府県名", 13000, 0, "東京都", "とうきょうと"),
      AreaLine(5, "郡政令市名", 13100, 0, "特別区部", "とくべつくぶ"),
      AreaLine(6, "市区町村名", 13101, 0, "千代田区", "ちよだく"),
      AreaLine(7, "市区町村名", 13102, 0, "中央区", "ちゅうおうく"),
      AreaLine(8, "市区町村名", 13103, 0, "港区", "みなとく"),
  });
}

void ToolTest::WritePostal(std::string_view fileName, const std::vector<std::string>& lines) const {
  WriteFile(SrcFile(fileName), SjisLines(lines));
}

ToolRun ToolTest::RunTownbuild() const { return RunTool(tool::RunTownbuild, {Db(), Src()}); }

ToolRun ToolTest::RunTownhash(const std::vector<std::string>& extra) const {
  std::vector<std::string> args = {Db()};
  args.insert(args.end(), extra.begin(), extra.end());
  return RunTool(tool::RunTownhash, args);
}

void ToolTest::BuildTownDb(const std::vector<std::string>& postalLines) const {
  const std::string postal = WriteSource("postal", "ken_all.csv", postalLines);
  const ToolRun towns = RunTool(tool::RunTownbuild, {Db(), postal});
  ASSERT_EQ(towns.status, 0) << towns.out;
  const ToolRun hash = RunTownhash();
  ASSERT_EQ(hash.status, 0) << hash.out;
}

void ToolTest::BuildStandardTownDb() const {
  BuildStandardAreaDb();
  BuildTownDb({
      PostalLine(13101, "1000005", "ﾏﾙﾉｳﾁ", "丸の内", 0, 0, 1),
      PostalLine(13101, "1000004", "ｵｵﾃﾏﾁ", "大手町", 0, 0, 1),
      PostalLine(13101, "1000010", "ﾎﾝﾁｮｳ", "本町"),
      PostalLine(13101, "1000011", "ｼﾝﾏﾁ", "新町"),
      PostalLine(13101, "1000013", "ｶｽﾐｶﾞｾｷ", "霞が関", 0, 0, 1),
      PostalLine(13102, "1040061", "ｷﾞﾝｻﾞ", "銀座", 0, 0, 1),
      PostalLine(1101, "0600042", "ｵｵﾄﾞｵﾘﾆｼ", "大通西", 0, 0, 1),
  });
}

std::string ToolTest::WriteSource(std::string_view dir, std::string_view name,
                                  const std::vector<std::string>& lines) const {
  const std::filesystem::path path = srcDir_.path() / dir;
  std::filesystem::create_directories(path);
  WriteFile((path / name).string(), SjisLines(lines));
  return path.string();
}

}  // namespace krv::test
