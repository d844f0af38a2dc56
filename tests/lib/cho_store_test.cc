#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "layout.h"
#include "store_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kArea = 13101;

class ChoStoreTest : public StoreTest {
 protected:
  void Load(const DbBuilder& db) {
    db.WriteChoRec(File("krv_cho.rec"));
    db.WriteChoHash(File("krv_cho.hsh"));
    ASSERT_GE(ChoRecLoad(File("krv_cho.rec").c_str()), 0);
    ASSERT_EQ(ChoHashLoad(File("krv_cho.hsh").c_str()), 0);
  }
  int Search(int32_t area, const std::string& utf8) {
    const std::string text = Sjis(utf8);
    matchLength_ = -7;
    townNo_ = -7;
    return ChoHashSearch(area, text.c_str(), &matchLength_, &townNo_);
  }

  int matchLength_ = -7;
  int32_t townNo_ = -7;
};

TEST_F(ChoStoreTest, GetsTownsByNumber) {
  DbBuilder db;
  const TownRef marunouchi = db.Town(kArea, "丸の内", "ﾏﾙﾉｳﾁ");
  db.Record(marunouchi).postCode = 1000005;
  db.Town(kArea, "大手町");
  db.AreaTown(13102);
  db.WriteChoRec(File("krv_cho.rec"));

  ChoRecord record{};
  EXPECT_EQ(ChoRecNumRecords(kArea), -1);
  EXPECT_EQ(ChoRecGet(kArea, 1, &record), -1);
  ASSERT_EQ(ChoRecLoad(File("krv_cho.rec").c_str()), 4);

  EXPECT_EQ(ChoRecNumRecords(kArea), 3);
  EXPECT_EQ(ChoRecNumRecords(13102), 1);
  EXPECT_EQ(ChoRecNumRecords(13103), 0);
  EXPECT_EQ(ChoRecNumRecords(999), -2);

  ASSERT_EQ(ChoRecGet(kArea, 1, &record), 0);  // the area's own record
  EXPECT_EQ(record.townNo, 1);
  EXPECT_EQ(record.name[0], '\0');
  ASSERT_EQ(ChoRecGet(kArea, 2, &record), 0);
  EXPECT_EQ(record.townNo, 2);
  EXPECT_EQ(std::string(record.name), Sjis("丸の内"));
  EXPECT_EQ(std::string(record.kana), Sjis("ﾏﾙﾉｳﾁ"));
  EXPECT_EQ(record.postCode, 1000005);

  EXPECT_EQ(ChoRecGet(kArea, 0, &record), -3);
  EXPECT_EQ(ChoRecGet(kArea, 4, &record), -3);
  EXPECT_EQ(ChoRecGet(13103, 1, &record), -3);
  EXPECT_EQ(ChoRecGet(48000, 1, &record), -2);
  EXPECT_EQ(ChoRecPut(kArea, 4, &record), -3);
}

TEST_F(ChoStoreTest, PutAndSaveRoundTripKeepsEveryOtherByte) {
  DbBuilder db;
  db.Town(kArea, "丸の内");
  const TownRef otemachi = db.Town(kArea, "大手町");
  db.WriteChoRec(File("krv_cho.rec"));
  ASSERT_EQ(ChoRecLoad(File("krv_cho.rec").c_str()), 3);

  ChoRecord record{};
  ASSERT_EQ(ChoRecGet(kArea, otemachi.town, &record), 0);
  record.azaIndex = 7;
  record.gaikuIndex = 9;
  ASSERT_EQ(ChoRecPut(kArea, otemachi.town, &record), 0);
  ASSERT_EQ(ChoRecSave(File("saved.rec").c_str()), 3);

  std::string expected = ReadFile(File("krv_cho.rec"));
  const std::size_t at = offsets::ChoRecordAt(2);
  expected.replace(at, sizeof record, reinterpret_cast<const char*>(&record), sizeof record);
  EXPECT_EQ(ReadFile(File("saved.rec")), expected);

  ChoRecEnd();
  ASSERT_EQ(ChoRecLoad(File("saved.rec").c_str()), 3);
  ChoRecord reloaded{};
  ASSERT_EQ(ChoRecGet(kArea, otemachi.town, &reloaded), 0);
  EXPECT_EQ(reloaded.azaIndex, 7);
  EXPECT_EQ(reloaded.gaikuIndex, 9);
}

