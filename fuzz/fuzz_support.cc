#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "chimei25k_writer.h"
#include "db_builder.h"
#include "layout.h"
#include "moji_index_writer.h"
#include "test_support.h"

namespace krv::fuzz {
namespace {

namespace fs = std::filesystem;
using test::BlockRef;
using test::DbBuilder;
using test::SectionRef;
using test::Sjis;
using test::TownRef;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz support: %s\n", what.c_str());
  std::abort();
}

int32_t pointStep = 0;
int32_t Lat() { return 35 * 3600000 + 100 * ++pointStep; }
int32_t Lon() { return 139 * 3600000 + 100 * pointStep; }

void Chome(DbBuilder& db, TownRef town, int sections, int blocks, int residences) {
  static const char* const kNames[] = {"一丁目", "二丁目", "三丁目", "四丁目"};
  for (int i = 0; i < sections; ++i) {
    const SectionRef section = db.Section(town, kNames[i], "");
    db.Record(section).pointX = Lat();
    db.Record(section).pointY = Lon();
    db.ResidenceFlag(section, 1);
    for (int b = 1; b <= blocks; ++b) {
      const BlockRef block = db.Block(section, b, Lat(), Lon());
      for (int r = 1; r <= residences; ++r) db.Residence(block, r, Lat(), Lon());
    }
  }
}

// A DB shaped like a real one, small enough to load at every start.
void DeclareDb(DbBuilder& db) {
  db.Area(1000, 1, "北海道", "ﾎｯｶｲﾄﾞｳ");
  db.Area(1330, 2, "渡島総合振興局", "ｵｼﾏｿｳｺﾞｳｼﾝｺｳｷｮｸ");
  db.Area(1331, 4, "松前町", "ﾏﾂﾏｴﾁｮｳ").subprefCode = 1330;
  db.Area(8000, 1, "茨城県", "ｲﾊﾞﾗｷｹﾝ");
  db.Area(8208, 4, "龍ケ崎市", "ﾘｭｳｶﾞｻｷｼ");
  db.AreaName("龍ヶ崎市", 8208, 4);
  db.Area(8300, 3, "東茨城郡", "ﾋｶﾞｼｲﾊﾞﾗｷｸﾞﾝ");
  db.Area(8302, 4, "茨城町", "ｲﾊﾞﾗｷﾏﾁ").countyCode = 8300;
  db.Area(13000, 1, "東京都", "ﾄｳｷｮｳﾄ");
  db.Area(13101, 4, "千代田区", "ﾁﾖﾀﾞｸ").countyCode = 13100;
  db.Area(13105, 4, "文京区", "ﾌﾞﾝｷｮｳｸ").countyCode = 13100;
  db.Area(13206, 4, "府中市", "ﾌﾁｭｳｼ");
  db.Area(14000, 1, "神奈川県", "ｶﾅｶﾞﾜｹﾝ");
  db.Area(14100, 3, "横浜市", "ﾖｺﾊﾏｼ");
  db.Area(14104, 4, "中区", "ﾅｶｸ").countyCode = 14100;
  db.Area(14105, 4, "南区", "ﾐﾅﾐｸ").countyCode = 14100;
  db.Area(14150, 3, "相模原市", "ｻｶﾞﾐﾊﾗｼ");
  db.Area(14153, 4, "南区", "ﾐﾅﾐｸ").countyCode = 14150;
  db.Area(34000, 1, "広島県", "ﾋﾛｼﾏｹﾝ");
  db.Area(34207, 4, "府中市", "ﾌﾁｭｳｼ");

  const TownRef fukuyama = db.Town(1331, "福山", "ﾌｸﾔﾏ");
  db.Block(fukuyama, 1, Lat(), Lon());
  db.Block(fukuyama, 2, Lat(), Lon());
  const TownRef matsugaoka = db.Town(8208, "松ケ丘", "ﾏﾂｶﾞｵｶ");
  db.TownName(matsugaoka, "松ヶ丘");
  Chome(db, matsugaoka, 2, 1, 1);

  const TownRef ozutsumi = db.Town(8302, "小堤", "ｵﾂﾞﾂﾐ");
  db.Block(ozutsumi, 1, Lat(), Lon());
  const BlockRef lot2 = db.Block(ozutsumi, 2, Lat(), Lon());
  db.Residence(lot2, 1, Lat(), Lon());
  db.Residence(db.Block(ozutsumi, 150, Lat(), Lon()), 3, Lat(), Lon());
  const TownRef nagaoka = db.Town(8302, "長岡", "ﾅｶﾞｵｶ");
  const SectionRef nakadori = db.Section(nagaoka, "字中通", "ｱｻﾞﾅｶﾄﾞｵﾘ");
  const BlockRef kou = db.NamedBlock(nakadori, "甲", Lat(), Lon());
  db.Residence(kou, 12, Lat(), Lon());
  db.Block(nakadori, 3, Lat(), Lon());

  const TownRef marunouchi = db.Town(13101, "丸の内", "ﾏﾙﾉｳﾁ");
  Chome(db, marunouchi, 3, 3, 2);
  const BlockRef m1 = db.Block(SectionRef{marunouchi.area, marunouchi.town, 1}, 9, Lat(), Lon());
  db.NamedResidence(m1, "イ", Lat(), Lon());
  const TownRef chiyoda = db.Town(13101, "千代田", "ﾁﾖﾀﾞ");
  db.ResidenceFlag(chiyoda, 1);
  db.Residence(db.Block(chiyoda, 1, Lat(), Lon()), 1, Lat(), Lon());
  Chome(db, db.Town(13105, "本郷", "ﾎﾝｺﾞｳ"), 4, 2, 2);
  Chome(db, db.Town(13206, "宮町", "ﾐﾔﾁｮｳ"), 1, 1, 1);
  const TownRef yamashita = db.Town(14104, "山下町", "ﾔﾏｼﾀﾁｮｳ");
  db.Residence(db.Block(yamashita, 279, Lat(), Lon()), 5, Lat(), Lon());
  const TownRef kitanaka5 = db.Town(14104, "北仲通5", "ｷﾀﾅｶﾄﾞｵﾘ5");
  db.ResidenceFlag(kitanaka5, 1);
  db.Residence(db.Block(kitanaka5, 57, Lat(), Lon()), 1, Lat(), Lon());
  Chome(db, db.Town(14105, "浦舟町", "ｳﾗﾌﾈﾁｮｳ"), 1, 1, 0);
  Chome(db, db.Town(14153, "相模大野", "ｻｶﾞﾐｵｵﾉ"), 1, 1, 0);

  db.PostCode(1000005, marunouchi);
  db.PostCode(1130033, TownRef{13105, 2});
  db.PostCode(3113100, ozutsumi);
}

Chimei25kRecord PlaceName(const char* name, int32_t attr) {
  Chimei25kRecord record{};
  record.attr1 = attr;
  const std::string sjis = Sjis(name);
  sjis.copy(record.name, sizeof record.name - 1);
  record.pointX = Lat();
  record.pointY = Lon();
  return record;
}

void WriteFixtureDb(const std::string& dir) {
  DbBuilder db;
  DeclareDb(db);
  db.Write(dir);

  const std::vector<Chimei25kRecord> places = {PlaceName("富士山", 1), PlaceName("富士", 2),
                                               PlaceName("丸の内", 3), PlaceName("本郷", 4)};
  if (!format::SaveChimei25kRecords((dir + "/krv_chimei25k.rec").c_str(), places) ||
      !format::SaveChimei25kHash((dir + "/krv_chimei25k.hsh").c_str(), places, 3)) {
    Fail("cannot write the place-name files");
  }
  std::vector<format::MojiIndexSource> sources;
  for (const char* text : {"東京都千代田区丸の内", "東京都文京区本郷", "茨城県茨城町小堤", "北海道松前町福山"}) {
    format::MojiIndexSource source;
    source.record.value[0] = static_cast<int32_t>(sources.size() + 1);
    const std::string sjis = Sjis(text);
    for (std::size_t i = 0; i + 1 < sjis.size(); i += 2) source.charKeys.push_back(format::MojiCharKey(&sjis[i]));
    sources.push_back(source);
  }
  if (format::SaveMojiIndex((dir + "/krv_moji.idx").c_str(), sources) != format::MojiIndexWriteResult::kOk) {
    Fail("cannot write the character index");
  }
}

void RemoveScratch();

std::string MakeScratch() {
  const char* tmp = std::getenv("TMPDIR");
  fs::path base = tmp != nullptr && *tmp != '\0' ? fs::path(tmp) : fs::temp_directory_path();
  fs::path dir = base / ("krv-fuzz-" + std::to_string(getpid()));
  std::error_code ec;
  fs::remove_all(dir, ec);
  if (!fs::create_directories(dir, ec)) Fail("cannot create " + dir.string());
  return dir.string();
}

void RemoveScratch() {
  std::error_code ec;
  fs::remove_all(ScratchDir(), ec);
}

// Adds `parent` and the codes below it, a few of each level.
void Collect(AdrCode parent, std::vector<AdrCode>& out, int depth) {
  out.push_back(parent);
  if (depth == 0 || parent.level >= 8) return;
  AdrCode query = parent;
  query.level = parent.level < 5 ? 5 : parent.level + 1;
  int32_t children[8];
  const int n = krvGetAdrRecordList(&query, children, 8);
  for (int i = 0; i < n; ++i) {
    AdrCode child = query;
    switch (query.level) {
      case 5: child.choCode = children[i]; break;
      case 6: child.azaCode = children[i]; break;
      case 7: child.gaikuCode = children[i]; break;
      default: child.jukyoCode = children[i]; break;
    }
    Collect(child, out, depth - 1);
  }
  // Blocks directly under a town that has sections too.
  if (query.level == 6) {
    AdrCode blocks = parent;
    blocks.level = 7;
    blocks.azaCode = 0;
    if (krvGetNumAdrRecords(&blocks) > 0) {
      blocks.level = 6;
      Collect(blocks, out, depth - 1);
    }
  }
}

}  // namespace

