// DB files of any content: the input replaces one file of a good DB, the
// file is loaded (by its store alone, or by krvDbLoad with all other files
// of the DB), and every kind of lookup runs over the result.
//
// Input: one byte choosing the file (its low four bits: gyosei.rec,
// gyosei.hsh, cho.rec, cho.hsh, aza.rec, gaiku.rec, jukyo.rec, string.rec,
// post.idx, chimei25k.rec, chimei25k.hsh, moji.idx) and the way of loading
// (krvDbLoad when the high four bits are all set), then the file's bytes.
// krv_aza.rec is given in short: its fixed list of 150,000 section tables
// (3 MB, of which a DB uses the first few) holds only the tables in use,
// and the rest of the list is written as zero entries.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "kurovia.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using krv::fuzz::DbFile;
using krv::test::Sjis;

std::string pristine;  // the good DB
std::string damaged;   // its copy, one file replaced
const DbFile* replaced = nullptr;

// Address texts of the good DB (the written form of each code found in it)
// and a few texts of other shapes.
std::vector<std::string> addresses;
std::vector<AdrCode> goodCodes;
std::vector<int32_t> goodAreas;
// Texts for the table searches, the character index and the place names.
std::vector<std::string> tableTexts;
std::vector<std::string> indexTexts;

// krv_aza.rec: header, list of section tables, records.
constexpr std::size_t kAzaHeaderBytes = 32;
constexpr std::size_t kAzaTablesUsedAt = 24;
constexpr std::size_t kAzaTableBytes = 20;
constexpr std::size_t kAzaTables = 150000;

// The tables the input gives: those in use by its header, as far as the
// input holds them.
std::size_t AzaTablesGiven(const std::string& bytes) {
  if (bytes.size() < kAzaHeaderBytes) return 0;
  int32_t used;
  std::memcpy(&used, bytes.data() + kAzaTablesUsedAt, sizeof used);
  const std::size_t inUse = used < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(used), kAzaTables);
  return std::min(inUse, (bytes.size() - kAzaHeaderBytes) / kAzaTableBytes);
}

std::string ExpandAza(const std::string& bytes) {
  if (bytes.size() < kAzaHeaderBytes) return bytes;
  const std::size_t given = kAzaHeaderBytes + AzaTablesGiven(bytes) * kAzaTableBytes;
  std::string file = bytes.substr(0, given);
  file.append((kAzaTables - AzaTablesGiven(bytes)) * kAzaTableBytes, '\0');
  file.append(bytes, given, std::string::npos);
  return file;
}

std::string ShortAza(const std::string& file) {
  if (file.size() < kAzaHeaderBytes + kAzaTables * kAzaTableBytes) return file;
  const std::size_t given = kAzaHeaderBytes + AzaTablesGiven(file) * kAzaTableBytes;
  return file.substr(0, given) + file.substr(kAzaHeaderBytes + kAzaTables * kAzaTableBytes);
}

void Restore(const DbFile& file) {
  const std::string from = pristine + "/" + file.name;
  const std::string to = damaged + "/" + file.name;
  std::error_code ec;
  if (fs::exists(from, ec)) {
    krv::fuzz::CopyFile(from, to);
  } else {
    fs::remove(to, ec);
  }
}

std::string PathIn(const std::string& dir, int id) {
  for (const DbFile& file : krv::fuzz::LoadableDbFiles()) {
    if (file.id == id) return dir + "/" + file.name;
  }
  return dir;
}

