// The address DB the geocoding tests share: a small DB shaped like a real
// one.  It holds a designated city and its wards (横浜市), Tokyo's special
// wards and an island town under a subprefecture, a county town, a Hokkaido
// subprefecture town, ward names that two cities of one prefecture share
// (北区, 西区 of 大阪市 and 堺市; 緑区, 南区 of 横浜市 and 相模原市), a municipality
// name of two prefectures (府中市), towns with and without sections, a
// one-character town, a town reached through 大字 and 字, ケ/ヶ spellings,
// named blocks and residences, lot-number and residence tables, stored and
// missing points.
#ifndef KUROVIA_TESTS_LIB_ADDRESS_DB_H
#define KUROVIA_TESTS_LIB_ADDRESS_DB_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "db_builder.h"
#include "kurovia.h"
#include "test_support.h"

namespace krv::test {

// Town numbers of the fixture (town 1 of every area is the area itself).
namespace town {
inline constexpr int32_t kMarunouchi = 2;   // 13101 丸の内: 一丁目..三丁目
inline constexpr int32_t kOtemachi = 3;     // 13101 大手町: 一丁目, 二丁目
inline constexpr int32_t kChiyoda = 4;      // 13101 千代田: blocks under the town
inline constexpr int32_t kHongo = 2;        // 13105 本郷: 一丁目..七丁目
inline constexpr int32_t kOzutsumi = 2;     // 8302 小堤: lot numbers under the town
inline constexpr int32_t kNagaoka = 3;      // 8302 長岡: sections 字中通, 字東
inline constexpr int32_t kAsahi = 3;        // 1331 旭: one character
inline constexpr int32_t kFukuyama = 2;     // 1331 福山
inline constexpr int32_t kMatsugaoka = 2;   // 8208 松ケ丘 (also 松ヶ丘)
inline constexpr int32_t kSannomaru = 2;    // 8201 三の丸
inline constexpr int32_t kKitanaka = 3;     // 14104 北仲通: 一丁目..三丁目
inline constexpr int32_t kKitanaka5 = 4;    // 14104 北仲通5: blocks under the town
inline constexpr int32_t kYamashita = 2;    // 14104 山下町: lot numbers
}  // namespace town

// Point in milliseconds of arc from degrees.
int32_t Ms(double degrees);

// Declares the fixture DB.
void DeclareAddressDb(DbBuilder& db);

// Loads the DB in `dir` down to `level` (krvDbLoad), after unloading
// whatever was loaded.
void LoadAddressDb(const std::string& dir, int level);
void UnloadAddressDb();

// Runs every test of a suite against the fixture DB, loaded whole once.
class AddressDbTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override { ASSERT_EQ(krvSetArgEncoding("Shift_JIS"), 0); }
  void TearDown() override { krvSetArgEncoding("Shift_JIS"); }

  static std::string Dir();
};

// An AdrCode written out, for tables of expected codes.
AdrCode Code(int32_t level, int32_t gyoseiCode, int32_t choCode = 0, int32_t azaCode = 0, int32_t gaikuCode = 0,
             int32_t jukyoCode = 0);
std::string Describe(const AdrCode& code);
bool SameCode(const AdrCode& a, const AdrCode& b);

}  // namespace krv::test

#endif  // KUROVIA_TESTS_LIB_ADDRESS_DB_H
