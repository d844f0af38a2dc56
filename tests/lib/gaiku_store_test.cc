#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kArea = 13101;

class GaikuStoreTest : public StoreTest {
 protected:
  void Load(const DbBuilder& db) {
    db.Write(dir_.str());
    ASSERT_GE(ChoRecLoad(File("krv_cho.rec").c_str()), 0);
    ASSERT_GE(AzaRecLoad(File("krv_aza.rec").c_str()), 0);
    ASSERT_GE(GaikuRecLoad(File("krv_gaiku.rec").c_str(), Strings().c_str()), 0);
  }
  // The key of the block found, with its match length; 0 for a miss.
  int32_t Search(int32_t table, const std::string& utf8, int expected = 1) {
    const std::string text = Sjis(utf8);
    GaikuRecord record{};
    matchLength_ = -7;
    const int rc = GaikuRecSearch(table, text.c_str(), &matchLength_, &record);
    EXPECT_EQ(rc, expected) << utf8;
    return rc == 1 ? record.gaikuKey : 0;
  }

  int matchLength_ = -7;
};

// A town without sections with blocks 12, 5 and 甲, and a town with section
// 一丁目 holding blocks 1 and 2.
struct Sample {
  Sample() {
    lots = db.Town(kArea, "大手町");
    db.ResidenceFlag(lots, 0);
    db.Block(lots, 12, 1000, 2000);
    db.Block(lots, 5);
    kou = db.NamedBlock(lots, "甲");
    chome = db.Town(kArea, "丸の内");
    section = db.Section(chome, "一丁目");
    db.ResidenceFlag(section, 1);
    db.Block(section, 1);
    db.Block(section, 2);
    plain = db.Town(kArea, "有楽町");  // no blocks
  }
  DbBuilder db;
  TownRef lots, chome, plain;
  SectionRef section;
  BlockRef kou{};
};

TEST_F(GaikuStoreTest, TableLookupCodes) {
  Sample s;
  Load(s.db);
  const int32_t lotsTable = s.db.BlockTableIndex(s.lots);
  const int32_t sectionTable = s.db.BlockTableIndex(s.section);

  EXPECT_EQ(GetGaikuTableNum(kArea, s.lots.town, 0), lotsTable);
  EXPECT_EQ(GetGaikuTableNum(kArea, s.chome.town, 1), sectionTable);
  EXPECT_EQ(GetGaikuTableNum(kArea, s.plain.town, 0), 0);
  EXPECT_EQ(GetGaikuTableNum(kArea, 99, 0), -102);
  EXPECT_EQ(GetGaikuTableNum(kArea, s.chome.town, 2), -103);
  EXPECT_EQ(GaikuRecNumRecords(kArea, s.lots.town, 0), 3);
  EXPECT_EQ(GaikuRecNumRecords(kArea, s.plain.town, -1), 0);
  EXPECT_EQ(GaikuRecNumRecords(kArea, 99, 0), -102);

  GaikuRecEnd();
  EXPECT_EQ(GetGaikuTableNum(kArea, s.lots.town, 0), -101);
}

TEST_F(GaikuStoreTest, TableOfAnotherTownIsRefused) {
  Sample s;
  s.db.Record(s.plain).gaikuIndex = s.db.BlockTableIndex(s.lots);
  Load(s.db);
  EXPECT_EQ(GetGaikuTableNum(kArea, s.plain.town, 0), -104);
  EXPECT_EQ(GaikuRecNumRecords(kArea, s.plain.town, 0), -104);
  int32_t list[4];
  EXPECT_EQ(GaikuRecGetList(kArea, s.plain.town, 0, list, 4), -104);
  GaikuRecord record{};
  EXPECT_EQ(GaikuRecGet(kArea, s.plain.town, 0, 12, &record, nullptr), -104);
  EXPECT_EQ(GaikuRecPut(kArea, s.plain.town, 0, 12, &record), -104);
}

TEST_F(GaikuStoreTest, ListsKeysInTableOrder) {
  Sample s;
  Load(s.db);
  std::vector<int32_t> list(5, -9);
  EXPECT_EQ(GaikuRecGetList(kArea, s.lots.town, 0, list.data(), -1), 3);
  EXPECT_EQ(list, (std::vector<int32_t>{12, 5, s.kou.key, -9, -9}));
  list.assign(5, -9);
  EXPECT_EQ(GaikuRecGetList(kArea, s.lots.town, 0, list.data(), 2), 2);
  EXPECT_EQ(list, (std::vector<int32_t>{12, 5, -9, -9, -9}));
  EXPECT_EQ(GaikuRecGetList(kArea, s.lots.town, 0, list.data(), 0), 0);
  EXPECT_EQ(list[0], 12);
  EXPECT_EQ(GaikuRecGetList(kArea, s.plain.town, 0, list.data(), 5), 0);
}