const std::string& ScratchDir() {
  static const std::string dir = MakeScratch();
  // Registered after the string is made, so it runs before the string goes.
  static const bool removedAtExit = std::atexit(RemoveScratch) == 0;
  (void)removedAtExit;
  return dir;
}

const std::string& FixtureDbDir() {
  static const std::string dir = [] {
    const std::string fixture = ScratchDir() + "/db";
    std::error_code ec;
    fs::create_directories(fixture, ec);
    WriteFixtureDb(fixture);
    return fixture;
  }();
  return dir;
}

const std::string& DbDir() {
  static const std::string dir = [] {
    const char* given = std::getenv("KRV_FUZZ_DB");
    if (given != nullptr && *given != '\0') return std::string(given);
    return FixtureDbDir();
  }();
  return dir;
}

void LoadDb(const std::string& dir) {
  krvDbEnd();
  const int rc = krvDbLoad(dir.c_str(), 0);
  if (rc < 0) Fail("cannot load " + dir + ": " + (krvDbErrorText() ? krvDbErrorText() : "?"));
  // Place names and the character index are optional in a DB; a failed
  // load unloads everything, so the levels are loaded again after one.
  const bool places = krvDbLoad(dir.c_str(), 14) >= 0;
  if (!places) krvDbLoad(dir.c_str(), 0);
  if (krvDbLoad(dir.c_str(), 16) < 0) {
    krvDbLoad(dir.c_str(), 0);
    if (places) krvDbLoad(dir.c_str(), 14);
  }
}

