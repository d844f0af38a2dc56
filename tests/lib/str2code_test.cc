#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "address_db.h"
#include "layout.h"

namespace krv::test {
namespace {

struct WalkCase {
  const char* text;  // UTF-8, converted to Shift-JIS
  int result;
  AdrCode code;
};

// A code no call leaves in place unless it is told to.
constexpr AdrCode kUntouched{-7, -7, -7, -7, -7, -7};

void ExpectWalks(const std::vector<WalkCase>& cases) {
  for (const WalkCase& c : cases) {
    AdrCode code = kUntouched;
    const std::string text = Sjis(c.text);
    EXPECT_EQ(krvAdrStr2Code(text.c_str(), &code), c.result) << c.text;
    EXPECT_TRUE(SameCode(code, c.code)) << c.text << ": " << Describe(code) << ", expected " << Describe(c.code);
  }
}

class Str2CodeTest : public AddressDbTest {};

TEST_F(Str2CodeTest, WalksDownToTheDeepestLevel) {
  ExpectWalks({
      {"東京都千代田区丸の内一丁目2番3号", 17, Code(8, 13101, town::kMarunouchi, 1, 2, 3)},
      // A building name after the residence is not counted.
      {"東京都千代田区丸の内一丁目2番3号丸の内ビル5F", 17, Code(8, 13101, town::kMarunouchi, 1, 2, 3)},
      {"東京都", 3, Code(1, 13000)},
      {"東京都千代田区", 7, Code(4, 13101)},
      {"東京都千代田区丸の内", 10, Code(5, 13101, town::kMarunouchi)},
      {"東京都千代田区丸の内一丁目", 13, Code(6, 13101, town::kMarunouchi, 1)},
      {"東京都千代田区丸の内一丁目3番", 15, Code(7, 13101, town::kMarunouchi, 1, 3)},
      // Text the level below does not know is left over.
      {"東京都千代田区丸の内九丁目", 10, Code(5, 13101, town::kMarunouchi)},
      {"東京都千代田区丸の内一丁目9番", 13, Code(6, 13101, town::kMarunouchi, 1)},
      {"東京都千代田区丸の内一丁目2番9号", 15, Code(7, 13101, town::kMarunouchi, 1, 2)},
      {"東京都千代田区霞が関", 7, Code(4, 13101)},
      // A town without sections reads the block right after its name.
      {"東京都千代田区千代田1番1号", 14, Code(8, 13101, town::kChiyoda, 0, 1, 1)},
      {"愛知県名古屋市港区港町1番", 13, Code(7, 23111, 2, 0, 1)},
      // A county or designated city alone stops at level 3, a subprefecture
      // at level 2.
      {"茨城県東茨城郡", 7, Code(3, 8300)},
      {"神奈川県横浜市", 7, Code(3, 14100)},
      {"北海道渡島総合振興局", 10, Code(2, 1330)},
      {"北海道渡島総合振興局松前町旭1番2号", 18, Code(8, 1331, town::kAsahi, 0, 1, 2)},
      {"北海道松前町旭1番2号", 11, Code(8, 1331, town::kAsahi, 0, 1, 2)},
      {"東京都港区芝公園四丁目2番2号", 15, Code(8, 13103, 2, 4, 2, 2)},
      {"東京都大島町元町1番地", 11, Code(7, 13361, 2, 0, 1)},
      // Named blocks and residences.
      {"東京都千代田区丸の内一丁目1番イ", 16, Code(8, 13101, town::kMarunouchi, 1, 1, -2)},
      {"茨城県東茨城郡茨城町長岡字中通甲12", 18, Code(8, 8302, town::kNagaoka, 1, -1, 12)},
      // Lot numbers, also 100 and above.
      {"茨城県東茨城郡茨城町小堤2番地1", 16, Code(8, 8302, town::kOzutsumi, 0, 2, 1)},
      {"茨城県東茨城郡茨城町小堤150番地3", 18, Code(8, 8302, town::kOzutsumi, 0, 150, 3)},
      {"神奈川県横浜市中区山下町279番地5", 18, Code(8, 14104, town::kYamashita, 0, 279, 5)},
      // Both spellings of ケ, for an area and for a town.
      {"茨城県龍ケ崎市松ケ丘一丁目1番1号", 17, Code(8, 8208, town::kMatsugaoka, 1, 1, 1)},
      {"茨城県龍ヶ崎市松ヶ丘一丁目1番1号", 17, Code(8, 8208, town::kMatsugaoka, 1, 1, 1)},
  });
}

TEST_F(Str2CodeTest, ReadsEveryWayOfWritingTheNumbers) {
  const AdrCode residence = Code(8, 13101, town::kMarunouchi, 1, 2, 3);
  const AdrCode block = Code(7, 13101, town::kMarunouchi, 1, 2);
  ExpectWalks({
      // Section: 一丁目, 1丁目, １－, 1の.
      {"東京都千代田区丸の内1丁目2番3号", 17, residence},
      {"東京都千代田区丸の内１丁目２番３号", 17, residence},
      {"東京都千代田区丸の内１－２－３", 15, residence},
      {"東京都千代田区丸の内1の2の3", 15, residence},
      {"東京都千代田区丸の内1-2-3", 15, residence},
      // Block: 2番, 2番地, 2-, 2の.
      {"東京都千代田区丸の内一丁目2番地3", 17, residence},
      {"東京都千代田区丸の内一丁目2-3", 16, residence},
      {"東京都千代田区丸の内一丁目2の3", 16, residence},
      {"東京都千代田区丸の内一丁目二番三号", 17, residence},
      // Residence: 3号 or a bare 3.
      {"東京都千代田区丸の内一丁目2番3", 16, residence},
      {"東京都千代田区丸の内一丁目2番", 15, block},
      {"東京都千代田区丸の内一丁目2", 14, block},
  });
}

TEST_F(Str2CodeTest, CountsTheOazaAndAzaPrefixes) {
  ExpectWalks({
      {"茨城県東茨城郡茨城町大字小堤2番地1", 18, Code(8, 8302, town::kOzutsumi, 0, 2, 1)},
      {"茨城県東茨城郡茨城町字小堤2番地1", 17, Code(8, 8302, town::kOzutsumi, 0, 2, 1)},
      {"茨城県東茨城郡茨城町大字長岡字中通甲12", 20, Code(8, 8302, town::kNagaoka, 1, -1, 12)},
      // A 大字 further on is not part of the town name: it is left over.
      {"茨城県東茨城郡茨城町小堤150番地大字ビル", 17, Code(7, 8302, town::kOzutsumi, 0, 150)},
      // A prefix with nothing after it finds no town.
      {"茨城県東茨城郡茨城町大字", 10, Code(4, 8302)},
      {"茨城県東茨城郡茨城町字", 10, Code(4, 8302)},
  });
}

TEST_F(Str2CodeTest, ReadsTheBlockAfterATownEndingInANumeral) {
  ExpectWalks({
      // The "－" between the town name and the block number is consumed with
      // the block.
      {"神奈川県横浜市中区北仲通5－57番1号", 19, Code(8, 14104, town::kKitanaka5, 0, 57, 1)},
      {"神奈川県横浜市中区北仲通5-57番1号", 19, Code(8, 14104, town::kKitanaka5, 0, 57, 1)},
      {"神奈川県横浜市中区北仲通5ー3番", 16, Code(7, 14104, town::kKitanaka5, 0, 3)},
      {"神奈川県横浜市中区北仲通5－101番地2", 20, Code(8, 14104, town::kKitanaka5, 0, 101, 2)},
      // Without a numeral after it the separator stays unread.
      {"神奈川県横浜市中区北仲通5－ビル", 13, Code(5, 14104, town::kKitanaka5)},
      {"神奈川県横浜市中区北仲通三丁目1番", 17, Code(7, 14104, town::kKitanaka, 3, 1)},
  });
}

TEST_F(Str2CodeTest, PairsTheLastTwoAreaNames) {
  ExpectWalks({
      // 府中市 and 港区 exist in two prefectures.
      {"府中市宮町", -1, Code(0, 0)},
      {"港区芝公園", -1, Code(0, 0)},
      {"東京都府中市宮町", 8, Code(5, 13206, 2)},
      {"広島県府中市", 6, Code(4, 34207)},
      {"東京都港区芝公園", 8, Code(5, 13103, 2)},
      {"愛知県名古屋市港区港町", 11, Code(5, 23111, 2)},
      // No 港区 in Kanagawa, and the one 鶴見区 is no ward of Tokyo.
      {"神奈川県港区芝公園", 0, Code(0, 0)},
      {"東京都鶴見区", 0, Code(0, 0)},
      {"神奈川県鶴見区", 7, Code(4, 14101)},
      // Ward names of two designated cities of one prefecture.
      {"大阪府大阪市北区梅田一丁目", 13, Code(6, 27127, 2, 1)},
      {"大阪府堺市北区中百舌鳥町一丁目", 15, Code(6, 27146, 2, 1)},
      {"大阪府大阪市西区靱本町一丁目", 14, Code(6, 27106, 2, 1)},
      {"大阪府堺市西区鳳東町一丁目", 13, Code(6, 27144, 2, 1)},
      {"神奈川県横浜市緑区長津田一丁目", 15, Code(6, 14113, 2, 1)},
      {"神奈川県相模原市緑区橋本一丁目", 15, Code(6, 14151, 2, 1)},
      {"神奈川県横浜市南区浦舟町一丁目", 15, Code(6, 14105, 2, 1)},
      {"神奈川県相模原市南区相模大野一丁目", 17, Code(6, 14153, 2, 1)},
      // With the prefecture alone the first ward of that name is taken.
      {"大阪府北区梅田", 7, Code(5, 27127, 2)},
      {"神奈川県南区相模大野", 10, Code(5, 14153, 2)},
      {"東京都千代田区丸の内", 10, Code(5, 13101, town::kMarunouchi)},
  });
}

TEST_F(Str2CodeTest, AnAreaWithoutTownRecordsEndsAtTheMunicipality) {
  ExpectWalks({{"広島県府中市土生町1番", 6, Code(4, 34207)}});
  int length = -7;
  int32_t choCode = -7;
  EXPECT_EQ(krvGetChoCode(34207, Sjis("土生町").c_str(), &length, &choCode), 0);
  EXPECT_EQ(length, -7);
  EXPECT_EQ(choCode, -7);
}

TEST_F(Str2CodeTest, RefusesBadArguments) {
  AdrCode code = kUntouched;
  EXPECT_EQ(krvAdrStr2Code("", &code), -2);
  EXPECT_EQ(krvAdrStr2Code(nullptr, &code), -2);
  EXPECT_TRUE(SameCode(code, kUntouched));
  EXPECT_EQ(krvAdrStr2Code(Sjis("東京都").c_str(), nullptr), -2);
  ExpectWalks({{"ABC", 0, Code(0, 0)}, {"京都", 0, Code(0, 0)}});
}

TEST_F(Str2CodeTest, TakesTheArgumentEncoding) {
  const char* texts[] = {
      "東京都千代田区丸の内一丁目2番3号ﾏﾙﾉｳﾁﾋﾞﾙ",
      "茨城県東茨城郡茨城町大字長岡字中通甲12",
      "神奈川県横浜市中区北仲通5－57番1号",
      "北海道松前町旭1番2号",
      "府中市宮町",
  };
  for (const char* utf8 : texts) {
    const std::string sjis = Sjis(utf8);
    AdrCode expected{};
    const int expectedResult = krvAdrStr2Code(sjis.c_str(), &expected);

    char euc[1024];
    ASSERT_EQ(krvCharConv(0, sjis.c_str(), euc, sizeof euc), 0);
    ASSERT_EQ(krvSetArgEncoding("EUC-JP"), 0);
    AdrCode code = kUntouched;
    EXPECT_EQ(krvAdrStr2Code(euc, &code), expectedResult) << utf8;
    EXPECT_TRUE(SameCode(code, expected)) << utf8;

    ASSERT_EQ(krvSetArgEncoding("UTF-8"), 0);
    code = kUntouched;
    EXPECT_EQ(krvAdrStr2Code(utf8, &code), expectedResult) << utf8;
    EXPECT_TRUE(SameCode(code, expected)) << utf8;
    ASSERT_EQ(krvSetArgEncoding("sjis"), 0);
  }

  // Text that cannot be converted: -2 with the code cleared.
  ASSERT_EQ(krvSetArgEncoding("utf8"), 0);
  AdrCode code = kUntouched;
  EXPECT_EQ(krvAdrStr2Code("\xff\xfe", &code), -2);
  EXPECT_TRUE(SameCode(code, Code(0, 0)));
  // More than 1,023 bytes once converted.
  const std::string longText(1100, 'a');
  EXPECT_EQ(krvAdrStr2Code(longText.c_str(), &code), -2);
}

TEST_F(Str2CodeTest, StepFunctions) {
  struct ChoCase {
    int32_t area;
    const char* text;
    int result;
    int length;
    int32_t choCode;
  };
  const ChoCase choCases[] = {
      {13101, "丸の内一丁目", 1, 6, town::kMarunouchi},
      {8302, "大字小堤2", 1, 8, town::kOzutsumi},
      {8302, "字小堤", 1, 6, town::kOzutsumi},
      {8302, "小堤150番地大字ビル", 1, 4, town::kOzutsumi},
      {8302, "長岡大字", 1, 4, town::kNagaoka},
      {8302, "長大字岡", 1, 8, town::kNagaoka},
      {1331, "旭1-2", 1, 2, town::kAsahi},
      {14104, "北仲通5－57番", 1, 7, town::kKitanaka5},
      {14104, "北仲通三丁目", 1, 6, town::kKitanaka},
      {13101, "霞が関", 0, -7, -7},
      {13101, "", -2, -7, -7},
      {999, "丸の内", -3, -7, -7},
      {13102, "丸の内", -4, -7, -7},
  };
  for (const ChoCase& c : choCases) {
    int length = -7;
    int32_t choCode = -7;
    EXPECT_EQ(krvGetChoCode(c.area, Sjis(c.text).c_str(), &length, &choCode), c.result) << c.text;
    EXPECT_EQ(length, c.length) << c.text;
    EXPECT_EQ(choCode, c.choCode) << c.text;
  }

  struct AzaCase {
    int32_t area;
    int32_t choCode;
    const char* text;
    int result;
    int length;
    int32_t azaCode;
  };
  const AzaCase azaCases[] = {
      {13101, town::kMarunouchi, "一丁目2番", 1, 6, 1},
      {13101, town::kMarunouchi, "2丁目", 1, 5, 2},
      {13101, town::kMarunouchi, "３－１", 1, 4, 3},
      {8302, town::kNagaoka, "字東5番地", 1, 4, 2},
      {13101, town::kMarunouchi, "九丁目", 0, 0, 0},
      {13101, town::kChiyoda, "1番", 0, 0, 0},
      {13101, town::kMarunouchi, "", -1, 0, 0},
      {13101, 9, "一丁目", -2, 0, 0},
      {999, 2, "一丁目", -2, 0, 0},
  };
  for (const AzaCase& c : azaCases) {
    int length = -7;
    int32_t azaCode = -7;
    EXPECT_EQ(krvGetAzaCode(c.area, c.choCode, Sjis(c.text).c_str(), &length, &azaCode), c.result) << c.text;
    EXPECT_EQ(length, c.length) << c.text;
    EXPECT_EQ(azaCode, c.azaCode) << c.text;
  }

  for (const auto& [ward, city] : std::vector<std::pair<int32_t, int>>{
           {13101, 13100}, {13201, -1}, {27141, 27140}, {27147, 27140}, {14151, 14150}, {14153, 14150},
           {27127, 27100}, {14113, 14100}, {14131, 14130}}) {
    EXPECT_EQ(krvGetSeireiCode(ward), city) << ward;
  }
}

TEST_F(Str2CodeTest, GyoseiCodesNeverExceedTheRoom) {
  struct Case {
    const char* text;
    int maxCodes;
    int result;
    int length;
    std::vector<int32_t> codes;
  };
  const Case cases[] = {
      {"東京都千代田区丸の内", 10, 1, 14, {13101}},
      {"府中市", 10, 2, 6, {13206, 34207}},
      {"府中市", 1, 1, 6, {13206}},
      {"東京都港区", 1, 1, 10, {13103}},
      {"大阪府北区", 10, 2, 10, {27127, 27146}},
      {"大阪府北区", 1, 1, 10, {27127}},
      {"大阪府堺市北区", 10, 1, 14, {27146}},
      {"大阪府大阪市西区", 10, 1, 16, {27106}},
      {"神奈川県相模原市緑区", 10, 1, 20, {14151}},
      // Passes that share no prefecture write nothing.
      {"神奈川県港区", 10, 0, 12, {}},
      {"府中市", 0, 0, 6, {}},
      {"京都", 10, 0, -7, {}},
  };
  for (const Case& c : cases) {
    int32_t codes[12];
    for (int32_t& slot : codes) slot = -7;
    int length = -7;
    EXPECT_EQ(krvGetGyoseiCode(Sjis(c.text).c_str(), &length, codes, c.maxCodes), c.result) << c.text;
    EXPECT_EQ(length, c.length) << c.text;
    for (std::size_t i = 0; i < c.codes.size(); ++i) EXPECT_EQ(codes[i], c.codes[i]) << c.text << " #" << i;
    EXPECT_EQ(codes[c.codes.size()], -7) << c.text;
  }
}

// A ward name shared by more designated cities than ten: the step function
// still finds the city's own ward behind the first ten of that name.
TEST(GetGyoseiCodeManyNames, KeepsEveryCandidateOfAName) {
  TempDir dir;
  DbBuilder db;
  for (int32_t pref = 1; pref <= 12; ++pref) {
    // Names of at least four bytes, as every stored area name is.
    db.Area(pref * 1000, 1, "県" + std::to_string(pref + 10));
    db.Area(pref * 1000 + 100, 3, "市" + std::to_string(pref + 10));
    db.Area(pref * 1000 + 101, 4, "中央区").countyCode = pref * 1000 + 100;
  }
  db.Write(dir.str());
  LoadAddressDb(dir.str(), 1);
  int32_t codes[4] = {-7, -7, -7, -7};
  int length = 0;
  EXPECT_EQ(krvGetGyoseiCode(Sjis("市22中央区").c_str(), &length, codes, 4), 1);
  EXPECT_EQ(codes[0], 12101);
  EXPECT_EQ(length, 10);
  AdrCode code{};
  EXPECT_EQ(krvAdrStr2Code(Sjis("県22市22中央区").c_str(), &code), 9);
  EXPECT_TRUE(SameCode(code, Code(4, 12101))) << Describe(code);
  UnloadAddressDb();
}

// The walk as far as the loaded stores reach.
TEST(Str2CodeLoadLevel, StopsWhereTheLoadedStoresEnd) {
  TempDir dir;
  DbBuilder db;
  DeclareAddressDb(db);
  db.Write(dir.str());
  const std::string text = Sjis("東京都千代田区丸の内一丁目2番3号");
  const struct {
    int level;
    int result;
    AdrCode code;
  } cases[] = {
      {1, 7, Code(4, 13101)},
      {2, 10, Code(5, 13101, town::kMarunouchi)},
      {3, 13, Code(6, 13101, town::kMarunouchi, 1)},
      {4, 15, Code(7, 13101, town::kMarunouchi, 1, 2)},
      {5, 17, Code(8, 13101, town::kMarunouchi, 1, 2, 3)},
  };
  for (const auto& c : cases) {
    LoadAddressDb(dir.str(), c.level);
    AdrCode code{};
    EXPECT_EQ(krvAdrStr2Code(text.c_str(), &code), c.result) << c.level;
    EXPECT_TRUE(SameCode(code, c.code)) << c.level << ": " << Describe(code);
  }
  UnloadAddressDb();
  AdrCode code = kUntouched;
  EXPECT_EQ(krvAdrStr2Code(text.c_str(), &code), -3);
  EXPECT_TRUE(SameCode(code, Code(0, 0)));
  int32_t codes[4];
  EXPECT_EQ(krvGetGyoseiCode(text.c_str(), nullptr, codes, 4), -1);
}

// Damaged or unusual DBs: every failure of the walk and what it leaves in
// the code.
class Str2CodeFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Area(13000, 1, "東京都");
    db_.Area(13101, 4, "千代田区").countyCode = 13100;
    db_.Area(13206, 4, "府中市");
    const TownRef marunouchi = db_.Town(13101, "丸の内");
    const SectionRef itchome = db_.Section(marunouchi, "一丁目");
    db_.ResidenceFlag(itchome, 1);
    db_.Residence(db_.Block(itchome, 1), 1);
    db_.ResidenceFlag(db_.Town(13101, "千代田"), 1);
    db_.Block(TownRef{13101, 3}, 1);
    db_.Town(13206, "宮町");
  }
  void TearDown() override { UnloadAddressDb(); }

