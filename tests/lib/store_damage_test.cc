// Damaged DB files: every index, count or link read from a file that points
// outside what was loaded makes the load fail with the store's code, or the
// lookup that follows it miss.  Run under the sanitizer build, these cases
// also show that nothing reads out of bounds or loops.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "layout.h"
#include "store_fixture.h"

namespace krv::test {
namespace {

constexpr int32_t kArea = 13101;

class StoreDamageTest : public StoreTest {
 protected:
  StoreDamageTest() {
    db_.SetAreaHashSize(7);
    db_.Area(13000, 1, "東京都");          // area-name entry 1
    db_.Area(kArea, 4, "千代田区");         // entry 2
    db_.AreaName("東京", 13999, 4);         // entry 3, chained behind entry 1
    marunouchi_ = db_.Town(kArea, "丸の内");  // town-name entry 1
    db_.Town(kArea, "本町");                  // entry 2
    db_.Town(kArea, "本町一丁目");            // entry 3, chained behind entry 2
    db_.AreaTown(13102);
    const SectionRef section = db_.Section(marunouchi_, "一丁目");
    block_ = db_.Block(section, 1);
    db_.NamedBlock(section, "甲");       // string 1, key -1
    db_.Residence(block_, 1);
    db_.NamedResidence(block_, "イ");    // string 2, key -2
  }

  // Loads the stores a probe needs; each must succeed.
  int LoadRecords() {
    EXPECT_GE(ChoRecLoad(File("krv_cho.rec").c_str()), 0);
    EXPECT_GE(AzaRecLoad(File("krv_aza.rec").c_str()), 0);
    EXPECT_GE(GaikuRecLoad(File("krv_gaiku.rec").c_str(), Strings().c_str()), 0);
    return JukyoRecLoad(File("krv_jukyo.rec").c_str(), Strings().c_str());
  }
  int SearchBlock(const std::string& utf8) {
    int length = 0;
    GaikuRecord record{};
    return GaikuRecSearch(block_.table, Sjis(utf8).c_str(), &length, &record);
  }
  int SearchResidence(const std::string& utf8) {
    int length = 0;
    JukyoRecord record{};
    return JukyoRecSearch(db_.ResidenceTableIndex(block_), Sjis(utf8).c_str(), &length, &record);
  }