bool WritingSeeds() {
  const char* dir = std::getenv("KRV_FUZZ_SEEDS");
  return dir != nullptr && *dir != '\0';
}

void WriteSeed(const std::string& name, const std::string& bytes) {
  if (!WritingSeeds()) return;
  const std::string dir = std::getenv("KRV_FUZZ_SEEDS");
  std::error_code ec;
  fs::create_directories(dir, ec);
  WriteBytes(dir + "/" + name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void WriteBytes(const std::string& path, const uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) Fail("cannot write " + path);
}

void CopyFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) Fail("cannot copy " + from + ": " + ec.message());
}

const std::vector<DbFile>& LoadableDbFiles() {
  static const std::vector<DbFile> files = {
      {KRV_FILE_GYOSEI_REC, "krv_gyosei.rec"},   {KRV_FILE_GYOSEI_HSH, "krv_gyosei.hsh"},
      {KRV_FILE_CHO_REC, "krv_cho.rec"},         {KRV_FILE_CHO_HSH, "krv_cho.hsh"},
      {KRV_FILE_AZA_REC, "krv_aza.rec"},         {KRV_FILE_GAIKU_REC, "krv_gaiku.rec"},
      {KRV_FILE_JUKYO_REC, "krv_jukyo.rec"},     {KRV_FILE_STRING_REC, "krv_string.rec"},
      {KRV_FILE_POST_IDX, "krv_post.idx"},       {KRV_FILE_CHIMEI25K_REC, "krv_chimei25k.rec"},
      {KRV_FILE_CHIMEI25K_HSH, "krv_chimei25k.hsh"}, {KRV_FILE_MOJI_IDX, "krv_moji.idx"},
  };
  return files;
}

std::vector<AdrCode> CollectCodes(std::size_t limit, const std::vector<int32_t>* areas) {
  std::vector<int32_t> all;
  if (areas == nullptr) {
    for (int32_t area = format::kAreaCodeMin; area < format::kAreaCodeLimit; ++area) all.push_back(area);
    areas = &all;
  }
  std::vector<AdrCode> out;
  for (std::size_t i = 0; i < areas->size() && out.size() < limit; ++i) {
    const int32_t area = (*areas)[i];
    GyoseiRecord record;
    if (GyoseiRecGet(area, &record) != 0) continue;
    AdrCode code{};
    code.level = record.kind >= 1 && record.kind <= 4 ? record.kind : 4;
    code.gyoseiCode = area;
    Collect(code, out, 4);
  }
  return out;
}

const std::vector<AdrCode>& KnownCodes() {
  static const std::vector<AdrCode> codes = [] {
    std::vector<AdrCode> out = CollectCodes(2000);
    if (out.empty()) Fail("the DB holds no area");
    return out;
  }();
  return codes;
}

}  // namespace krv::fuzz
