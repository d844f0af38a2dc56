#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "store_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kArea = 13101;

class AzaStoreTest : public StoreTest {
 protected:
  void Load(const DbBuilder& db) {
    db.WriteChoRec(File("krv_cho.rec"));
    db.WriteAzaRec(File("krv_aza.rec"));
    ASSERT_GE(ChoRecLoad(File("krv_cho.rec").c_str()), 0);
    ASSERT_GE(AzaRecLoad(File("krv_aza.rec").c_str()), 0);
  }
  // The name of the section found, or "-" for a miss, with the result code.
  std::string Search(int32_t table, const std::string& utf8, int expected = 1) {
    const std::string text = Sjis(utf8);
    AzaRecord record{};
    matchLength_ = -7;
    const int rc = AzaRecSearch(table, text.c_str(), &matchLength_, &record);
    EXPECT_EQ(rc, expected) << utf8;
    return rc == 1 ? Utf8(record.name) : "-";
  }

  int matchLength_ = -7;
};

TEST_F(AzaStoreTest, RecordAccessCodes) {
  DbBuilder db;
  const TownRef marunouchi = db.Town(kArea, "丸の内");
  const TownRef plain = db.Town(kArea, "大手町");  // no sections
  db.Section(marunouchi, "一丁目");
  db.Section(marunouchi, "二丁目");
  Load(db);

  AzaRecord record{};
  EXPECT_EQ(AzaRecNumRecords(kArea, marunouchi.town), 2);
  ASSERT_EQ(AzaRecGet(kArea, marunouchi.town, 2, &record), 0);
  EXPECT_EQ(record.azaKey, marunouchi.town * 65536 + 2);
  EXPECT_EQ(std::string(record.name), Sjis("二丁目"));

  EXPECT_EQ(AzaRecNumRecords(999, 1), -2);
  EXPECT_EQ(AzaRecNumRecords(kArea, 9), -3);
  EXPECT_EQ(AzaRecNumRecords(kArea, plain.town), -4);  // azaIndex 0: -4, not 0
  EXPECT_EQ(AzaRecGet(kArea, marunouchi.town, 0, &record), -5);
  EXPECT_EQ(AzaRecGet(kArea, marunouchi.town, 3, &record), -5);
  EXPECT_EQ(AzaRecPut(kArea, marunouchi.town, 3, &record), -5);

  AzaRecEnd();
  EXPECT_EQ(AzaRecNumRecords(kArea, marunouchi.town), -1);
  EXPECT_EQ(AzaRecGet(kArea, marunouchi.town, 1, &record), -1);
}

TEST_F(AzaStoreTest, RecordWithAnotherKeyIsCopiedButNotOverwritten) {
  DbBuilder db;
  const TownRef town = db.Town(kArea, "丸の内");
  db.Section(town, "一丁目");
  db.Record(db.Section(town, "二丁目")).azaKey = 12345;
  Load(db);

  AzaRecord record{};
  EXPECT_EQ(AzaRecGet(kArea, town.town, 2, &record), -6);
  EXPECT_EQ(std::string(record.name), Sjis("二丁目"));
  record.gaikuIndex = 99;
  EXPECT_EQ(AzaRecPut(kArea, town.town, 2, &record), -6);
  AzaRecord again{};
  EXPECT_EQ(AzaRecGet(kArea, town.town, 2, &again), -6);
  EXPECT_EQ(again.gaikuIndex, 0);
}

TEST_F(AzaStoreTest, PutAndSaveRoundTripKeepsEveryOtherByte) {
  DbBuilder db;
  const TownRef town = db.Town(kArea, "丸の内");
  db.Section(town, "一丁目");
  db.Section(town, "二丁目");
  Load(db);

  AzaRecord record{};
  ASSERT_EQ(AzaRecGet(kArea, town.town, 2, &record), 0);
  record.gaikuIndex = 5;
  record.pointX = 128452449;
  ASSERT_EQ(AzaRecPut(kArea, town.town, 2, &record), 0);
  ASSERT_EQ(AzaRecSave(File("saved.rec").c_str()), 2);

  std::string expected = ReadFile(File("krv_aza.rec"));
  expected.replace(offsets::AzaRecordAt(1), sizeof record, reinterpret_cast<const char*>(&record), sizeof record);
  EXPECT_EQ(ReadFile(File("saved.rec")), expected);

  AzaRecEnd();
  ASSERT_EQ(AzaRecLoad(File("saved.rec").c_str()), 2);
  AzaRecord reloaded{};
  ASSERT_EQ(AzaRecGet(kArea, town.town, 2, &reloaded), 0);
  EXPECT_EQ(reloaded.gaikuIndex, 5);
  EXPECT_EQ(reloaded.pointX, 128452449);
}

