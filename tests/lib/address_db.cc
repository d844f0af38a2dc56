#include "address_db.h"

#include <cmath>
#include <memory>
#include <sstream>

namespace krv::test {
namespace {

// Every block and residence gets a point of its own unless a test needs one
// without: lat 35.xx, lon 139.xx in steps of a tenth of a second.
int32_t nextPoint = 0;
int32_t Lat() { return Ms(35.0) + 100 * ++nextPoint; }
int32_t Lon() { return Ms(139.0) + 100 * nextPoint; }

GyoseiRecord& Located(GyoseiRecord& area, double lat, double lon) {
  area.pointX = Ms(lat);
  area.pointY = Ms(lon);
  return area;
}

// Blocks 1..blocks under `parent`, each with residences 1..residences.
void NumberedBlocks(DbBuilder& db, BlockParent parent, int blocks, int residences) {
  for (int b = 1; b <= blocks; ++b) {
    const BlockRef block = db.Block(parent, b, Lat(), Lon());
    for (int r = 1; r <= residences; ++r) db.Residence(block, r, Lat(), Lon());
  }
}

// Sections 一丁目..n丁目 of a town, each with `blocks` blocks of
// `residences` residences, in residence addressing.
void Chome(DbBuilder& db, TownRef town, int sections, int blocks, int residences) {
  static const char* const kNames[] = {"一丁目", "二丁目", "三丁目", "四丁目", "五丁目", "六丁目", "七丁目"};
  for (int i = 0; i < sections; ++i) {
    const SectionRef section = db.Section(town, kNames[i]);
    db.Record(section).pointX = Lat();
    db.Record(section).pointY = Lon();
    if (blocks > 0) {
      db.ResidenceFlag(section, 1);
      NumberedBlocks(db, section, blocks, residences);
    }
  }
}

}  // namespace

int32_t Ms(double degrees) { return static_cast<int32_t>(std::lround(degrees * 3600000.0)); }

void DeclareAddressDb(DbBuilder& db) {
  nextPoint = 0;

  // Hokkaido: a town under a subprefecture, without a county.
  Located(db.Area(1000, 1, "北海道", "ﾎｯｶｲﾄﾞｳ"), 43.064, 141.347);
  Located(db.Area(1330, 2, "渡島総合振興局", "ｵｼﾏｿｳｺﾞｳｼﾝｺｳｷｮｸ"), 41.768, 140.729);
  Located(db.Area(1331, 4, "松前町", "ﾏﾂﾏｴﾁｮｳ"), 41.430, 140.110).subprefCode = 1330;

  // Ibaraki: no point of its own and no ward 101; a county and its town.
  db.Area(8000, 1, "茨城県", "ｲﾊﾞﾗｷｹﾝ");
  Located(db.Area(8201, 4, "水戸市", "ﾐﾄｼ"), 36.366, 140.471);
  Located(db.Area(8208, 4, "龍ケ崎市", "ﾘｭｳｶﾞｻｷｼ"), 35.911, 140.182);
  db.AreaName("龍ヶ崎市", 8208, 4);
  db.Area(8300, 3, "東茨城郡", "ﾋｶﾞｼｲﾊﾞﾗｷｸﾞﾝ");
  Located(db.Area(8302, 4, "茨城町", "ｲﾊﾞﾗｷﾏﾁ"), 36.287, 140.424).countyCode = 8300;

  // Tokyo: special wards (area 13100 has no record), a city whose name
  // another prefecture has too, an island town under a subprefecture.
  Located(db.Area(13000, 1, "東京都", "ﾄｳｷｮｳﾄ"), 35.690, 139.692);
  Located(db.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ"), 35.694, 139.754).countyCode = 13100;
  Located(db.Area(13103, 4, "港区", "ﾐﾅﾄｸ"), 35.658, 139.752).countyCode = 13100;
  Located(db.Area(13105, 4, "文京区", "ﾌﾞﾝｷｮｳｸ"), 35.708, 139.752).countyCode = 13100;
  Located(db.Area(13206, 4, "府中市", "ﾌﾁｭｳｼ"), 35.669, 139.478);
  Located(db.Area(13360, 2, "大島支庁", "ｵｵｼﾏｼﾁｮｳ"), 34.750, 139.356);
  Located(db.Area(13361, 4, "大島町", "ｵｵｼﾏﾏﾁ"), 34.750, 139.356).subprefCode = 13360;

  // Kanagawa: two designated cities whose wards share names.  Sagamihara's
  // 南区 is named before Yokohama's, Yokohama's 緑区 before Sagamihara's.
  Located(db.Area(14000, 1, "神奈川県", "ｶﾅｶﾞﾜｹﾝ"), 35.448, 139.643);
  Located(db.Area(14100, 3, "横浜市", "ﾖｺﾊﾏｼ"), 35.444, 139.638);
  Located(db.Area(14101, 4, "鶴見区", "ﾂﾙﾐｸ"), 35.508, 139.682).countyCode = 14100;
  Located(db.Area(14104, 4, "中区", "ﾅｶｸ"), 35.444, 139.642).countyCode = 14100;
  Located(db.Area(14150, 3, "相模原市", "ｻｶﾞﾐﾊﾗｼ"), 35.571, 139.373);
  Located(db.Area(14153, 4, "南区", "ﾐﾅﾐｸ"), 35.531, 139.433).countyCode = 14150;
  Located(db.Area(14105, 4, "南区", "ﾐﾅﾐｸ"), 35.431, 139.621).countyCode = 14100;
  Located(db.Area(14113, 4, "緑区", "ﾐﾄﾞﾘｸ"), 35.512, 139.538).countyCode = 14100;
  Located(db.Area(14151, 4, "緑区", "ﾐﾄﾞﾘｸ"), 35.594, 139.341).countyCode = 14150;

  // Aichi: a 港区 that is not Tokyo's.
  Located(db.Area(23000, 1, "愛知県", "ｱｲﾁｹﾝ"), 35.180, 136.907);
  Located(db.Area(23100, 3, "名古屋市", "ﾅｺﾞﾔｼ"), 35.181, 136.906);
  Located(db.Area(23111, 4, "港区", "ﾐﾅﾄｸ"), 35.108, 136.885).countyCode = 23100;

  // Osaka: 北区 of Osaka is named before Sakai's, 西区 of Sakai before
  // Osaka's.
  Located(db.Area(27000, 1, "大阪府", "ｵｵｻｶﾌ"), 34.686, 135.520);
  Located(db.Area(27100, 3, "大阪市", "ｵｵｻｶｼ"), 34.693, 135.502);
  Located(db.Area(27140, 3, "堺市", "ｻｶｲｼ"), 34.573, 135.483);
  Located(db.Area(27127, 4, "北区", "ｷﾀｸ"), 34.705, 135.510).countyCode = 27100;
  Located(db.Area(27146, 4, "北区", "ｷﾀｸ"), 34.565, 135.516).countyCode = 27140;
  Located(db.Area(27144, 4, "西区", "ﾆｼｸ"), 34.538, 135.466).countyCode = 27140;
  Located(db.Area(27106, 4, "西区", "ﾆｼｸ"), 34.676, 135.486).countyCode = 27100;

  // Hiroshima: the other 府中市, without any town record.
  Located(db.Area(34000, 1, "広島県", "ﾋﾛｼﾏｹﾝ"), 34.397, 132.460);
  Located(db.Area(34207, 4, "府中市", "ﾌﾁｭｳｼ"), 34.568, 133.237);

  // 松前町: lot numbers under 福山, a one-character town with residences.
  const TownRef fukuyama = db.Town(1331, "福山", "ﾌｸﾔﾏ");
  NumberedBlocks(db, fukuyama, 2, 0);
  const TownRef asahi = db.Town(1331, "旭", "ｱｻﾋ");
  db.ResidenceFlag(asahi, 1);
  db.Residence(db.Block(asahi, 1, Lat(), Lon()), 2, Lat(), Lon());
  db.Block(asahi, 2, Lat(), Lon());

  // 水戸市: the first named town of the prefecture's first city.
  const TownRef sannomaru = db.Town(8201, "三の丸", "ｻﾝﾉﾏﾙ");
  Chome(db, sannomaru, 2, 2, 0);
  db.Town(8201, "見川町", "ﾐｶﾞﾜﾁｮｳ");

  // 龍ケ崎市: a town stored with both spellings of ケ.
  const TownRef matsugaoka = db.Town(8208, "松ケ丘", "ﾏﾂｶﾞｵｶ");
  db.TownName(matsugaoka, "松ヶ丘");
  Chome(db, matsugaoka, 2, 1, 1);

  // 茨城町: lot numbers.  小堤 has its blocks under the town; 長岡 has
  // sections named 字…, one with the named block 甲.
  const TownRef ozutsumi = db.Town(8302, "小堤", "ｵﾂﾞﾂﾐ");
  db.Block(ozutsumi, 1, Lat(), Lon());
  const BlockRef lot2 = db.Block(ozutsumi, 2, Lat(), Lon());
  db.Residence(lot2, 1, Lat(), Lon());
  db.Residence(lot2, 2, Lat(), Lon());
  db.Residence(db.Block(ozutsumi, 150, Lat(), Lon()), 3, Lat(), Lon());
  const TownRef nagaoka = db.Town(8302, "長岡", "ﾅｶﾞｵｶ");
  const SectionRef nakadori = db.Section(nagaoka, "字中通", "ｱｻﾞﾅｶﾄﾞｵﾘ");
  db.Record(nakadori).pointX = Lat();
  db.Record(nakadori).pointY = Lon();
  const BlockRef kou = db.NamedBlock(nakadori, "甲", Lat(), Lon());
  db.Residence(kou, 12, Lat(), Lon());
  db.Block(nakadori, 3, Lat(), Lon());
  const SectionRef higashi = db.Section(nagaoka, "字東");
  db.Block(higashi, 5, Lat(), Lon());

  // 千代田区: 丸の内 (no point of its own; its 一丁目 has a block without a
  // point and a named residence), 大手町, and 千代田 without sections.
  const TownRef marunouchi = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
  const SectionRef m1 = db.Section(marunouchi, "一丁目");
  db.Record(m1).pointX = Ms(35.6810);
  db.Record(m1).pointY = Ms(139.7660);
  db.ResidenceFlag(m1, 1);
  const BlockRef m1b1 = db.Block(m1, 1, Ms(35.6812), Ms(139.7671));
  db.Residence(m1b1, 1, Lat(), Lon());
  db.Residence(m1b1, 2, Lat(), Lon());
  db.NamedResidence(m1b1, "イ", Lat(), Lon());
  const BlockRef m1b2 = db.Block(m1, 2, Lat(), Lon());
  db.Residence(m1b2, 1, Lat(), Lon());
  db.Residence(m1b2, 3, Ms(35.6801), Ms(139.7652));
  db.Block(m1, 3);
  const SectionRef m2 = db.Section(marunouchi, "二丁目");
  db.ResidenceFlag(m2, 1);
  db.Residence(db.Block(m2, 1, Ms(35.6795), Ms(139.7640)), 1, Lat(), Lon());
  db.Block(m2, 7, Lat(), Lon());
  const SectionRef m3 = db.Section(marunouchi, "三丁目");
  db.ResidenceFlag(m3, 1);
  NumberedBlocks(db, m3, 2, 0);
  const TownRef otemachi = db.Town(13101, "大手町", "ｵｵﾃﾏﾁ");
  Chome(db, otemachi, 2, 1, 1);
  const TownRef chiyoda = db.Town(13101, "千代田", "ﾁﾖﾀﾞ");
  db.Record(chiyoda).pointX = Ms(35.6852);
  db.Record(chiyoda).pointY = Ms(139.7528);
  db.ResidenceFlag(chiyoda, 1);
  NumberedBlocks(db, chiyoda, 1, 1);

  const TownRef shibakoen = db.Town(13103, "芝公園", "ｼﾊﾞｺｳｴﾝ");
  Chome(db, shibakoen, 4, 2, 2);
  const TownRef hongo = db.Town(13105, "本郷", "ﾎﾝｺﾞｳ");
  Chome(db, hongo, 7, 3, 3);
  Chome(db, db.Town(13206, "宮町", "ﾐﾔﾁｮｳ"), 1, 1, 1);
  const TownRef motomachi = db.Town(13361, "元町", "ﾓﾄﾏﾁ");
  NumberedBlocks(db, motomachi, 1, 0);

  // 中区: 山下町 in lot numbers with a lot above 100; 北仲通 with sections, and
  // 北仲通5, a town whose name ends in a numeral.
  const TownRef yamashita = db.Town(14104, "山下町", "ﾔﾏｼﾀﾁｮｳ");
  db.Block(yamashita, 1, Lat(), Lon());
  db.Residence(db.Block(yamashita, 279, Lat(), Lon()), 5, Lat(), Lon());
  Chome(db, db.Town(14104, "北仲通", "ｷﾀﾅｶﾄﾞｵﾘ"), 3, 1, 0);
  const TownRef kitanaka5 = db.Town(14104, "北仲通5", "ｷﾀﾅｶﾄﾞｵﾘ5");
  db.ResidenceFlag(kitanaka5, 1);
  db.Residence(db.Block(kitanaka5, 57, Lat(), Lon()), 1, Lat(), Lon());
  db.Block(kitanaka5, 3, Lat(), Lon());
  db.Residence(db.Block(kitanaka5, 101, Lat(), Lon()), 2, Lat(), Lon());

  Chome(db, db.Town(14101, "鶴見中央", "ﾂﾙﾐﾁｭｳｵｳ"), 1, 1, 0);
  Chome(db, db.Town(14105, "浦舟町", "ｳﾗﾌﾈﾁｮｳ"), 1, 1, 0);
  Chome(db, db.Town(14113, "長津田", "ﾅｶﾞﾂﾀ"), 1, 1, 0);
  Chome(db, db.Town(14151, "橋本", "ﾊｼﾓﾄ"), 1, 1, 0);
  Chome(db, db.Town(14153, "相模大野", "ｻｶﾞﾐｵｵﾉ"), 1, 1, 0);
  const TownRef minatomachi = db.Town(23111, "港町", "ﾐﾅﾄﾏﾁ");
  db.ResidenceFlag(minatomachi, 1);
  NumberedBlocks(db, minatomachi, 1, 0);
  Chome(db, db.Town(27127, "梅田", "ｳﾒﾀﾞ"), 3, 1, 0);
  Chome(db, db.Town(27146, "中百舌鳥町", "ﾅｶﾓｽﾞﾁｮｳ"), 1, 1, 0);
  Chome(db, db.Town(27106, "靱本町", "ｳﾂﾎﾞﾎﾝﾏﾁ"), 1, 1, 0);
  Chome(db, db.Town(27144, "鳳東町", "ｵｵﾄﾘﾋｶﾞｼﾏﾁ"), 1, 1, 0);

  db.PostCode(1000005, marunouchi);
  db.PostCode(1130033, hongo);
  db.PostCode(3113123, ozutsumi);
  db.PostCode(600001, fukuyama);
}

void LoadAddressDb(const std::string& dir, int level) {
  krvDbEnd();
  ASSERT_EQ(krvDbLoad(dir.c_str(), level), level) << krvDbErrorText();
}

void UnloadAddressDb() { krvDbEnd(); }

namespace {
std::unique_ptr<TempDir> suiteDir;
}  // namespace

void AddressDbTest::SetUpTestSuite() {
  suiteDir = std::make_unique<TempDir>();
  DbBuilder db;
  DeclareAddressDb(db);
  db.Write(suiteDir->str());
  LoadAddressDb(suiteDir->str(), 5);
}

void AddressDbTest::TearDownTestSuite() {
  UnloadAddressDb();
  krvSetArgEncoding("Shift_JIS");
  suiteDir.reset();
}

std::string AddressDbTest::Dir() { return suiteDir->str(); }

AdrCode Code(int32_t level, int32_t gyoseiCode, int32_t choCode, int32_t azaCode, int32_t gaikuCode,
             int32_t jukyoCode) {
  return AdrCode{level, gyoseiCode, choCode, azaCode, gaikuCode, jukyoCode};
}

std::string Describe(const AdrCode& code) {
  std::ostringstream out;
  out << "{" << code.level << ", " << code.gyoseiCode << ", " << code.choCode << ", " << code.azaCode << ", "
      << code.gaikuCode << ", " << code.jukyoCode << "}";
  return out.str();
}

bool SameCode(const AdrCode& a, const AdrCode& b) {
  return a.level == b.level && a.gyoseiCode == b.gyoseiCode && a.choCode == b.choCode && a.azaCode == b.azaCode &&
         a.gaikuCode == b.gaikuCode && a.jukyoCode == b.jukyoCode;
}

}  // namespace krv::test
