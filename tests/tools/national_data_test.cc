// The town-level build on the national public data of the shared data
// folder: krvprep turns the registry's area lists into the national area
// list and its curated variation list, then areabuild, areahash, townbuild
// and townhash finish on the national postal-code list, the DB loads to
// level 2, and towns and postal codes across the country come out right.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "areabuild.h"
#include "areahash.h"
#include "krvprep.h"
#include "kurovia.h"
#include "tool_fixture.h"
#include "townbuild.h"
#include "townhash.h"

namespace krv::test {
namespace {

namespace fs = std::filesystem;

class NationalDataTest : public ToolTest {
 protected:
  void SetUp() override {
    const auto data = SharedDataDir();
    if (!data || !fs::exists(*data / "postal" / "KEN_ALL.CSV")) {
      GTEST_SKIP() << "shared/data with postal/KEN_ALL.CSV and areas/ not found";
    }
    data_ = *data;
  }

  fs::path data_;
};

TEST_F(NationalDataTest, TownLevelBuildOfTheWholeCountry) {
  // The national lists only: the finer sources are not needed here.
  const fs::path sources = srcDir_.path() / "sources";
  fs::create_directories(sources);
  fs::create_directory_symlink(data_ / "postal", sources / "postal");
  fs::create_directory_symlink(data_ / "areas", sources / "areas");
  const fs::path prepared = srcDir_.path() / "prepared";
  std::ostringstream prepOut;
  std::ostringstream prepErr;
  ASSERT_EQ(prep::RunKrvprep({sources.string(), prepared.string()}, prepOut, prepErr), 0) << prepErr.str();
  for (const char* name : {"krv_gyoseimei.csv", "krv_variation.csv"}) {
    fs::copy_file(prepared / "db" / name, DbFile(name));
  }
  const std::string postal = (prepared / "postal").string();

  const ToolRun areas = RunTool(tool::RunAreabuild, {Db()});
  ASSERT_EQ(areas.status, 0) << areas.out;
  const ToolRun areaHash = RunTool(tool::RunAreahash, {Db()});
  ASSERT_EQ(areaHash.status, 0) << areaHash.out;
  const ToolRun towns = RunTool(tool::RunTownbuild, {Db(), postal});
  ASSERT_EQ(towns.status, 0) << towns.out.substr(0, 2000);
  EXPECT_NE(towns.out.find("/ken_all.csv : total records = "), std::string::npos);
  const ToolRun townHash = RunTownhash();
  ASSERT_EQ(townHash.status, 0) << townHash.out.substr(townHash.out.size() - 500);

  ASSERT_EQ(krvDbLoad(Db().c_str(), 2), 2) << krvDbErrorText();

  struct Spot {
    int32_t postalCode;
    int32_t area;
    const char* town;          // the town record's name
    const char* kana;          // its reading
    const char* municipality;  // as an address writes it
    const char* addressTail;   // text after the municipality that must find the town
  };
  const Spot spots[] = {
      {1000005, 13101, "丸の内", "ﾏﾙﾉｳﾁ", "東京都千代田区", "丸の内一丁目１－１"},
      {600042, 1101, "大通西", "ｵｵﾄﾞｵﾘﾆｼ", "北海道札幌市中央区", "大通西４丁目"},
      {640820, 1101, "大通西", "ｵｵﾄﾞｵﾘﾆｼ", "北海道札幌市中央区", "大通西２０丁目"},
      {295511, 3366, "上野々", "ｳｴﾉﾉ", "岩手県和賀郡西和賀町", "上野々３９地割"},
      {8900062, 46201, "与次郎", "ﾖｼﾞﾛｳ", "鹿児島県鹿児島市", "与次郎一丁目"},
      {9071801, 47382, "与那国", "ﾖﾅｸﾞﾆ", "沖縄県八重山郡与那国町", "与那国１２３"},
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
    // The same through the geocoding functions.
    AdrCode code{};
    ASSERT_EQ(krvPost2AdrCode(s.postalCode, &code), 0) << s.postalCode;
    EXPECT_EQ(code.gyoseiCode, s.area) << s.postalCode;
    EXPECT_EQ(code.choCode, townNo) << s.postalCode;
    AdrCode walked{};
    const std::string address = Sjis(std::string(s.municipality) + s.addressTail);
    EXPECT_GT(krvAdrStr2Code(address.c_str(), &walked), 0) << s.municipality << s.addressTail;
    EXPECT_EQ(walked.level, KRV_LEVEL_TOWN) << s.municipality << s.addressTail;
    EXPECT_EQ(walked.gyoseiCode, s.area) << s.municipality << s.addressTail;
    EXPECT_EQ(walked.choCode, townNo) << s.municipality << s.addressTail;
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

  // Municipalities without a line of their own (the Northern Territories'
  // villages) still have their own town record.
  for (int32_t code = 1695; code <= 1700; ++code) EXPECT_EQ(ChoRecNumRecords(code), 1) << code;
  // Wards of designated cities lie under their city, also off the grid.
  GyoseiRecord ward{};
  ASSERT_EQ(GyoseiRecGet(14151, &ward), 0);
  EXPECT_EQ(ward.countyCode, 14150);
  ASSERT_EQ(GyoseiRecGet(27141, &ward), 0);
  EXPECT_EQ(ward.countyCode, 27140);
}

}  // namespace
}  // namespace krv::test
