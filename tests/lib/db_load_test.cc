#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "arg_encoding.h"
#include "chimei25k_writer.h"
#include "db_builder.h"
#include "kurovia.h"
#include "layout.h"
#include "moji_index_writer.h"
#include "test_support.h"

namespace {

using krv::test::DbBuilder;
using krv::test::TempDir;

// The stores one level at a time: -1 means not loaded.
bool AreasLoaded() {
  GyoseiRecord record{};
  return GyoseiRecGet(13101, &record) != -1;
}
bool TownsLoaded() { return ChoRecNumRecords(13101) != -1; }
bool SectionsLoaded() { return AzaRecNumRecords(13101, 2) != -1; }
bool BlocksLoaded() { return GaikuRecNumRecords(13101, 2, 1) != -101; }
bool ResidencesLoaded() { return JukyoRecNumRecords(13101, 2, 1, 1) != -101; }
bool PostIndexLoaded() { return PostIndexNumRecords() != -1; }
bool PlaceNamesLoaded() { return Chimei25kRecNumRecords() != -1; }
bool CharIndexLoaded() { return MojiIndexSearch("x", nullptr, 0) != -1; }

bool NothingLoaded() {
  return !AreasLoaded() && !TownsLoaded() && !SectionsLoaded() && !BlocksLoaded() &&
         !ResidencesLoaded() && !PostIndexLoaded() && !PlaceNamesLoaded() && !CharIndexLoaded();
}

class DbLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbBuilder db;
    db.Area(13000, 1, "東京都");
    db.Area(13101, 4, "千代田区");
    const krv::test::TownRef town = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
    db.PostCode(1000005, town);
    const krv::test::SectionRef section = db.Section(town, "一丁目");
    const krv::test::BlockRef block = db.Block(section, 1);
    db.Residence(block, 1);
    db.NamedBlock(section, "甲");  // makes a string file
    db.Write(dir_.str());

    Chimei25kRecord place{};
    std::strcpy(place.name, krv::test::Sjis("富士山").c_str());
    ASSERT_TRUE(krv::format::SaveChimei25kRecords(File("krv_chimei25k.rec").c_str(), {place}));
    ASSERT_TRUE(krv::format::SaveChimei25kHash(File("krv_chimei25k.hsh").c_str(), {place}));
    ASSERT_EQ(krv::format::SaveMojiIndex(File("krv_moji.idx").c_str(), {}),
              krv::format::MojiIndexWriteResult::kOk);
  }
  void TearDown() override { krvDbEnd(); }

  std::string File(const char* name) const { return dir_.File(name); }
  void Remove(const char* name) const { ASSERT_TRUE(std::filesystem::remove(File(name))) << name; }
  int Load(int level) const { return krvDbLoad(dir_.str().c_str(), level); }

  TempDir dir_;
};

TEST_F(DbLoadTest, EachLevelAddsItsStores) {
  ASSERT_EQ(Load(1), 1);
  EXPECT_TRUE(AreasLoaded());
  EXPECT_FALSE(TownsLoaded());
  EXPECT_FALSE(PostIndexLoaded());

  ASSERT_EQ(Load(2), 2);
  EXPECT_TRUE(TownsLoaded());
  EXPECT_TRUE(PostIndexLoaded());
  EXPECT_FALSE(SectionsLoaded());

  // Only the section records are loaded now: the files loaded before are
  // gone and not needed.
  Remove("krv_gyosei.rec");
  Remove("krv_cho.rec");
  Remove("krv_post.idx");
  ASSERT_EQ(Load(3), 3);
  EXPECT_TRUE(SectionsLoaded());
  EXPECT_FALSE(BlocksLoaded());
  EXPECT_EQ(Load(2), 0);
  EXPECT_EQ(Load(3), 0);
  EXPECT_EQ(krvDbErrorText(), nullptr);

  ASSERT_EQ(Load(4), 4);
  EXPECT_TRUE(BlocksLoaded());
  EXPECT_FALSE(ResidencesLoaded());
  ASSERT_EQ(Load(5), 5);
  EXPECT_TRUE(ResidencesLoaded());
  EXPECT_FALSE(PlaceNamesLoaded());
  EXPECT_FALSE(CharIndexLoaded());
}

TEST_F(DbLoadTest, LevelZeroLoadsWhatTheFilesAllow) {
  ASSERT_EQ(Load(0), 5);
  EXPECT_TRUE(ResidencesLoaded());
  krvDbEnd();

  for (const char* name :
       {"krv_cho.rec", "krv_cho.hsh", "krv_aza.rec", "krv_gaiku.rec", "krv_jukyo.rec"}) {
    Remove(name);
  }
  ASSERT_EQ(Load(0), 1);
  EXPECT_TRUE(AreasLoaded());
  EXPECT_TRUE(PostIndexLoaded());
  EXPECT_FALSE(TownsLoaded());
  EXPECT_FALSE(SectionsLoaded());
  krvDbEnd();

  // The postal index is never passed over.
  Remove("krv_post.idx");
  EXPECT_EQ(Load(0), -132);
  EXPECT_TRUE(NothingLoaded());
}

