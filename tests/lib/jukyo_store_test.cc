#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "layout.h"
#include "store_fixture.h"

namespace krv::test {
namespace {

class JukyoStoreTest : public StoreTest {
 protected:
  void Load(const DbBuilder& db) {
    db.Write(dir_.str());
    LoadAll();
  }
  // The key of the residence found; 0 for a miss.
  int32_t Search(int32_t table, const std::string& utf8, int expected = 1) {
    const std::string text = Sjis(utf8);
    JukyoRecord record{};
    matchLength_ = -7;
    const int rc = JukyoRecSearch(table, text.c_str(), &matchLength_, &record);
    EXPECT_EQ(rc, expected) << utf8;
    return rc == 1 ? record.jukyoKey : 0;
  }

  int matchLength_ = -7;
};

// Area 13101, town 5, section 2 with blocks 3 (residences 1 to 7) and 4
// (none).
struct Sample {
  Sample() {
    db.Area(13101, 4, "千代田区");
    TownRef town;
    for (int i = 0; i < 4; ++i) town = db.Town(13101, "町");
    db.Section(town, "一丁目");
    section = db.Section(town, "二丁目");
    block3 = db.Block(section, 3);
    block4 = db.Block(section, 4);
    for (int32_t k = 1; k <= 7; ++k) db.Residence(block3, k, 100 * k, 200 * k);
  }
  DbBuilder db;
  SectionRef section{};
  BlockRef block3{}, block4{};
};

TEST_F(JukyoStoreTest, CheckValueTiesATableToItsBlock) {
  Sample s;
  ASSERT_EQ(s.section.town, 5);
  ASSERT_EQ(s.section.aza, 2);
  Load(s.db);
  const int32_t table = s.db.ResidenceTableIndex(s.block3);
  const std::string file = ReadFile(File("krv_jukyo.rec"));
  EXPECT_EQ(format::GetU32(file.data() + offsets::JukyoTableEntryAt(table)), 13111u * 65536 + 7);

  EXPECT_EQ(GetJukyoTableNum(13101, 5, 2, 3), table);
  EXPECT_EQ(JukyoRecNumRecords(13101, 5, 2, 3), 7);
  EXPECT_EQ(GetJukyoTableNum(13101, 5, 2, 4), 0);
  EXPECT_EQ(JukyoRecNumRecords(13101, 5, 2, 4), 0);
  EXPECT_EQ(JukyoRecNumRecords(13101, 5, 2, 9), -102);

  // Block 4 naming block 3's table is refused.
  EndAllStores();
  s.db.Record(s.block4).jukyoIndex = table;
  Load(s.db);
  EXPECT_EQ(GetJukyoTableNum(13101, 5, 2, 4), -103);
  EXPECT_EQ(JukyoRecNumRecords(13101, 5, 2, 4), -103);

  JukyoRecEnd();
  EXPECT_EQ(GetJukyoTableNum(13101, 5, 2, 3), -101);
}

TEST_F(JukyoStoreTest, NegativeBlockKeyCountsAsItsThirtyTwoBitValue) {
  DbBuilder db;
  db.Area(1101, 4, "中央区");
  db.AddString("乙");
  const BlockRef kou = db.NamedBlock(db.AreaTown(1101), "甲");
  ASSERT_EQ(kou.key, -2);
  db.Residence(kou, 1);
  Load(db);
  const std::string file = ReadFile(File("krv_jukyo.rec"));
  const std::size_t entry = offsets::JukyoTableEntryAt(db.ResidenceTableIndex(kou));
  EXPECT_EQ(format::GetU16(file.data() + entry + 2), 1100);
  EXPECT_EQ(GetJukyoTableNum(1101, 1, 0, -2), db.ResidenceTableIndex(kou));
}

TEST_F(JukyoStoreTest, ListGetAndPut) {
  Sample s;
  Load(s.db);
  std::vector<int32_t> list(8, -9);
  EXPECT_EQ(JukyoRecGetList(13101, 5, 2, 3, list.data(), -1), 7);
  EXPECT_EQ(list, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, -9}));
  EXPECT_EQ(JukyoRecGetList(13101, 5, 2, 3, list.data(), 0), 0);
  EXPECT_EQ(JukyoRecGetList(13101, 5, 2, 4, list.data(), 8), 0);
  EXPECT_EQ(JukyoRecGetList(13101, 5, 2, 9, list.data(), 8), -102);

