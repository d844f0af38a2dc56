#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "address_db.h"
#include "chimei25k_writer.h"

namespace krv::test {
namespace {

class PostalLookupTest : public AddressDbTest {};

TEST_F(PostalLookupTest, GivesTheTownAtLevel4) {
  const struct {
    int32_t postalCode;
    int result;
    AdrCode code;
  } cases[] = {
      {1000005, 0, Code(4, 13101, town::kMarunouchi)},
      {1130033, 0, Code(4, 13105, town::kHongo)},
      // 060-0001: the leading zero is gone from the number.
      {600001, 0, Code(4, 1331, town::kFukuyama)},
      {1000006, -3, Code(-7, -7, -7, -7, -7, -7)},
      {0, -3, Code(-7, -7, -7, -7, -7, -7)},
  };
  for (const auto& c : cases) {
    AdrCode code = Code(-7, -7, -7, -7, -7, -7);
    EXPECT_EQ(krvPost2AdrCode(c.postalCode, &code), c.result) << c.postalCode;
    EXPECT_TRUE(SameCode(code, c.code)) << c.postalCode << ": " << Describe(code);
  }
  EXPECT_EQ(krvPost2AdrCode(1000005, nullptr), -4);
  EXPECT_EQ(krvPost2AdrCode(1000006, nullptr), -3);
}

TEST(PostalLookupLoadLevel, TheIndexComesWithTheTowns) {
  TempDir dir;
  DbBuilder db;
  DeclareAddressDb(db);
  db.Write(dir.str());
  LoadAddressDb(dir.str(), 1);
  AdrCode code{};
  EXPECT_EQ(krvPost2AdrCode(1000005, &code), -3);
  LoadAddressDb(dir.str(), 2);
  EXPECT_EQ(krvPost2AdrCode(1000005, &code), 0);
  UnloadAddressDb();
}

Chimei25kRecord Place(const char* name, int32_t attr, double lat, double lon) {
  Chimei25kRecord record{};
  record.attr1 = attr;
  record.attr2 = attr * 10;
  record.attr3 = -attr;
  const std::string sjis = Sjis(name);
  std::memcpy(record.name, sjis.data(), std::min(sjis.size(), sizeof record.name - 1));
  record.pointX = Ms(lat);
  record.pointY = Ms(lon);
  return record;
}

class PlaceNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    krvDbEnd();
    places_ = {
        Place("富士", 1, 35.36, 138.73),       Place("富士山", 2, 35.3606, 138.7274),
        Place("富士見", 3, 35.91, 138.24),     Place("箱根", 4, 35.23, 139.02),
        Place("富士", 5, 35.16, 138.68),
    };
  }
  void TearDown() override {
    krvDbEnd();
    krvSetArgEncoding("Shift_JIS");
  }

  // Writes the place-name files (the hash over `hashed`, the records of
  // `places_`) and loads them.
  void Load(const std::vector<Chimei25kRecord>& hashed) {
    ASSERT_TRUE(format::SaveChimei25kRecords(dir_.File("krv_chimei25k.rec").c_str(), places_));
    ASSERT_TRUE(format::SaveChimei25kHash(dir_.File("krv_chimei25k.hsh").c_str(), hashed));
    krvDbEnd();
    ASSERT_EQ(krvDbLoad(dir_.str().c_str(), 14), 14);
  }
  void Load() { Load(places_); }

  std::vector<Chimei25kRecord> places_;
  TempDir dir_;
};