  std::string File(const char* name) const { return dir_.File(name); }
  void Load() {
    LoadAddressDb(dir_.str(), 5);
  }
  void Expect(const char* utf8, int result, const AdrCode& expected) {
    AdrCode code = kUntouched;
    EXPECT_EQ(krvAdrStr2Code(Sjis(utf8).c_str(), &code), result) << utf8;
    EXPECT_TRUE(SameCode(code, expected)) << utf8 << ": " << Describe(code);
  }

  DbBuilder db_;
  TempDir dir_;
};

TEST_F(Str2CodeFailureTest, AreaRecordMissingOrOfUnknownKind) {
  db_.AreaName("幻市", 13999, 4);
  db_.Area(13207, 4, "昭島市").kind = 7;
  db_.Write(dir_.str());
  Load();
  Expect("東京都幻市", -4, Code(0, 0));
  Expect("東京都昭島市", -4, Code(7, 0));
}

TEST_F(Str2CodeFailureTest, TooManyAreaNamesInOnePass) {
  for (int i = 0; i < 99; ++i) db_.AreaName("東京都", 13000, 1);
  db_.Write(dir_.str());
  Load();
  Expect("東京都千代田区", -3, Code(0, 0));
}

TEST_F(Str2CodeFailureTest, TownSearchFails) {
  db_.Write(dir_.str());
  PatchU32(File("krv_cho.hsh"), offsets::ChoHashWordAt(db_.TownHashBlockPosition(13101)), 13102);
  Load();
  Expect("東京都千代田区丸の内", -5, Code(4, 13101));
}

