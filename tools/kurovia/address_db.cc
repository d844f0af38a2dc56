#include "address_db.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "kurovia.h"

namespace krv::cli {
namespace {

// DB files of each load level (the level's stores and nothing deeper).
struct LevelFiles {
  int level;
  int ids[3];
};
constexpr LevelFiles kLevelFiles[] = {
    {1, {KRV_FILE_GYOSEI_REC, KRV_FILE_GYOSEI_HSH, 0}},
    {2, {KRV_FILE_CHO_REC, KRV_FILE_CHO_HSH, KRV_FILE_POST_IDX}},
    {3, {KRV_FILE_AZA_REC, 0, 0}},
    {4, {KRV_FILE_GAIKU_REC, 0, 0}},
    {5, {KRV_FILE_JUKYO_REC, 0, 0}},
};

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// What a store load code means, for the failures the library words as
// "Unknown error.".
const char* StoreFailureText(int storeCode) {
  switch (storeCode) {
    case -1:
      return "out of memory while loading it";
    case -2:
      return "the file cannot be opened (is it missing?)";
    case -3:
      return "the file is not of its kind (wrong ID string)";
    default:
      break;
  }
  return "the file is damaged or cut short";
}

const char* OriginText(DbOrigin origin) {
  switch (origin) {
    case DbOrigin::kEnvironment:
      return " (from KUROVIA_DB)";
    case DbOrigin::kSampleDb:
      return " (the bundled sample DB)";
    case DbOrigin::kOption:
      break;
  }
  return "";
}

}  // namespace

std::string SampleDbPath(const std::string& exeDir) {
  return (std::filesystem::path(exeDir) / ".." / "share" / "kurovia" / "sample-db").lexically_normal().string();
}

DbLocation ChooseDb(const std::string& option, const std::string& environment, const std::string& exeDir) {
  if (!option.empty()) return {option, DbOrigin::kOption};
  if (!environment.empty()) return {environment, DbOrigin::kEnvironment};
  return {SampleDbPath(exeDir), DbOrigin::kSampleDb};
}

int DeepestLevelOf(const std::string& dbDir) {
  int deepest = 1;
  if (krvDbSetPath(dbDir.c_str()) != 0) return deepest;
  for (const LevelFiles& level : kLevelFiles) {
    for (const int id : level.ids) {
      if (id == 0) continue;
      const char* path = krvDbFilePath(id);
      if (path != nullptr && FileExists(path)) deepest = level.level;
    }
  }
  return deepest;
}

std::string LoadErrorText(int result) {
  const char* libraryText = krvDbErrorText();
  std::string text = libraryText != nullptr ? libraryText : "Unknown error.";
  if (result <= -80 && text == "Unknown error.") {
    // The text names no file for these stores; the tens of the code do.
    const int id = -result / 10;
    const int storeCode = result + 10 * id;
    const char* path = krvDbFilePath(id);
    if (path != nullptr) text += std::string(" ") + path + ": " + StoreFailureText(storeCode);
  }
  return text + " (load code " + std::to_string(result) + ")";
}

bool LoadDb(const DbLocation& db, std::ostream& err, int* level) {
  std::error_code ec;
  if (!std::filesystem::is_directory(db.path, ec)) {
    err << "kurovia: the address DB folder " << db.path << OriginText(db.origin) << " does not exist";
    if (db.origin == DbOrigin::kSampleDb) {
      err << "; build it (cmake --build), or name a DB with --db DIR or KUROVIA_DB";
    }
    err << '\n';
    return false;
  }
  const int wanted = DeepestLevelOf(db.path);
  const int result = krvDbLoad(db.path.c_str(), wanted);
  if (result < 0) {
    std::string text = LoadErrorText(result);
    // The library runs the path straight on after its text; set it apart.
    const std::size_t at = text.rfind(db.path + "/");
    if (at != std::string::npos && at > 0 && text[at - 1] != ' ') text.insert(at, " ");
    err << "kurovia: cannot load the address DB in " << db.path << OriginText(db.origin) << ": " << text << '\n';
    return false;
  }
  *level = wanted;
  return true;
}

}  // namespace krv::cli
