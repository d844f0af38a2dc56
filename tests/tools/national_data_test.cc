// The town-level build on the national postal-code list of the shared data
// folder: areabuild, areahash, townbuild and townhash finish, the DB loads
// to level 2, and towns and postal codes across the country come out right.
//
// The area list is derived here from the postal-code list itself: every
// prefecture and every municipality code it names, with the names and
// readings of its columns 7/8 and 4/5 (readings turned into hiragana).  That
// covers every area the list has lines for; counties, subprefectures and
// points are not needed for a town-level build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "areabuild.h"
#include "areahash.h"
#include "fields.h"
#include "kurovia.h"
#include "line_reader.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

// The postal-code list in shared/data beside (or above) the source tree.
std::string FindNationalList() {
  const char* source = std::getenv("KRV_SOURCE_DIR");
  if (source == nullptr) return {};
  for (fs::path dir = fs::absolute(source); !dir.empty(); dir = dir.parent_path()) {
    const fs::path candidate = dir / "shared" / "data" / "postal" / "KEN_ALL.CSV";
    if (fs::exists(candidate)) return candidate.string();
    if (dir == dir.parent_path()) break;
  }
  return {};
}

std::string Hiragana(std::string_view halfWidthKana) {
  const std::string in(halfWidthKana);
  std::string out(in.size() * 2 + 1, '\0');
  if (krvKanaHan2Zen(in.c_str(), out.data(), static_cast<int>(out.size())) < 0) return {};
  return out.c_str();
}

// krv_gyoseimei.csv (Shift-JIS) for every area of the postal-code list.
std::string AreaListFrom(const std::string& postalList) {
  std::map<int, std::pair<std::string, std::string>> prefectures;
  std::map<int, std::pair<std::string, std::string>> municipalities;
  tool::LineReader reader;
  EXPECT_TRUE(reader.Open(postalList));
  std::string_view line;
  std::string_view f[15];
  while (reader.ReadLine(1022, &line)) {
    tool::SplitFields(line, f, 15, 1023, tool::Quotes::kAllButLast);
    const int code = tool::ParseInt(f[0]);
    prefectures.emplace(code / 1000, std::make_pair(std::string(f[6]), Hiragana(f[3])));
    municipalities.emplace(code, std::make_pair(std::string(f[7]), Hiragana(f[4])));
  }
  std::string list;
  int label = 0;
  const auto add = [&](const std::string& kind, int code, const std::pair<std::string, std::string>& area) {
    list += std::to_string(++label) + "," + Sjis(kind) + "," + std::to_string(code) + ",0," + area.first + "," +
            area.second + ",0,0,0,0,0\r\n";
  };
  for (const auto& [pref, area] : prefectures) add("都道府県名", pref * 1000, area);
  for (const auto& [code, area] : municipalities) add("市区町村名", code, area);
  return list;
}

class NationalDataTest : public ToolTest {
 protected:
  void SetUp() override {
    list_ = FindNationalList();
    if (list_.empty()) GTEST_SKIP() << "shared/data/postal/KEN_ALL.CSV not found";
  }

  std::string list_;
};

TEST_F(NationalDataTest, TownLevelBuildOfTheWholeCountry) {
  WriteFile(DbFile("krv_gyoseimei.csv"), AreaListFrom(list_));
  WriteVariations("ケ,ヶ\nヶ,ケ\n");
  fs::copy_file(list_, SrcFile("KEN_ALL.CSV"));

  const ToolRun areas = RunTool(tool::RunAreabuild, {Db()});
  ASSERT_EQ(areas.status, 0) << areas.out;
  const ToolRun areaHash = RunTool(tool::RunAreahash, {Db()});
  ASSERT_EQ(areaHash.status, 0) << areaHash.out;
  const ToolRun towns = RunTownbuild();
  ASSERT_EQ(towns.status, 0) << towns.out.substr(0, 2000);
  EXPECT_NE(towns.out.find("/ken_all.csv : total records = "), std::string::npos);
  const ToolRun townHash = RunTownhash();
  ASSERT_EQ(townHash.status, 0) << townHash.out.substr(townHash.out.size() - 500);

  ASSERT_EQ(krvDbLoad(Db().c_str(), 2), 2) << krvDbErrorText();

  struct Spot {
    int32_t postalCode;
    int32_t area;
    const char* town;       // the town record's name
    const char* kana;       // its reading
    const char* addressTail;  // text after the municipality that must find the town
  };
  const Spot spots[] = {
      {1000005, 13101, "丸の内", "ﾏﾙﾉｳﾁ", "丸の内一丁目１－１"},
      {600042, 1101, "大通西", "ｵｵﾄﾞｵﾘﾆｼ", "大通西４丁目"},
      {640820, 1101, "大通西", "ｵｵﾄﾞｵﾘﾆｼ", "大通西２０丁目"},
      {295511, 3366, "上野々", "ｳｴﾉﾉ", "上野々３９地割"},
      {8900062, 46201, "与次郎", "ﾖｼﾞﾛｳ", "与次郎一丁目"},
      {9071801, 47382, "与那国", "ﾖﾅｸﾞﾆ", "与那国１２３"},
  };
  for (const Spot& s : spots) {
    int32_t area = 0;
    int32_t townNo = 0;
    ASSERT_EQ(PostIndexGet(s.postalCode, &area, &townNo), 0) << s.postalCode;
    EXPECT_EQ(area, s.area) << s.postalCode;
    ChoRecord record{};
    ASSERT_EQ(ChoRecGet(area, townNo, &record), 0) << s.postalCode;
    EXPECT_EQ(Utf8(record.name), s.town) << s.postalCode;
    EXPECT_EQ(Utf8(record.kana), s.kana) << s.postalCode;
    int length = 0;
    int32_t found = 0;
    EXPECT_EQ(ChoHashSearch(area, Sjis(s.addressTail).c_str(), &length, &found), 1) << s.addressTail;
    EXPECT_EQ(found, townNo) << s.addressTail;
    EXPECT_EQ(length, static_cast<int>(Sjis(s.town).size())) << s.addressTail;
  }
  // A town with several postal codes points at its multi-postcode entry.
  int32_t area = 0;
  int32_t townNo = 0;
  ASSERT_EQ(PostIndexGet(600042, &area, &townNo), 0);
  ChoRecord odori{};
  ASSERT_EQ(ChoRecGet(area, townNo, &odori), 0);
  EXPECT_LT(odori.postCode, 0);

  // Every area of the list resolves by name at the start of an address.
  int matched = 0;
  int kind = 0;
  int32_t codes[10] = {};
  EXPECT_GE(GyoseiHashSearch(Sjis("東京都千代田区丸の内").c_str(), &matched, &kind, codes, 10), 1);
  EXPECT_EQ(codes[0], 13000);
}

}  // namespace
}  // namespace krv::test