// Loads the store of file `id` from `dir`, the other stores staying as they
// are.  The string file belongs to the block and residence stores.
void LoadStore(int id, const std::string& dir) {
  const std::string path = PathIn(dir, id);
  const std::string strings = PathIn(dir, KRV_FILE_STRING_REC);
  const char* p = path.c_str();
  switch (id) {
    case KRV_FILE_GYOSEI_REC: GyoseiRecLoad(p); break;
    case KRV_FILE_GYOSEI_HSH: GyoseiHashLoad(p); break;
    case KRV_FILE_CHO_REC: ChoRecLoad(p); break;
    case KRV_FILE_CHO_HSH: ChoHashLoad(p); break;
    case KRV_FILE_AZA_REC: AzaRecLoad(p); break;
    case KRV_FILE_GAIKU_REC: GaikuRecLoad(p, strings.c_str()); break;
    case KRV_FILE_JUKYO_REC: JukyoRecLoad(p, strings.c_str()); break;
    case KRV_FILE_STRING_REC:
      GaikuRecLoad(PathIn(dir, KRV_FILE_GAIKU_REC).c_str(), p);
      JukyoRecLoad(PathIn(dir, KRV_FILE_JUKYO_REC).c_str(), p);
      break;
    case KRV_FILE_POST_IDX: PostIndexLoad(p); break;
    case KRV_FILE_CHIMEI25K_REC: Chimei25kRecLoad(p); break;
    case KRV_FILE_CHIMEI25K_HSH: Chimei25kHashLoad(p); break;
    default: MojiIndexLoad(p); break;
  }
}

void EndStore(int id) {
  switch (id) {
    case KRV_FILE_GYOSEI_REC: GyoseiRecEnd(); break;
    case KRV_FILE_GYOSEI_HSH: GyoseiHashEnd(); break;
    case KRV_FILE_CHO_REC: ChoRecEnd(); break;
    case KRV_FILE_CHO_HSH: ChoHashEnd(); break;
    case KRV_FILE_AZA_REC: AzaRecEnd(); break;
    case KRV_FILE_GAIKU_REC: GaikuRecEnd(); break;
    case KRV_FILE_JUKYO_REC: JukyoRecEnd(); break;
    case KRV_FILE_STRING_REC:
      GaikuRecEnd();
      JukyoRecEnd();
      break;
    case KRV_FILE_POST_IDX: PostIndexEnd(); break;
    case KRV_FILE_CHIMEI25K_REC: Chimei25kRecEnd(); break;
    case KRV_FILE_CHIMEI25K_HSH: Chimei25kHashEnd(); break;
    default: MojiIndexEnd(); break;
  }
}

// The whole DB through krvDbLoad, as a client loads it.
void LoadDb(const std::string& dir) {
  krvDbEnd();
  const char* d = dir.c_str();
  const bool walked = krvDbLoad(d, 0) >= 0;
  const bool places = krvDbLoad(d, 14) >= 0;
  if (!places && walked) krvDbLoad(d, 0);
  if (krvDbLoad(d, 16) < 0) {
    if (walked) krvDbLoad(d, 0);
    if (places) krvDbLoad(d, 14);
  }
  krvDbErrorText();
}

void WalkCodes(const std::vector<AdrCode>& codes) {
  char name[256];
  char reading[256];
  int32_t list[16];
  char record[88];
  for (const AdrCode& code : codes) {
    krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading);
    double x = 0;
    double y = 0;
    krvAdrCode2Point(&code, &x, &y);
    krvGetAdrRecord(&code, record, sizeof record);
    AdrCode children = code;
    children.level = code.level < 5 ? 5 : code.level + 1;
    if (children.level <= 8) {
      krvGetNumAdrRecords(&children);
      krvGetAdrRecordList(&children, list, 16);
    }
  }
}

void SearchTables() {
  int length = 0;
  AzaRecord aza;
  GaikuRecord gaiku;
  JukyoRecord jukyo;
  for (const std::string& s : tableTexts) {
    const char* text = s.c_str();
    for (int32_t t = 0; t < 64; ++t) {
      if (AzaRecSearch(t, text, &length, &aza) == -2) break;
    }
    for (int32_t t = 0; t < 64; ++t) {
      if (GaikuRecSearch(t, text, &length, &gaiku) == -2) break;
    }
    for (int32_t t = 0; t < 64; ++t) {
      if (JukyoRecSearch(t, text, &length, &jukyo) == -2) break;
    }
  }
}