TEST_F(GaikuStoreTest, GetGivesTheFlagEvenForAMissingBlock) {
  Sample s;
  Load(s.db);
  GaikuRecord record{};
  int flag = -7;
  ASSERT_EQ(GaikuRecGet(kArea, s.lots.town, 0, 12, &record, &flag), 0);
  EXPECT_EQ(record.gaikuKey, 12);
  EXPECT_EQ(record.pointX, 1000);
  EXPECT_EQ(record.pointY, 2000);
  EXPECT_EQ(flag, 0);

  flag = -7;
  EXPECT_EQ(GaikuRecGet(kArea, s.chome.town, 1, 7, &record, &flag), -1);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(GaikuRecGet(kArea, s.chome.town, 1, 2, nullptr, &flag), -1);
  EXPECT_EQ(GaikuRecGet(kArea, s.plain.town, 0, 12, &record, &flag), -1);  // no table
}

TEST_F(GaikuStoreTest, PutAndSaveRoundTripKeepsEveryOtherByte) {
  Sample s;
  Load(s.db);
  GaikuRecord record{};
  ASSERT_EQ(GaikuRecGet(kArea, s.chome.town, 1, 2, &record, nullptr), 0);
  record.jukyoIndex = 3;
  ASSERT_EQ(GaikuRecPut(kArea, s.chome.town, 1, 2, &record), 0);
  EXPECT_EQ(GaikuRecPut(kArea, s.chome.town, 1, 9, &record), -1);
  ASSERT_EQ(GaikuRecSave(File("saved.rec").c_str()), 5);

  std::string expected = ReadFile(File("krv_gaiku.rec"));
  const std::size_t at = offsets::GaikuRecordAt(s.db.BlockTableCount(), 4);
  expected.replace(at, sizeof record, reinterpret_cast<const char*>(&record), sizeof record);
  EXPECT_EQ(ReadFile(File("saved.rec")), expected);

  GaikuRecEnd();
  ASSERT_EQ(GaikuRecLoad(File("saved.rec").c_str(), Strings().c_str()), 5);
  GaikuRecord reloaded{};
  ASSERT_EQ(GaikuRecGet(kArea, s.chome.town, 1, 2, &reloaded, nullptr), 0);
  EXPECT_EQ(reloaded.jukyoIndex, 3);
}

TEST_F(GaikuStoreTest, SecondLoadReadsNothing) {
  Sample s;
  Load(s.db);
  EXPECT_EQ(GaikuRecLoad(File("missing.rec").c_str(), nullptr), 5);
  EXPECT_EQ(Search(s.db.BlockTableIndex(s.lots), "甲1番"), s.kou.key);
}

TEST_F(GaikuStoreTest, SearchByNumberAndByName) {
  Sample s;
  Load(s.db);
  const int32_t lots = s.db.BlockTableIndex(s.lots);
  struct Case {
    const char* text;
    int32_t key;  // 0 for a miss
    int matchLength;
  };
  const Case cases[] = {
      {"12番地の3", 12, 6},
      {"12番3号", 12, 4},
      {"12-3", 12, 3},
      {"１２ー３", 12, 6},
      {"12街区", 12, 6},
      {"12", 12, 2},
      // A unit further on belongs to what follows.
      {"5 グリーンハイツ", 5, 1},
      {"5グリーン番地", 5, 1},
      {"7番地", 0, 5},  // a miss keeps the parsed length
      {"甲1番", s.kou.key, 2},
      {"乙1番", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Search(lots, c.text, c.key == 0 ? 0 : 1), c.key) << c.text;
    EXPECT_EQ(matchLength_, c.matchLength) << c.text;
  }
}

TEST_F(GaikuStoreTest, NamedSearchMatchesWholeCharactersOnly) {
  DbBuilder db;
  const TownRef town = db.Town(kArea, "大手町");
  const BlockRef east = db.NamedBlock(town, "東");
  Load(db);
  const int32_t table = db.BlockTableIndex(town);
  EXPECT_EQ(Search(table, "グリーン原宿", 0), 0);  // ン原 = 83 93 8C B4 holds 93 8C, 東
  EXPECT_EQ(Search(table, "東１", 1), east.key);
}

TEST_F(GaikuStoreTest, WithoutStringFileNamedBlocksAreNotFound) {
  Sample s;
  s.db.Write(dir_.str());
  std::filesystem::remove(Strings());
  ASSERT_EQ(GaikuRecLoad(File("krv_gaiku.rec").c_str(), Strings().c_str()), 5);
  EXPECT_EQ(Search(s.db.BlockTableIndex(s.lots), "甲1番", 0), 0);
  EXPECT_EQ(Search(s.db.BlockTableIndex(s.lots), "12", 1), 12);
}

TEST_F(GaikuStoreTest, SearchCodes) {
  Sample s;
  Load(s.db);
  const std::string text = Sjis("12");
  int length = 0;
  GaikuRecord record{};
  EXPECT_EQ(GaikuRecSearch(s.db.BlockTableCount(), text.c_str(), &length, &record), -2);
  EXPECT_EQ(GaikuRecSearch(1, text.c_str(), nullptr, &record), -3);
  GaikuRecEnd();
  EXPECT_EQ(GaikuRecSearch(1, text.c_str(), &length, &record), -1);
}

}  // namespace
}  // namespace krv::test
