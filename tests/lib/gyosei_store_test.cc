#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store_fixture.h"

namespace krv::test {
namespace {

class GyoseiStoreTest : public StoreTest {
 protected:
  int Search(const std::string& utf8, int maxCodes = 100) {
    const std::string text = Sjis(utf8);
    codes_.assign(static_cast<std::size_t>(maxCodes), 0);
    matchLength_ = kind_ = -7;
    const int n = GyoseiHashSearch(text.c_str(), &matchLength_, &kind_, codes_.data(), maxCodes);
    codes_.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return n;
  }
  void LoadHash(const DbBuilder& db) {
    db.WriteGyoseiHash(File("krv_gyosei.hsh"));
    ASSERT_EQ(GyoseiHashLoad(File("krv_gyosei.hsh").c_str()), 0);
  }

  std::vector<int32_t> codes_;
  int matchLength_ = -7;
  int kind_ = -7;
};

TEST_F(GyoseiStoreTest, GetsRecordsByAreaCode) {
  DbBuilder db;
  db.Area(13000, 1, "東京都", "ﾄｳｷｮｳﾄ");
  db.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ").countyCode = 13100;
  db.WriteGyoseiRec(File("krv_gyosei.rec"));

  GyoseiRecord record{};
  EXPECT_EQ(GyoseiRecGet(13101, &record), -1);  // not loaded
  ASSERT_EQ(GyoseiRecLoad(File("krv_gyosei.rec").c_str()), 3);
  EXPECT_EQ(std::filesystem::file_size(File("krv_gyosei.rec")), 192024u + 3 * 88);

  ASSERT_EQ(GyoseiRecGet(13101, &record), 0);
  EXPECT_EQ(record.kind, 4);
  EXPECT_EQ(record.prefNo, 13);
  EXPECT_EQ(record.countyCode, 13100);
  EXPECT_EQ(record.muniCode, 13101);
  EXPECT_EQ(std::string(record.name), Sjis("千代田区"));
  EXPECT_EQ(std::string(record.kana), Sjis("ﾁﾖﾀﾞｸ"));

  EXPECT_EQ(GyoseiRecGet(999, &record), -2);
  EXPECT_EQ(GyoseiRecGet(48000, &record), -2);
  EXPECT_EQ(GyoseiRecGet(13102, &record), -4);

  GyoseiRecEnd();
  EXPECT_EQ(GyoseiRecGet(13101, &record), -1);
}

TEST_F(GyoseiStoreTest, LongestNameWins) {
  DbBuilder db;
  db.Area(13000, 1, "東京都");
  db.AreaName("東京", 13999, 4);  // a shorter name in the same bucket
  LoadHash(db);
  ASSERT_EQ(db.AreaBucket("東京都"), db.AreaBucket("東京"));

  EXPECT_EQ(Search("東京都港区"), 1);
  EXPECT_EQ(codes_, std::vector<int32_t>{13000});
  EXPECT_EQ(matchLength_, 6);
  EXPECT_EQ(kind_, 1);

  EXPECT_EQ(Search("東京湾"), 1);
  EXPECT_EQ(codes_, std::vector<int32_t>{13999});
  EXPECT_EQ(matchLength_, 4);
}

TEST_F(GyoseiStoreTest, SameNameInTwoPrefecturesGivesBothInChainOrder) {
  DbBuilder db;
  db.Area(13206, 4, "府中市");
  db.Area(34207, 4, "府中市");
  LoadHash(db);

  EXPECT_EQ(Search("府中市宮西町"), 2);
  EXPECT_EQ(codes_, (std::vector<int32_t>{13206, 34207}));
  EXPECT_EQ(matchLength_, 6);
  EXPECT_EQ(kind_, 4);

  EXPECT_EQ(Search("府中市宮西町", 1), 1);
  EXPECT_EQ(codes_, std::vector<int32_t>{13206});
}

TEST_F(GyoseiStoreTest, MissesLeaveOutputsUntouched) {
  DbBuilder db;
  db.SetAreaHashSize(11);
  db.Area(13000, 1, "東京都");
  LoadHash(db);
  ASSERT_NE(db.AreaBucket("大阪府"), db.AreaBucket("東京都"));

  EXPECT_EQ(Search("大阪府大阪市"), 0);  // empty bucket
  EXPECT_EQ(matchLength_, -7);
  EXPECT_EQ(kind_, -7);
  EXPECT_EQ(Search("東京"), 0);  // same bucket, but 東京都 is no prefix of it
  EXPECT_EQ(matchLength_, -7);
  EXPECT_EQ(Search("abc"), 0);  // shorter than any name
  EXPECT_EQ(Search(""), -2);
}

TEST_F(GyoseiStoreTest, HundredCandidatesAreTooMany) {
  DbBuilder db;
  for (int i = 0; i < 99; ++i) db.AreaName("伊達市", 1233 + i, 4);
  LoadHash(db);
  EXPECT_EQ(Search("伊達市"), 99);

  GyoseiHashEnd();
  db.AreaName("伊達", 7213, 4);  // the 100th prefix, shorter but still counted
  LoadHash(db);
  EXPECT_EQ(Search("伊達市"), -3);
  EXPECT_EQ(matchLength_, -7);
}

TEST_F(GyoseiStoreTest, SearchWithoutHashIsNotLoaded) { EXPECT_EQ(Search("東京都"), -1); }

}  // namespace
}  // namespace krv::test