TEST_F(Str2CodeFailureTest, TownRecordMissing) {
  db_.Write(dir_.str());
  // The hash entry of 丸の内 (entry 1) names town 9.
  PatchI32(File("krv_cho.hsh"), offsets::ChoHashEntryAt(db_.TownHashBlockAreaBytes(), 1) + 32, 9);
  Load();
  Expect("東京都千代田区丸の内一丁目", -6, Code(5, 13101, 9));
}

TEST_F(Str2CodeFailureTest, SectionSearchFails) {
  db_.Write(dir_.str());
  // 丸の内 is record 1 of area 13101; its section table index goes beyond
  // the tables.
  PatchI32(File("krv_cho.rec"), offsets::ChoRecordAt(1) + 72, 500);
  Load();
  Expect("東京都千代田区丸の内一丁目", -7, Code(5, 13101, 2));
}

TEST_F(Str2CodeFailureTest, BlockSearchFails) {
  db_.Write(dir_.str());
  PatchI32(File("krv_aza.rec"), offsets::AzaRecordAt(0) + 68, 500);
  PatchI32(File("krv_cho.rec"), offsets::ChoRecordAt(2) + 76, 500);
  Load();
  Expect("東京都千代田区丸の内一丁目1番", -8, Code(6, 13101, 2, 1));
  Expect("東京都千代田区千代田1番", -8, Code(5, 13101, 3));
}