  JukyoRecord record{};
  ASSERT_EQ(JukyoRecGet(13101, 5, 2, 3, 6, &record), 0);
  EXPECT_EQ(record.pointX, 600);
  EXPECT_EQ(record.pointY, 1200);
  EXPECT_EQ(JukyoRecGet(13101, 5, 2, 3, 8, &record), -1);
  EXPECT_EQ(JukyoRecGet(13101, 5, 2, 3, 6, nullptr), -1);
  EXPECT_EQ(JukyoRecGet(13101, 5, 2, 4, 1, &record), -1);
  EXPECT_EQ(JukyoRecGet(13101, 5, 2, 9, 1, &record), -102);

  record.pointX = 42;
  ASSERT_EQ(JukyoRecPut(13101, 5, 2, 3, 6, &record), 0);
  EXPECT_EQ(JukyoRecPut(13101, 5, 2, 3, 8, &record), -1);
  ASSERT_EQ(JukyoRecSave(File("saved.rec").c_str()), 7);
  std::string expected = ReadFile(File("krv_jukyo.rec"));
  expected.replace(offsets::JukyoRecordAt(s.db.ResidenceTableCount(), 5), sizeof record,
                   reinterpret_cast<const char*>(&record), sizeof record);
  EXPECT_EQ(ReadFile(File("saved.rec")), expected);

  JukyoRecEnd();
  ASSERT_EQ(JukyoRecLoad(File("saved.rec").c_str(), Strings().c_str()), 7);
  JukyoRecord reloaded{};
  ASSERT_EQ(JukyoRecGet(13101, 5, 2, 3, 6, &reloaded), 0);
  EXPECT_EQ(reloaded.pointX, 42);
}

TEST_F(JukyoStoreTest, SearchByNumberAndByName) {
  Sample s;
  const int32_t i = s.db.NamedResidence(s.block3, "イ");
  Load(s.db);
  const int32_t table = s.db.ResidenceTableIndex(s.block3);
  struct Case {
    const char* text;
    int32_t key;  // 0 for a miss
    int matchLength;
  };
  const Case cases[] = {
      {"5号", 5, 3},
      {"5-2", 5, 2},
      {"5", 5, 1},
      {"５号室", 5, 4},
      {"2番地", 2, 5},
      // A unit further on belongs to the building name.
      {"2 グリーンハイツ", 2, 1},
      {"2グリーンハイツ1号室", 2, 1},
      {"9号", 0, 3},
      {"イ", i, 2},
      {"ロ", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Search(table, c.text, c.key == 0 ? 0 : 1), c.key) << c.text;
    EXPECT_EQ(matchLength_, c.matchLength) << c.text;
  }
}

TEST_F(JukyoStoreTest, EmptyTableListRefusesEveryIndex) {
  DbBuilder db;
  db.Town(13101, "町");
  db.Write(dir_.str());  // no residence at all: t = 0
  ASSERT_EQ(JukyoRecLoad(File("krv_jukyo.rec").c_str(), Strings().c_str()), 0);
  int length = 0;
  JukyoRecord record{};
  EXPECT_EQ(JukyoRecSearch(0, "1", &length, &record), -2);

  EndAllStores();
  Sample s;
  Load(s.db);  // t >= 1: table 0 is the empty entry
  EXPECT_EQ(JukyoRecSearch(0, "1", &length, &record), 0);
  EXPECT_EQ(JukyoRecSearch(s.db.ResidenceTableCount(), "1", &length, &record), -2);
  EXPECT_EQ(JukyoRecSearch(1, "1", &length, nullptr), -3);
}

}  // namespace
}  // namespace krv::test
