#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "address_db.h"

namespace krv::test {
namespace {

class EnumerationTest : public AddressDbTest {};

TEST_F(EnumerationTest, CountsAndListsChildren) {
  struct Case {
    AdrCode parent;  // level: the children's level
    int count;
    std::vector<int32_t> list;  // in full, with room for all
  };
  const Case cases[] = {
      {Code(5, 13101), 4, {1, 2, 3, 4}},
      {Code(5, 34207), 0, {}},
      {Code(5, 13102), 0, {}},
      {Code(6, 13101, town::kMarunouchi), 3, {1, 2, 3}},
      // A town without sections has none.
      {Code(6, 13101, town::kChiyoda), 0, {}},
      {Code(7, 13101, town::kMarunouchi, 1), 3, {1, 2, 3}},
      // Blocks under a town: azaCode 0.
      {Code(7, 8302, town::kOzutsumi, 0), 3, {1, 2, 150}},
      {Code(7, 13101, town::kChiyoda, 0), 1, {1}},
      // A town with sections has no blocks of its own.
      {Code(7, 13101, town::kMarunouchi, 0), 0, {}},
      {Code(7, 8302, town::kNagaoka, 1), 2, {-1, 3}},
      {Code(8, 13101, town::kMarunouchi, 1, 1), 3, {1, 2, -2}},
      {Code(8, 13101, town::kMarunouchi, 1, 3), 0, {}},
      // The residences of a named block.
      {Code(8, 8302, town::kNagaoka, 1, -1), 1, {12}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(krvGetNumAdrRecords(&c.parent), c.count) << Describe(c.parent);
    int32_t list[8];
    for (int32_t& v : list) v = -7;
    EXPECT_EQ(krvGetAdrRecordList(&c.parent, list, 8), c.count) << Describe(c.parent);
    EXPECT_EQ(std::vector<int32_t>(list, list + c.list.size()), c.list) << Describe(c.parent);
    EXPECT_EQ(list[c.list.size()], -7) << Describe(c.parent);
  }

  // The capacity bounds the list.
  int32_t list[4] = {-7, -7, -7, -7};
  const AdrCode towns = Code(5, 13101);
  EXPECT_EQ(krvGetAdrRecordList(&towns, list, 2), 2);
  EXPECT_EQ(std::vector<int32_t>(list, list + 3), (std::vector<int32_t>{1, 2, -7}));
  const AdrCode residences = Code(8, 13101, town::kMarunouchi, 1, 1);
  EXPECT_EQ(krvGetAdrRecordList(&residences, list, 1), 1);
  EXPECT_EQ(list[1], 2);
  EXPECT_EQ(krvGetAdrRecordList(&residences, list, 0), 0);
  EXPECT_EQ(krvGetAdrRecordList(&residences, list, -1), 0);
  EXPECT_EQ(krvGetAdrRecordList(&towns, nullptr, 4), 0);
}

TEST_F(EnumerationTest, ChecksTheCodeFirst) {
  const struct {
    AdrCode code;
    int result;
  } cases[] = {
      {Code(4, 13101), -2},
      {Code(9, 13101, 2, 1, 1), -2},
      {Code(5, 999), -1},
      {Code(5, 48000), -1},
      {Code(6, 13101, 0), -1},
      {Code(7, 13101, town::kMarunouchi, -1), -1},
      {Code(8, 13101, town::kMarunouchi, 1, 0), -1},
      // Parents that do not exist.
      {Code(6, 13101, 9), -5},
      {Code(7, 13101, town::kMarunouchi, 9), -5},
      {Code(8, 13101, town::kMarunouchi, 1, 99), -5},
  };
  for (const auto& c : cases) {
    int32_t list[4];
    EXPECT_EQ(krvGetNumAdrRecords(&c.code), c.result) << Describe(c.code);
    EXPECT_EQ(krvGetAdrRecordList(&c.code, list, 4), c.result) << Describe(c.code);
  }
  EXPECT_EQ(krvGetNumAdrRecords(nullptr), -1);
}

TEST_F(EnumerationTest, FetchesTheRecordOfANode) {
  GyoseiRecord area{};
  AdrCode code = Code(1, 13000);
  ASSERT_EQ(krvGetAdrRecord(&code, &area, sizeof area), 0);
  EXPECT_EQ(area.kind, 1);
  EXPECT_EQ(std::string(area.name), Sjis("東京都"));
  code = Code(4, 14104);
  ASSERT_EQ(krvGetAdrRecord(&code, &area, sizeof area), 0);
  EXPECT_EQ(area.countyCode, 14100);

  ChoRecord town{};
  code = Code(5, 13101, town::kMarunouchi);
  ASSERT_EQ(krvGetAdrRecord(&code, &town, sizeof town), 0);
  EXPECT_EQ(std::string(town.name), Sjis("丸の内"));

  // A section record into a buffer one byte short copies nothing.
  unsigned char buffer[80];
  std::memset(buffer, 0xCD, sizeof buffer);
  code = Code(6, 13101, town::kMarunouchi, 2);
  EXPECT_EQ(krvGetAdrRecord(&code, buffer, 79), -5);
  EXPECT_EQ(buffer[0], 0xCD);
  EXPECT_EQ(buffer[79], 0xCD);
  ASSERT_EQ(krvGetAdrRecord(&code, buffer, 80), 0);
  AzaRecord section;
  std::memcpy(&section, buffer, sizeof section);
  EXPECT_EQ(std::string(section.name), Sjis("二丁目"));
  EXPECT_EQ(section.azaKey, town::kMarunouchi * 65536 + 2);

  // Named blocks and residences are fetched by their negative keys.
  GaikuRecord block{};
  code = Code(7, 8302, town::kNagaoka, 1, -1);
  ASSERT_EQ(krvGetAdrRecord(&code, &block, sizeof block), 0);
  EXPECT_EQ(block.gaikuKey, -1);
  EXPECT_NE(block.jukyoIndex, 0);
  JukyoRecord residence{};
  code = Code(8, 13101, town::kMarunouchi, 1, 1, -2);
  ASSERT_EQ(krvGetAdrRecord(&code, &residence, sizeof residence), 0);
  EXPECT_EQ(residence.jukyoKey, -2);
  code = Code(8, 13101, town::kMarunouchi, 1, 2, 3);
  EXPECT_EQ(krvGetAdrRecord(&code, &residence, 11), -5);
  ASSERT_EQ(krvGetAdrRecord(&code, &residence, sizeof residence), 0);
  EXPECT_EQ(residence.pointX, Ms(35.6801));

  const struct {
    AdrCode code;
    int result;
  } failures[] = {
      {Code(0, 13000), -2},
      {Code(9, 13000), -2},
      {Code(1, 999), -1},
      {Code(5, 13101, 0), -1},
      {Code(6, 13101, town::kMarunouchi, -1), -1},
      {Code(7, 13101, town::kMarunouchi, 1, 0), -1},
      {Code(8, 13101, town::kMarunouchi, 1, 1, 0), -1},
      {Code(1, 13999), -6},
      {Code(5, 13101, 9), -6},
      {Code(6, 13101, town::kMarunouchi, 9), -6},
      {Code(6, 13101, town::kChiyoda, 1), -6},
      {Code(7, 13101, town::kMarunouchi, 1, 99), -6},
      {Code(8, 13101, town::kMarunouchi, 1, 1, 99), -6},
  };
  for (const auto& f : failures) {
    unsigned char bytes[88];
    EXPECT_EQ(krvGetAdrRecord(&f.code, bytes, sizeof bytes), f.result) << Describe(f.code);
  }
  code = Code(1, 13000);
  EXPECT_EQ(krvGetAdrRecord(&code, nullptr, 88), -5);
  EXPECT_EQ(krvGetAdrRecord(nullptr, &area, sizeof area), -1);
}

// Stores that are not loaded answer -3.
TEST(EnumerationLoadLevel, AStoreNotLoadedAnswersMinus3) {
  TempDir dir;
  DbBuilder db;
  DeclareAddressDb(db);
  db.Write(dir.str());

  LoadAddressDb(dir.str(), 2);
  const AdrCode sections = Code(6, 13101, town::kMarunouchi);
  const AdrCode blocks = Code(7, 13101, town::kMarunouchi, 1);
  const AdrCode residences = Code(8, 13101, town::kMarunouchi, 1, 1);
  const AdrCode towns = Code(5, 13101);
  int32_t list[4];
  unsigned char record[88];
  EXPECT_EQ(krvGetNumAdrRecords(&towns), 4);
  EXPECT_EQ(krvGetNumAdrRecords(&sections), -3);
  EXPECT_EQ(krvGetAdrRecordList(&sections, list, 4), -3);
  EXPECT_EQ(krvGetNumAdrRecords(&blocks), -3);
  EXPECT_EQ(krvGetNumAdrRecords(&residences), -3);
  const AdrCode section = Code(6, 13101, town::kMarunouchi, 1);
  EXPECT_EQ(krvGetAdrRecord(&section, record, sizeof record), -3);

  LoadAddressDb(dir.str(), 1);
  EXPECT_EQ(krvGetNumAdrRecords(&towns), -3);
  const AdrCode area = Code(4, 13101);
  EXPECT_EQ(krvGetAdrRecord(&area, record, sizeof record), 0);
  UnloadAddressDb();
  EXPECT_EQ(krvGetAdrRecord(&area, record, sizeof record), -3);
}

}  // namespace
}  // namespace krv::test

namespace krv::test {
namespace {

// A town with many sections, each with blocks of its own: every section
// lists its own blocks.
TEST(EnumerationManySections, EverySectionListsItsBlocks) {
  TempDir dir;
  DbBuilder db;
  db.Area(13000, 1, "東京都");
  db.Area(13105, 4, "文京区");
  const TownRef town = db.Town(13105, "本郷");
  constexpr int kSections = 40;
  for (int s = 1; s <= kSections; ++s) {
    const SectionRef section = db.Section(town, std::to_string(s) + "丁目");
    for (int b = 1; b <= s % 3 + 1; ++b) db.Block(section, 100 * s + b);
  }
  db.Write(dir.str());
  LoadAddressDb(dir.str(), 4);
  for (int s = 1; s <= kSections; ++s) {
    const AdrCode blocks = Code(7, 13105, town.town, s);
    EXPECT_EQ(krvGetNumAdrRecords(&blocks), s % 3 + 1) << s;
    int32_t list[4] = {0, 0, 0, 0};
    EXPECT_EQ(krvGetAdrRecordList(&blocks, list, 4), s % 3 + 1) << s;
    EXPECT_EQ(list[0], 100 * s + 1) << s;
  }
  UnloadAddressDb();
}

}  // namespace
}  // namespace krv::test
