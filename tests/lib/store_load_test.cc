// Load results of every store on a sound file and on each kind of short or
// wrong file.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "layout.h"
#include "store_fixture.h"

namespace krv::test {
namespace {

// A DB with something in every file, strings included.
DbBuilder SampleDb() {
  DbBuilder db;
  db.Area(13000, 1, "東京都");
  db.Area(13101, 4, "千代田区");
  const TownRef town = db.Town(13101, "丸の内");
  const SectionRef section = db.Section(town, "一丁目");
  const BlockRef block = db.Block(section, 1);
  db.NamedBlock(section, "甲");
  db.Residence(block, 1);
  db.NamedResidence(block, "イ");
  return db;
}

class StoreLoadTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    SampleDb().Write(dir_.str());
  }
};

int LoadGaiku(const std::string& dir, const std::string& strings) {
  return GaikuRecLoad((dir + "/krv_gaiku.rec").c_str(), strings.c_str());
}

TEST_F(StoreLoadTest, SoundFilesLoad) {
  EXPECT_EQ(GyoseiRecLoad(File("krv_gyosei.rec").c_str()), 3);
  EXPECT_EQ(GyoseiHashLoad(File("krv_gyosei.hsh").c_str()), 0);
  EXPECT_EQ(ChoRecLoad(File("krv_cho.rec").c_str()), 2);
  EXPECT_EQ(ChoHashLoad(File("krv_cho.hsh").c_str()), 0);
  EXPECT_EQ(AzaRecLoad(File("krv_aza.rec").c_str()), 1);
  EXPECT_EQ(GaikuRecLoad(File("krv_gaiku.rec").c_str(), Strings().c_str()), 2);
  EXPECT_EQ(JukyoRecLoad(File("krv_jukyo.rec").c_str(), Strings().c_str()), 2);
}

TEST_F(StoreLoadTest, MissingStringFileIsNoFailure) {
  std::filesystem::remove(Strings());
  EXPECT_EQ(GaikuRecLoad(File("krv_gaiku.rec").c_str(), Strings().c_str()), 2);
  EXPECT_EQ(JukyoRecLoad(File("krv_jukyo.rec").c_str(), Strings().c_str()), 2);
}