TEST_F(ChoStoreTest, PutCutsATextWithoutTerminatorSoTheSavedFileLoads) {
  DbBuilder db;
  db.Town(kArea, "丸の内");
  db.WriteChoRec(File("krv_cho.rec"));
  ASSERT_EQ(ChoRecLoad(File("krv_cho.rec").c_str()), 2);
  ChoRecord record{};
  ASSERT_EQ(ChoRecGet(kArea, 2, &record), 0);
  std::memset(record.name, 'A', sizeof record.name);
  ASSERT_EQ(ChoRecPut(kArea, 2, &record), 0);
  ASSERT_EQ(ChoRecSave(File("saved.rec").c_str()), 2);
  ChoRecEnd();
  ASSERT_EQ(ChoRecLoad(File("saved.rec").c_str()), 2);
  ASSERT_EQ(ChoRecGet(kArea, 2, &record), 0);
  EXPECT_EQ(std::string(record.name), std::string(30, 'A'));
}

TEST_F(ChoStoreTest, SaveWithoutRecordsWritesNothing) {
  EXPECT_EQ(ChoRecSave(File("saved.rec").c_str()), -1);
  EXPECT_FALSE(std::filesystem::exists(File("saved.rec")));
}

TEST_F(ChoStoreTest, FindsTownNamesByEachKeyTry) {
  DbBuilder db;
  const TownRef honmachi = db.Town(kArea, "本町");     // four-byte key
  const TownRef asahi = db.Town(kArea, "旭");           // two bytes + FF FF
  const TownRef amachi = db.Town(kArea, "ｱ町");         // three bytes + NUL
  Load(db);

  EXPECT_EQ(Search(kArea, "本町1-2"), 1);
  EXPECT_EQ(townNo_, honmachi.town);
  EXPECT_EQ(matchLength_, 4);

  EXPECT_EQ(Search(kArea, "旭1-2"), 1);
  EXPECT_EQ(townNo_, asahi.town);
  EXPECT_EQ(matchLength_, 2);
  EXPECT_EQ(Search(kArea, "旭"), 1);
  EXPECT_EQ(townNo_, asahi.town);

  // "ｱ町1" keys to another bucket than "ｱ町" in the first try; the third try
  // finds it.
  const uint32_t g = db.TownHashSize(kArea);
  const std::string text = Sjis("ｱ町1");
  ASSERT_NE(format::GetU32(text.c_str()) % g, format::ChoHashKey(Sjis("ｱ町").c_str(), 3) % g);
  EXPECT_EQ(Search(kArea, "ｱ町1"), 1);
  EXPECT_EQ(townNo_, amachi.town);
  EXPECT_EQ(matchLength_, 3);
  EXPECT_EQ(Search(kArea, "ｱ町"), 1);
  EXPECT_EQ(matchLength_, 3);
}

TEST_F(ChoStoreTest, LongestTownNameWinsAndVariantsFindTheirTown) {
  DbBuilder db;
  db.Town(kArea, "本町");
  const TownRef itchome = db.Town(kArea, "本町一丁目");
  const TownRef tsurugaoka = db.Town(kArea, "鶴ケ丘");
  db.TownName(tsurugaoka, "鶴ヶ丘");
  Load(db);

  EXPECT_EQ(Search(kArea, "本町一丁目5番"), 1);
  EXPECT_EQ(townNo_, itchome.town);
  EXPECT_EQ(matchLength_, 10);
  EXPECT_EQ(Search(kArea, "鶴ヶ丘3"), 1);
  EXPECT_EQ(townNo_, tsurugaoka.town);
  EXPECT_EQ(Search(kArea, "元町"), 0);
  EXPECT_EQ(townNo_, -7);
}

TEST_F(ChoStoreTest, SearchCodes) {
  DbBuilder db;
  db.Town(kArea, "本町");
  db.AreaTown(13102);  // only the area's own record: an empty hash block
  Load(db);

  EXPECT_EQ(Search(kArea, ""), -2);
  EXPECT_EQ(Search(999, "本町"), -3);
  EXPECT_EQ(Search(13102, "本町"), 0);
  EXPECT_EQ(Search(13103, "本町"), -4);  // no town records, no block

  ChoHashEnd();
  PatchU32(File("krv_cho.hsh"), offsets::ChoHashWordAt(db.TownHashBlockPosition(kArea)), 13103);
  ASSERT_EQ(ChoHashLoad(File("krv_cho.hsh").c_str()), 0);
  EXPECT_EQ(Search(kArea, "本町"), -5);

  ChoHashEnd();
  EXPECT_EQ(Search(kArea, "本町"), -1);
}

TEST_F(ChoStoreTest, ThreeHundredCandidatesAreTooMany) {
  DbBuilder db;
  for (int i = 0; i < 299; ++i) db.Town(kArea, "本町");
  Load(db);
  EXPECT_EQ(Search(kArea, "本町"), 1);
  EXPECT_EQ(townNo_, 2);  // the first of the equally long names

  EndAllStores();
  db.Town(kArea, "本町");
  Load(db);
  EXPECT_EQ(Search(kArea, "本町"), -6);
  EXPECT_EQ(townNo_, -7);
}

}  // namespace
}  // namespace krv::test