  DbBuilder db_;
  TownRef marunouchi_{};
  BlockRef block_{};
};

TEST_F(StoreDamageTest, EveryOutOfRangeValueGivesALoadErrorOrAMiss) {
  const std::string gyoseiRec = File("krv_gyosei.rec");
  const std::string gyoseiHash = File("krv_gyosei.hsh");
  const std::string choRec = File("krv_cho.rec");
  const std::string choHash = File("krv_cho.hsh");
  const std::string aza = File("krv_aza.rec");
  const std::string gaiku = File("krv_gaiku.rec");
  const std::string jukyo = File("krv_jukyo.rec");
  const std::string strings = Strings();

  const uint32_t h = db_.AreaHashSize();
  const uint32_t s = db_.TownHashBlockAreaBytes();
  const uint32_t p = db_.TownHashBlockPosition(kArea);
  const int32_t t = db_.BlockTableCount();
  const int32_t jt = db_.ResidenceTableCount();
  // The record of 丸の内 is the second of its area, which comes first.
  const std::size_t marunouchiRecord = offsets::ChoRecordAt(1);

  const auto loadGyoseiRec = [&] { return GyoseiRecLoad(gyoseiRec.c_str()); };
  const auto loadGyoseiHash = [&] { return GyoseiHashLoad(gyoseiHash.c_str()); };
  const auto loadChoRec = [&] { return ChoRecLoad(choRec.c_str()); };
  const auto loadChoHash = [&] { return ChoHashLoad(choHash.c_str()); };
  const auto loadAza = [&] { return AzaRecLoad(aza.c_str()); };
  const auto loadGaiku = [&] { return GaikuRecLoad(gaiku.c_str(), strings.c_str()); };
  const auto loadJukyo = [&] { return JukyoRecLoad(jukyo.c_str(), strings.c_str()); };

  struct Case {
    const char* what;
    std::function<void()> damage;
    std::function<int()> probe;
    int expected;
  };
  const Case cases[] = {
      // Area records and area-name hash.
      {"area code table names a record beyond N",
       [&] { PatchU32(gyoseiRec, offsets::GyoseiCodeEntryAt(kArea), 99); },
       [&] {
         EXPECT_EQ(loadGyoseiRec(), 3);
         GyoseiRecord record{};
         return GyoseiRecGet(kArea, &record);
       },
       -3},
      {"area record name without terminator",
       [&] { PatchBytes(gyoseiRec, offsets::GyoseiRecordAt(2) + 36, std::string(24, 'A')); }, loadGyoseiRec, -6},
      {"area hash size 0", [&] { PatchU32(gyoseiHash, 20, 0); }, loadGyoseiHash, -4},
      {"area bucket head beyond E",
       [&] { PatchU32(gyoseiHash, offsets::GyoseiHashHeadAt(db_.AreaBucket("東京都")), 4); }, loadGyoseiHash, -5},
      {"area chain link beyond E", [&] { PatchU32(gyoseiHash, offsets::GyoseiHashEntryAt(h, 1) + 32, 4); },
       loadGyoseiHash, -6},
      {"area chain loop", [&] { PatchU32(gyoseiHash, offsets::GyoseiHashEntryAt(h, 3) + 32, 1); }, loadGyoseiHash,
       -6},
      {"area chains merge", [&] { PatchU32(gyoseiHash, offsets::GyoseiHashEntryAt(h, 2) + 32, 3); }, loadGyoseiHash,
       -6},
      {"area name without terminator",
       [&] { PatchBytes(gyoseiHash, offsets::GyoseiHashEntryAt(h, 2), std::string(24, 'A')); }, loadGyoseiHash, -6},

      // Town records and town-name hash.
      {"area's towns beyond R", [&] { PatchU32(choRec, offsets::ChoAreaEntryAt(kArea) + 4, 3); }, loadChoRec, -5},
      {"town count beyond R", [&] { PatchU32(choRec, offsets::ChoAreaEntryAt(kArea), 0xFFFFFFFF); }, loadChoRec, -5},
      {"town name without terminator", [&] { PatchBytes(choRec, marunouchiRecord + 8, std::string(31, 'A')); },
       loadChoRec, -6},
      {"hash block position beyond S", [&] { PatchU32(choHash, offsets::ChoHashPositionAt(kArea), s / 4 - 1); },
       loadChoHash, -6},
      {"town hash size 0", [&] { PatchU32(choHash, offsets::ChoHashWordAt(p + 1), 0); }, loadChoHash, -7},
      {"town hash buckets beyond S", [&] { PatchU32(choHash, offsets::ChoHashWordAt(p + 1), s / 4); }, loadChoHash,
       -7},
      {"town hash blocks overlap",
       [&] { PatchU32(choHash, offsets::ChoHashPositionAt(13102), p + 2); }, loadChoHash, -7},
      {"town bucket head beyond E", [&] { PatchU32(choHash, offsets::ChoHashWordAt(p + 2), 4); }, loadChoHash, -7},
      {"town chain link beyond E", [&] { PatchU32(choHash, offsets::ChoHashEntryAt(s, 1) + 36, 4); }, loadChoHash,
       -8},
      {"town chain loop", [&] { PatchU32(choHash, offsets::ChoHashEntryAt(s, 3) + 36, 2); }, loadChoHash, -8},
      {"town chains merge", [&] { PatchU32(choHash, offsets::ChoHashEntryAt(s, 1) + 36, 3); }, loadChoHash, -8},
      // Links that no walk follows may point anywhere inside: the empty
      // entry 0's, and those of an entry no chain reaches.
      {"link of the empty entry 0", [&] { PatchU32(choHash, offsets::ChoHashEntryAt(s, 0) + 36, 3); }, loadChoHash,
       0},
      {"entry no chain reaches links into a chain",
       [&] {
         const auto bucket = [&](const char* utf8) {
           const std::string name = Sjis(utf8);
           return format::ChoHashKey(name.data(), name.size()) % db_.TownHashSize(kArea);
         };
         EXPECT_NE(bucket("丸の内"), bucket("本町"));
         PatchU32(choHash, offsets::ChoHashWordAt(p + 2 + bucket("丸の内")), 0);
         PatchU32(choHash, offsets::ChoHashEntryAt(s, 1) + 36, 3);
       },
       loadChoHash, 0},
      {"town hash block of another area",
       [&] { PatchU32(choHash, offsets::ChoHashWordAt(p), 13102); },
       [&] {
         EXPECT_EQ(loadChoHash(), 0);
         return ChoHashSearch(kArea, Sjis("本町").c_str(), nullptr, nullptr);
       },
       -5},

      // Section records.
      {"tables in use above the capacity", [&] { PatchU32(aza, 24, 150001); }, loadAza, -4},
      {"section table records beyond n", [&] { PatchU32(aza, offsets::AzaTableEntryAt(1) + 8, 2); }, loadAza, -5},
      {"section table starts before the records",
       [&] { PatchI32(aza, offsets::AzaTableEntryAt(1) + 16, -1); }, loadAza, -5},
      {"section name without terminator",
       [&] { PatchBytes(aza, offsets::AzaRecordAt(0) + 8, std::string(31, 'A')); }, loadAza, -6},
      {"town azaIndex beyond the tables in use",
       [&] { PatchU32(choRec, marunouchiRecord + 72, 2); },
       [&] {
         LoadRecords();
         int length = 0;
         AzaRecord record{};
         EXPECT_EQ(AzaRecSearch(2, "1", &length, &record), -2);
         return AzaRecNumRecords(kArea, marunouchi_.town);
       },
       -4},

      // Block records and strings.
      {"block table records beyond n", [&] { PatchU32(gaiku, offsets::GaikuTableEntryAt(1) + 12, 3); }, loadGaiku,
       -5},
      {"negative block count", [&] { PatchI32(gaiku, offsets::GaikuTableEntryAt(1) + 12, -1); }, loadGaiku, -5},
      {"negative record count in the header", [&] { PatchI32(gaiku, 28, -1); }, loadGaiku, -6},
      {"section gaikuIndex beyond t",
       [&] { PatchU32(aza, offsets::AzaRecordAt(0) + 68, static_cast<uint32_t>(t)); },
       [&] {
         LoadRecords();
         return GetGaikuTableNum(kArea, marunouchi_.town, 1);
       },
       -104},
      {"block string reference beyond s",
       [&] { PatchI32(gaiku, offsets::GaikuRecordAt(t, 1), -3); },
       [&] {
         LoadRecords();
         return SearchBlock("甲");
       },
       0},
      {"block key that has no negation",
       [&] { PatchU32(gaiku, offsets::GaikuRecordAt(t, 1), 0x80000000u); },
       [&] {
         LoadRecords();
         return SearchBlock("甲");
       },
       0},
      {"string slot without terminator",
       [&] { PatchBytes(strings, offsets::StringSlotAt(1), std::string(16, 'A')); },
       [&] {
         LoadRecords();
         return SearchBlock(std::string(17, 'A'));
       },
       0},

      // Residence records.
      {"residence table records beyond n", [&] { PatchU32(jukyo, offsets::JukyoTableEntryAt(1) + 4, 1); },
       loadJukyo, -5},
      {"block jukyoIndex beyond t",
       [&] { PatchU32(gaiku, offsets::GaikuRecordAt(t, 0) + 4, static_cast<uint32_t>(jt)); },
       [&] {
         LoadRecords();
         return GetJukyoTableNum(kArea, marunouchi_.town, 1, 1);
       },
       -103},
      {"residence string reference beyond s",
       [&] { PatchI32(jukyo, offsets::JukyoRecordAt(jt, 1), -3); },
       [&] {
         LoadRecords();
         return SearchResidence("イ");
       },
       0},
      {"residence string shorter than its prefix",
       [&] { PatchBytes(strings, offsets::StringSlotAt(2), std::string("A\0\0\0", 4)); },
       [&] {
         LoadRecords();
         return SearchResidence("A");
       },
       0},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    db_.Write(dir_.str());
    c.damage();
    EXPECT_EQ(c.probe(), c.expected);
    EndAllStores();
  }
}

// A sound DB gives every probe above its found result: the damage, not the
// fixture, makes them fail.
TEST_F(StoreDamageTest, SoundFixtureFindsEverything) {
  db_.Write(dir_.str());
  LoadAll();
  GyoseiRecord area{};
  EXPECT_EQ(GyoseiRecGet(kArea, &area), 0);
  EXPECT_EQ(ChoHashSearch(kArea, Sjis("本町一丁目").c_str(), nullptr, nullptr), 1);
  EXPECT_EQ(AzaRecNumRecords(kArea, marunouchi_.town), 1);
  EXPECT_EQ(GetGaikuTableNum(kArea, marunouchi_.town, 1), block_.table);
  EXPECT_EQ(SearchBlock("甲"), 1);
  EXPECT_EQ(GetJukyoTableNum(kArea, marunouchi_.town, 1, 1), db_.ResidenceTableIndex(block_));
  EXPECT_EQ(SearchResidence("イ"), 1);
}

}  // namespace
}  // namespace krv::test