TEST_F(PlaceNameTest, FindsTheNameWithItsAttributesAndPoint) {
  Load();
  Chimei25kResult results[3];
  std::memset(results, 0, sizeof results);
  // Two places are called 富士.
  ASSERT_EQ(krvChimei25kSearch(Sjis("富士").c_str(), results, 3), 2);
  std::vector<int32_t> attrs{results[0].attr1, results[1].attr1};
  std::sort(attrs.begin(), attrs.end());
  EXPECT_EQ(attrs, (std::vector<int32_t>{1, 5}));
  for (int i = 0; i < 2; ++i) {
    const Chimei25kRecord& place = places_[static_cast<std::size_t>(results[i].attr1 - 1)];
    EXPECT_EQ(results[i].attr2, place.attr2);
    EXPECT_EQ(results[i].attr3, place.attr3);
    EXPECT_STREQ(results[i].name, place.name);
    EXPECT_DOUBLE_EQ(results[i].x, place.pointX / 3600000.0);
    EXPECT_DOUBLE_EQ(results[i].y, place.pointY / 3600000.0);
  }
  EXPECT_EQ(results[2].attr1, 0);
  ASSERT_EQ(krvChimei25kSearch(Sjis("富士山").c_str(), results, 3), 1);
  EXPECT_EQ(results[0].attr1, 2);

  // Counting only; exactly as many as there is room for; one more.
  EXPECT_EQ(krvChimei25kSearch(Sjis("富士").c_str(), nullptr, 0), 2);
  EXPECT_EQ(krvChimei25kSearch(Sjis("富士").c_str(), results, 2), 2);
  std::memset(results, 0, sizeof results);
  EXPECT_EQ(krvChimei25kSearch(Sjis("富士").c_str(), results, 1), -1);
  EXPECT_NE(results[0].attr1, 0);
  EXPECT_EQ(results[1].attr1, 0);

  EXPECT_EQ(krvChimei25kSearch(Sjis("浅間山").c_str(), results, 3), 0);
  EXPECT_EQ(krvChimei25kSearch("", results, 3), -2);
  EXPECT_EQ(krvChimei25kSearch(nullptr, results, 3), -2);
  EXPECT_EQ(krvChimei25kSearch(Sjis("富士").c_str(), results, 0), -2);
}

TEST_F(PlaceNameTest, TakesAndGivesTheArgumentEncoding) {
  // 47 half-width bytes: 141 bytes in UTF-8.
  const char* const kLong = "ﾊｺﾈﾕﾓﾄｵﾝｾﾝｷｮｳﾄﾞｳｸﾐｱｲﾎﾞｳｼﾞｮｳﾂﾘﾊﾞｼﾏｴﾃｲﾘｭｳｼﾞｮｼﾞｮｳﾎ";
  ASSERT_EQ(Sjis(kLong).size(), 47u);
  places_.push_back(Place(kLong, 6, 35.23, 139.10));
  Load();
  Chimei25kResult results[4];
  ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
  ASSERT_EQ(krvChimei25kSearch("箱根", results, 4), 1);
  EXPECT_STREQ(results[0].name, "箱根");
  EXPECT_EQ(krvChimei25kSearch("\xff", results, 4), -2);
  EXPECT_EQ(krvChimei25kSearch(kLong, results, 4), -6);
  EXPECT_EQ(krvChimei25kSearch(kLong, nullptr, 0), 1);

  ASSERT_EQ(krvSetArgEncoding("EUC-JP"), 0);
  char euc[64];
  ASSERT_EQ(krvCharConv(0, Sjis("富士山").c_str(), euc, sizeof euc), 0);
  ASSERT_EQ(krvChimei25kSearch(euc, results, 4), 1);
  EXPECT_STREQ(results[0].name, euc);
  ASSERT_EQ(krvSetArgEncoding("Shift_JIS"), 0);
  ASSERT_EQ(krvChimei25kSearch(Sjis(kLong).c_str(), results, 4), 1);
  EXPECT_EQ(std::string(results[0].name), Sjis(kLong));
}

TEST_F(PlaceNameTest, ReportsStoreFailures) {
  Chimei25kResult results[2];
  EXPECT_EQ(krvChimei25kSearch(Sjis("富士").c_str(), results, 2), -3);

  // The hash names a record the record file does not hold.
  std::vector<Chimei25kRecord> hashed = places_;
  hashed.push_back(Place("箱根湯本", 9, 35.23, 139.10));
  Load(hashed);
  EXPECT_EQ(krvChimei25kSearch(Sjis("箱根湯本").c_str(), results, 2), -5);
  EXPECT_EQ(krvChimei25kSearch(Sjis("箱根湯本").c_str(), nullptr, 0), -5);
  EXPECT_EQ(krvChimei25kSearch(Sjis("箱根").c_str(), results, 2), 1);
}

TEST_F(PlaceNameTest, TenThousandHitsAreTooMany) {
  places_.assign(10000, Place("山", 1, 35.0, 139.0));
  Load();
  EXPECT_EQ(krvChimei25kSearch(Sjis("山").c_str(), nullptr, 0), -4);
  places_.resize(9999);
  Load();
  EXPECT_EQ(krvChimei25kSearch(Sjis("山").c_str(), nullptr, 0), 9999);
}

}  // namespace
}  // namespace krv::test