// Each row damages one file of the sample DB and names the code its load
// must give; afterwards the store must answer as unloaded.
TEST_F(StoreLoadTest, DamagedFilesFailWithTheirCode) {
  using format::kAreaTableSize;
  const auto cut = [](std::size_t size) {
    return [size](const std::string& path) { TruncateFile(path, size); };
  };
  const auto cutLast = [](const std::string& path) {
    TruncateFile(path, std::filesystem::file_size(path) - 1);
  };
  const auto wrongId = [](const std::string& path) { PatchBytes(path, 6, "x"); };
  const auto remove = [](const std::string& path) { std::filesystem::remove(path); };

  struct Row {
    const char* file;
    std::function<void(const std::string&)> damage;
    int expected;
  };
  const std::size_t gyoseiTable = sizeof(format::GyoseiRecHeader) + 4 * kAreaTableSize;
  const std::size_t choTable = sizeof(format::ChoRecHeader) + 8 * kAreaTableSize;
  const std::size_t choHashTable = sizeof(format::ChoHashHeader) + 4 * kAreaTableSize;
  const std::size_t azaTable = sizeof(format::AzaRecHeader) + 20 * format::kAzaTableCapacity;
  const Row rows[] = {
      {"krv_gyosei.rec", remove, -2},
      {"krv_gyosei.rec", wrongId, -3},
      {"krv_gyosei.rec", cut(20), -4},
      {"krv_gyosei.rec", cut(gyoseiTable - 1), -5},
      {"krv_gyosei.rec", cutLast, -6},
      {"krv_gyosei.hsh", remove, -2},
      {"krv_gyosei.hsh", wrongId, -3},
      {"krv_gyosei.hsh", cut(23), -4},
      {"krv_gyosei.hsh", cut(sizeof(format::GyoseiHashHeader) + 4), -5},
      {"krv_gyosei.hsh", cutLast, -6},
      {"krv_cho.rec", remove, -2},
      {"krv_cho.rec", wrongId, -3},
      {"krv_cho.rec", cut(31), -4},
      {"krv_cho.rec", cut(choTable - 4), -5},
      {"krv_cho.rec", cutLast, -6},
      {"krv_cho.hsh", remove, -2},
      {"krv_cho.hsh", wrongId, -3},
      {"krv_cho.hsh", cut(35), -5},
      {"krv_cho.hsh", cut(choHashTable - 4), -6},
      {"krv_cho.hsh", cut(choHashTable + 4), -7},
      {"krv_cho.hsh", cutLast, -8},
      {"krv_aza.rec", remove, -2},
      {"krv_aza.rec", wrongId, -3},
      {"krv_aza.rec", cut(31), -4},
      {"krv_aza.rec", cut(azaTable - 20), -5},
      {"krv_aza.rec", cutLast, -6},
      {"krv_gaiku.rec", remove, -2},
      {"krv_gaiku.rec", wrongId, -3},
      {"krv_gaiku.rec", cut(31), -4},
      {"krv_gaiku.rec", cut(offsets::GaikuTableEntryAt(2) - 1), -5},
      {"krv_gaiku.rec", cutLast, -6},
      {"krv_jukyo.rec", remove, -2},
      {"krv_jukyo.rec", wrongId, -3},
      {"krv_jukyo.rec", cut(31), -4},
      {"krv_jukyo.rec", cut(offsets::JukyoTableEntryAt(2) - 1), -5},
      {"krv_jukyo.rec", cutLast, -6},
      {"krv_string.rec", cut(31), -8},
      {"krv_string.rec", wrongId, -9},
      {"krv_string.rec", cutLast, -11},
  };

  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.file) + " expecting " + std::to_string(row.expected));
    SampleDb().Write(dir_.str());
    row.damage(File(row.file));
    const std::string name = row.file;
    if (name == "krv_gyosei.rec") {
      EXPECT_EQ(GyoseiRecLoad(File(row.file).c_str()), row.expected);
      GyoseiRecord record;
      EXPECT_EQ(GyoseiRecGet(13101, &record), -1);
    } else if (name == "krv_gyosei.hsh") {
      EXPECT_EQ(GyoseiHashLoad(File(row.file).c_str()), row.expected);
      int32_t code;
      EXPECT_EQ(GyoseiHashSearch(Sjis("東京都").c_str(), nullptr, nullptr, &code, 1), -1);
    } else if (name == "krv_cho.rec") {
      EXPECT_EQ(ChoRecLoad(File(row.file).c_str()), row.expected);
      EXPECT_EQ(ChoRecNumRecords(13101), -1);
    } else if (name == "krv_cho.hsh") {
      EXPECT_EQ(ChoHashLoad(File(row.file).c_str()), row.expected);
      EXPECT_EQ(ChoHashSearch(13101, Sjis("丸の内").c_str(), nullptr, nullptr), -1);
    } else if (name == "krv_aza.rec") {
      EXPECT_EQ(AzaRecLoad(File(row.file).c_str()), row.expected);
      int length;
      AzaRecord record;
      EXPECT_EQ(AzaRecSearch(1, "1", &length, &record), -1);
    } else if (name == "krv_jukyo.rec") {
      EXPECT_EQ(JukyoRecLoad(File(row.file).c_str(), Strings().c_str()), row.expected);
      EXPECT_EQ(GetJukyoTableNum(13101, 2, 1, 1), -101);
    } else {
      EXPECT_EQ(LoadGaiku(dir_.str(), Strings()), row.expected);
      EXPECT_EQ(GetGaikuTableNum(13101, 2, 1), -101);
      if (name == "krv_string.rec") {
        EXPECT_EQ(JukyoRecLoad(File("krv_jukyo.rec").c_str(), Strings().c_str()), row.expected);
        EXPECT_EQ(GetJukyoTableNum(13101, 2, 1, 1), -101);
      }
    }
    EndAllStores();
  }
}

}  // namespace
}  // namespace krv::test