void OtherStores() {
  int32_t area = 0;
  int32_t town = 0;
  for (int32_t postal : {1000005, 1130033, 3113100, 0, -1, 9999999}) {
    PostIndexGet(postal, &area, &town);
    AdrCode code;
    krvPost2AdrCode(postal, &code);
  }
  PostIndexNumRecords();
  MojiRecord moji[4];
  Chimei25kResult places[4];
  int32_t numbers[4];
  for (const std::string& s : indexTexts) {
    const char* text = s.c_str();
    MojiIndexSearch(text, moji, 4);
    MojiIndexSearch(text, nullptr, 0);
    krvChimei25kSearch(text, places, 4);
    krvChimei25kSearch(text, nullptr, 0);
    Chimei25kHashSearch(text, numbers, 4);
  }
  const int n = Chimei25kRecNumRecords();
  Chimei25kRecord place;
  for (int32_t i = -1; i <= n && i < 64; ++i) Chimei25kRecGet(i, &place);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pristine = krv::fuzz::FixtureDbDir();
  damaged = krv::fuzz::ScratchDir() + "/damaged";
  std::error_code ec;
  fs::create_directories(damaged, ec);
  for (const auto& entry : fs::directory_iterator(pristine)) {
    krv::fuzz::CopyFile(entry.path().string(), damaged + "/" + entry.path().filename().string());
  }
  const auto& files = krv::fuzz::LoadableDbFiles();
  for (std::size_t i = 0; i < files.size() && krv::fuzz::WritingSeeds(); ++i) {
    std::string bytes(1, static_cast<char>(i));
    std::ifstream in(pristine + "/" + files[i].name, std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    bytes += files[i].id == KRV_FILE_AZA_REC ? ShortAza(file) : file;
    krv::fuzz::WriteSeed(std::string("db-") + files[i].name, bytes);
    // Two small files once more through krvDbLoad (a whole load costs as
    // much as ten of the others).
    if (files[i].id == KRV_FILE_GYOSEI_HSH || files[i].id == KRV_FILE_POST_IDX) {
      bytes[0] = static_cast<char>(0xF0 | i);
      krv::fuzz::WriteSeed(std::string("db-whole-") + files[i].name, bytes);
    }
  }
  krv::fuzz::LoadDb(pristine);
  goodCodes = krv::fuzz::CollectCodes(150);
  for (const AdrCode& code : goodCodes) {
    if (goodAreas.empty() || goodAreas.back() != code.gyoseiCode) goodAreas.push_back(code.gyoseiCode);
  }
  for (const AdrCode& code : goodCodes) {
    char name[256];
    char reading[256];
    if (krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading) > 0) addresses.emplace_back(name);
  }
  for (const char* text : {"東京都", "茨城県茨城町大字長岡字中通甲", "東京都千代田区丸の内一丁目9－イ", "府中市宮町"}) {
    addresses.push_back(Sjis(text));
  }
  for (const char* text : {"一丁目", "1-2", "甲", "12番地", "3号", "＄イ", "２の５"}) tableTexts.push_back(Sjis(text));
  for (const char* text : {"東京", "本郷", "丸の内東", "富士山", "丸の内"}) indexTexts.push_back(Sjis(text));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const auto& files = krv::fuzz::LoadableDbFiles();
  if (replaced != nullptr) Restore(*replaced);
  replaced = &files[(data[0] & 0x0F) % files.size()];
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (replaced->id == KRV_FILE_AZA_REC) bytes = ExpandAza(bytes);
  krv::fuzz::WriteBytes(damaged + "/" + replaced->name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  const bool wholeDb = (data[0] & 0xF0) == 0xF0;
  if (wholeDb) {
    LoadDb(damaged);
  } else {
    EndStore(replaced->id);
    LoadStore(replaced->id, damaged);
  }

  for (const std::string& address : addresses) {
    AdrCode code;
    krvAdrStr2Code(address.c_str(), &code);
    int length = 0;
    int32_t codes[10];
    krvGetGyoseiCode(address.c_str(), &length, codes, 10);
  }
  WalkCodes(goodCodes);
  WalkCodes(krv::fuzz::CollectCodes(60, &goodAreas));
  SearchTables();
  OtherStores();

  // Back to the good DB for the next input.
  if (wholeDb) {
    krv::fuzz::LoadDb(pristine);
  } else {
    EndStore(replaced->id);
    LoadStore(replaced->id, pristine);
  }
  return 0;
}