TEST_F(DbLoadTest, LevelZeroPassesOverADamagedSectionFile) {
  krv::test::PatchBytes(File("krv_aza.rec"), 0, "azarecX");
  ASSERT_EQ(Load(0), 5);  // the blocks below still load
  EXPECT_FALSE(SectionsLoaded());
  EXPECT_TRUE(BlocksLoaded());
  EXPECT_EQ(Load(3), -53);
}

TEST_F(DbLoadTest, AreaFilesAreNeededAtEveryLevel) {
  Remove("krv_gyosei.hsh");
  for (const int level : {0, 1, 5}) {
    EXPECT_EQ(Load(level), -22) << level;
    EXPECT_TRUE(NothingLoaded()) << level;
  }
}

TEST_F(DbLoadTest, AFailureUnloadsWhatEarlierCallsLoaded) {
  ASSERT_EQ(Load(14), 14);
  ASSERT_EQ(Load(16), 16);
  ASSERT_EQ(Load(2), 2);
  Remove("krv_aza.rec");
  EXPECT_EQ(Load(5), -52);
  EXPECT_TRUE(NothingLoaded());

  const std::string expected =
      "Chomoku aza record file: File open error." + File("krv_aza.rec");
  const char* text = krvDbErrorText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text), expected);

  // A new load starts from nothing.
  ASSERT_EQ(Load(2), 2);
  EXPECT_TRUE(AreasLoaded());
}

TEST_F(DbLoadTest, StringFileFailureIsWordedForItsStore) {
  krv::test::PatchBytes(File("krv_string.rec"), 0, "stringX");
  EXPECT_EQ(Load(4), -69);  // the block store's string-file ID code
  const char* text = krvDbErrorText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text),
            "Gaiku record file: String file ID string does not match." + File("krv_string.rec"));
  EXPECT_TRUE(NothingLoaded());
}

TEST_F(DbLoadTest, UnsupportedLevelsAndLongPathsUnloadEverything) {
  for (const int level : {6, -1, 13, 15, 17}) {
    ASSERT_EQ(Load(5), 5);
    EXPECT_EQ(Load(level), -2) << level;
    EXPECT_TRUE(NothingLoaded()) << level;
    EXPECT_NE(krvDbErrorText(), nullptr);
  }
  ASSERT_EQ(Load(1), 1);
  const std::string longPath(256, 'd');
  EXPECT_EQ(krvDbLoad(longPath.c_str(), 1), -1);
  EXPECT_TRUE(NothingLoaded());
  // The kept directory is still the fixture's.
  EXPECT_EQ(std::string(krvDbFilePath(KRV_FILE_AZA_REC)), File("krv_aza.rec"));
}

TEST_F(DbLoadTest, PlaceNamesAndCharacterIndexLoadApart) {
  ASSERT_EQ(Load(14), 14);
  EXPECT_TRUE(PlaceNamesLoaded());
  EXPECT_EQ(Chimei25kHashSearch(krv::test::Sjis("富士山").c_str(), std::vector<int32_t>(2).data(), 2), 1);
  EXPECT_FALSE(CharIndexLoaded());
  EXPECT_FALSE(AreasLoaded());
  ASSERT_EQ(Load(16), 16);
  EXPECT_TRUE(CharIndexLoaded());
  EXPECT_TRUE(PlaceNamesLoaded());
  EXPECT_EQ(Load(14), 14);  // the level, even with nothing left to load

  krvDbEnd();
  Remove("krv_chimei25k.hsh");
  EXPECT_EQ(Load(14), -152);
  EXPECT_TRUE(NothingLoaded());
  Remove("krv_moji.idx");
  EXPECT_EQ(Load(16), -162);
}

TEST_F(DbLoadTest, EndUnloadsEverythingAndClearsTheResult) {
  ASSERT_EQ(Load(5), 5);
  ASSERT_EQ(Load(14), 14);
  ASSERT_EQ(Load(16), 16);
  EXPECT_EQ(krvDbEnd(), 0);
  EXPECT_TRUE(NothingLoaded());
  EXPECT_EQ(krvDbErrorText(), nullptr);
  EXPECT_EQ(Load(5), 5);  // everything is loaded again, not 0
  EXPECT_TRUE(ResidencesLoaded());

  Remove("krv_aza.rec");
  krvDbEnd();
  EXPECT_EQ(Load(3), -52);
  EXPECT_NE(krvDbErrorText(), nullptr);
  krvDbEnd();
  EXPECT_EQ(krvDbErrorText(), nullptr);
  EXPECT_EQ(krvDbEnd(), 0);
}

TEST_F(DbLoadTest, EveryLoadResetsTheArgumentEncoding) {
  const std::string longPath(300, 'd');
  struct Case {
    const char* what;
    std::string path;
    int level;
  };
  const Case cases[] = {
      {"success", dir_.str(), 2},       {"nothing left to load", dir_.str(), 2},
      {"unsupported level", dir_.str(), 6}, {"path too long", longPath, 1},
      {"missing files", dir_.File("none"), 1},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
    ASSERT_EQ(krv::CurrentArgEncoding(), krv::ArgEncoding::kUtf8);
    krvDbLoad(c.path.c_str(), c.level);
    EXPECT_EQ(krv::CurrentArgEncoding(), krv::ArgEncoding::kShiftJis) << c.what;
  }
}

}  // namespace