TEST_F(Str2CodeFailureTest, ResidenceSearchFails) {
  db_.Write(dir_.str());
  PatchI32(File("krv_gaiku.rec"), offsets::GaikuRecordAt(db_.BlockTableCount(), 0) + 4, 500);
  Load();
  Expect("東京都千代田区丸の内一丁目1番1号", -9, Code(7, 13101, 2, 1, 1));
  // Without text after the block the residence table is not searched.
  Expect("東京都千代田区丸の内一丁目1番", 15, Code(7, 13101, 2, 1, 1));
}

TEST_F(Str2CodeFailureTest, BlocksWithoutResidencesInADbWithoutAny) {
  DbBuilder db;
  db.Area(13000, 1, "東京都");
  db.Area(13101, 4, "千代田区");
  db.Block(db.Section(db.Town(13101, "丸の内"), "一丁目"), 1);
  db.Write(dir_.str());
  Load();
  // The residence file holds no table at all; the block ends the walk.
  Expect("東京都千代田区丸の内一丁目1番1号", 15, Code(7, 13101, 2, 1, 1));
}

TEST_F(Str2CodeFailureTest, AnAreaWithoutATownNameTableIsItsOwnTown) {
  db_.Write(dir_.str());
  PatchU32(File("krv_cho.hsh"), offsets::ChoHashPositionAt(13206), 0);
  Load();
  Expect("東京都府中市宮町", 6, Code(5, 13206, 1));
  int length = -7;
  int32_t choCode = -7;
  EXPECT_EQ(krvGetChoCode(13206, Sjis("宮町").c_str(), &length, &choCode), 1);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(choCode, 1);
}

}  // namespace
}  // namespace krv::test

namespace krv::test {
namespace {

// Counting runs over long texts too: here the consumed part is 69 bytes and
// the character 番 spans bytes 63 and 64.
TEST(Str2CodeLongText, CountsEveryCharacterOfALongMatch) {
  TempDir dir;
  DbBuilder db;
  db.Area(13000, 1, "東京都");
  db.Area(13101, 4, "あいうえおかきくけこ区");
  const SectionRef section = db.Section(db.Town(13101, "Aさしすせそたちつてとなにぬね"), "1丁目");
  db.ResidenceFlag(section, 1);
  db.Residence(db.Block(section, 2), 3);
  db.Write(dir.str());
  LoadAddressDb(dir.str(), 5);
  const std::string text = Sjis("東京都あいうえおかきくけこ区Aさしすせそたちつてとなにぬね1丁目2番3号ﾋﾞﾙ");
  ASSERT_EQ(text.substr(63, 2), Sjis("番"));
  AdrCode code{};
  EXPECT_EQ(krvAdrStr2Code(text.c_str(), &code), 36);
  EXPECT_TRUE(SameCode(code, Code(8, 13101, 2, 1, 2, 3))) << Describe(code);
  UnloadAddressDb();
}

}  // namespace
}  // namespace krv::test