// The search by number reads the number of a name put after the load, not
// the one the name had when it was loaded.
TEST_F(AzaStoreTest, SearchByNumberFollowsAPutName) {
  DbBuilder db;
  const TownRef town = db.Town(kArea, "丸の内");
  db.Section(town, "一丁目");
  db.Section(town, "二丁目");
  Load(db);
  const int32_t table = db.SectionTableIndex(town);

  AzaRecord record{};
  ASSERT_EQ(AzaRecGet(kArea, town.town, 2, &record), 0);
  std::strcpy(record.name, Sjis("三丁目").c_str());
  ASSERT_EQ(AzaRecPut(kArea, town.town, 2, &record), 0);
  EXPECT_EQ(Search(table, "3丁目"), "三丁目");
  EXPECT_EQ(Search(table, "2丁目", 0), "-");

  std::strcpy(record.name, Sjis("北").c_str());
  ASSERT_EQ(AzaRecPut(kArea, town.town, 2, &record), 0);
  EXPECT_EQ(Search(table, "3丁目", 0), "-");
  EXPECT_EQ(Search(table, "北", 1), "北");
}

TEST_F(AzaStoreTest, SearchByNumberAndByName) {
  DbBuilder db;
  const TownRef chome = db.Town(kArea, "丸の内");
  db.Section(chome, "一丁目");
  db.Section(chome, "二丁目");
  db.Section(chome, "五丁目");
  const TownRef named = db.Town(kArea, "千代田");
  db.Section(named, "大手町");
  db.Section(named, "丸の内");
  Load(db);
  const int32_t chomeTable = db.SectionTableIndex(chome);
  const int32_t namedTable = db.SectionTableIndex(named);

  struct Case {
    int32_t table;
    const char* text;
    const char* found;  // "-" for a miss
    int matchLength;
  };
  const Case cases[] = {
      {chomeTable, "2丁目5番", "二丁目", 5},
      {chomeTable, "二丁目5番", "二丁目", 6},
      {chomeTable, "５-3", "五丁目", 3},
      {chomeTable, "5-3", "五丁目", 2},
      {chomeTable, "5の3", "五丁目", 3},
      {chomeTable, "1", "一丁目", 1},
      // A unit further on belongs to what follows: ー of the building name
      // is not counted, nor is a later 丁目.
      {chomeTable, "2 グリーンハイツ", "二丁目", 1},
      {chomeTable, "2番地の1丁目", "二丁目", 1},
      {chomeTable, "3丁目", "-", 0},  // no section 3: the length is 0 on a miss
      {namedTable, "大手町一丁目", "大手町", 6},
      {namedTable, "新丸の内ビル", "丸の内", 6},  // anywhere in the text
      {namedTable, "有楽町", "-", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Search(c.table, c.text, std::string(c.found) == "-" ? 0 : 1), c.found) << c.text;
    EXPECT_EQ(matchLength_, c.matchLength) << c.text;
  }
}

TEST_F(AzaStoreTest, NamedSearchMatchesWholeCharactersOnly) {
  DbBuilder db;
  const TownRef town = db.Town(kArea, "千代田");
  db.Section(town, "東");
  Load(db);
  // ン原 is 83 93 8C B4; its middle bytes 93 8C spell 東.
  EXPECT_EQ(Search(db.SectionTableIndex(town), "グリーン原宿", 0), "-");
  EXPECT_EQ(Search(db.SectionTableIndex(town), "東グリーン", 1), "東");
}

TEST_F(AzaStoreTest, SearchCodes) {
  DbBuilder db;
  const TownRef town = db.Town(kArea, "丸の内");
  db.Section(town, "一丁目");
  Load(db);
  const std::string text = Sjis("1丁目");
  int length = 0;
  AzaRecord record{};
  EXPECT_EQ(AzaRecSearch(db.SectionTablesUsed(), text.c_str(), &length, &record), -2);
  EXPECT_EQ(AzaRecSearch(-1, text.c_str(), &length, &record), -2);
  EXPECT_EQ(AzaRecSearch(1, text.c_str(), nullptr, &record), -3);
  EXPECT_EQ(AzaRecSearch(1, text.c_str(), &length, nullptr), -3);
  AzaRecEnd();
  EXPECT_EQ(AzaRecSearch(1, text.c_str(), &length, &record), -1);
}

}  // namespace
}  // namespace krv::test
