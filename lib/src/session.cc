// The address DB session: the DB directory, the table of DB files, the loaded
// marks, the last load result with the file it concerned, and the English
// text for that result.
#include "session.h"

#include <cstring>

#include "kurovia.h"

namespace krv {
namespace {

constexpr std::size_t kTextBufferBytes = 1024;
constexpr int kTextBufferSize = static_cast<int>(kTextBufferBytes);
constexpr char kSeparator = '/';

// File names by DB file id; index 0 is unused.  The ids are stored nowhere
// on disk but are part of the interface (krvDbFilePath, the composite load
// codes), so they never change.
constexpr const char* kFileNames[kLastDbFileId + 1] = {
    nullptr,
    "krv_gyosei.rec",     // 1  area records
    "krv_gyosei.hsh",     // 2  area-name hash
    "krv_cho.rec",        // 3  town records
    "krv_cho.hsh",        // 4  town-name hash
    "krv_aza.rec",        // 5  section records
    "krv_gaiku.rec",      // 6  block records
    "krv_jukyo.rec",      // 7  residence records
    "krv_magoban.rec",    // 8  reserved, read and written by nothing
    "krv_string.rec",     // 9  string file of the block and residence stores
    "krv_multipost.rec",  // 10 towns with several postal codes
    "krv_variation.csv",  // 11 notation variations (build tools)
    "krv_gyoseimei.csv",  // 12 area-name list (build tools)
    "krv_post.idx",       // 13 postal-code index
    "krv_chimei25k.rec",  // 14 place-name records
    "krv_chimei25k.hsh",  // 15 place-name hash
    "krv_moji.idx",       // 16 character index
};

struct Session {
  char dbDir[kTextBufferBytes] = "";
  bool loaded[kLastDbFileId + 1] = {};
  int lastResult = 0;
  int failedId = 0;
  int storeCode = 0;
  char currentFile[kTextBufferBytes] = "";
  char pathBuffer[kTextBufferBytes] = "";
  char errorBuffer[kTextBufferBytes] = "";
};

Session& State() {
  static Session session;
  return session;
}

// Prefix of each band of the composite load code -10 * fileId + storeCode,
// for the files the level walk of krvDbLoad loads (ids 1..7).
constexpr const char* kBandPrefixes[] = {
    nullptr,
    "GyoseiKuiki record file: ",
    "GyoseiKuiki hash table file: ",
    "ChoOaza record file: ",
    "ChoOaza hash table file: ",
    "Chomoku aza record file: ",
    "Gaiku record file: ",
    "Jukyo record file: ",
};
constexpr int kLastBand = 7;

constexpr const char* kStoreTexts[] = {
    nullptr,
    "Memory allocation error.",
    "File open error.",
    "File ID string does not match.",
    "File read error.",
};

// The block and residence stores also read the string file and report its
// failures as store codes -8..-11.  Composed with their own file id those
// codes reach into the next band (-60 - 10 reads as a residence-file memory
// error), so the session words them from the failing store instead.
constexpr int kFirstStringCode = -8;
constexpr int kLastStringCode = -11;
constexpr const char* kStringTexts[] = {
    "String file header read error.",         // -8
    "String file ID string does not match.",  // -9
    "String file memory allocation error.",   // -10
    "String file read error.",                // -11
};

bool IsStringFailure(int failedId, int storeCode) {
  return (failedId == KRV_FILE_GAIKU_REC || failedId == KRV_FILE_JUKYO_REC) &&
         storeCode <= kFirstStringCode && storeCode >= kLastStringCode;
}

const char* ComposeErrorText(Session& s) {
  char* out = s.errorBuffer;
  const int r = s.lastResult;
  if (r >= 0) {
    // 0 (nothing loaded yet, or unloaded) and a level reached both mean no error.
    krvStrcpy(out, "No error.", kTextBufferSize);
    return nullptr;
  }
  if (r == -1) {
    krvStrcpy(out, "DB path exceeds 255 chars.", kTextBufferSize);
  } else if (r == -2) {
    krvStrcpy(out, "Specified level not supported.", kTextBufferSize);
  } else if (IsStringFailure(s.failedId, s.storeCode) && r == -10 * s.failedId + s.storeCode) {
    char stringPath[kTextBufferBytes];
    DbFullPath(KRV_FILE_STRING_REC, stringPath, sizeof stringPath);
    krvStrcpy(out, kBandPrefixes[s.failedId], kTextBufferSize);
    krvStrcat(out, kStringTexts[kFirstStringCode - s.storeCode], kTextBufferSize);
    krvStrcat(out, stringPath, kTextBufferSize);
  } else if (r <= -10 && r >= -10 * kLastBand - 9) {
    const int n = -r;
    const int band = n / 10;
    int storeCode = n % 10;
    if (storeCode > 4) storeCode = 4;
    // A multiple of ten comes only from a store code below -9 of the file
    // before, and those are late read failures.
    if (storeCode == 0) storeCode = 4;
    krvStrcpy(out, kBandPrefixes[band], kTextBufferSize);
    krvStrcat(out, kStoreTexts[storeCode], kTextBufferSize);
    krvStrcat(out, s.currentFile, kTextBufferSize);
  } else {
    // -3..-9, and -80 and below (postal-code index, place names, character
    // index): no wording of their own.
    krvStrcpy(out, "Unknown error.", kTextBufferSize);
  }
  return out;
}

}  // namespace

const char* DbFileName(int id) {
  if (id < kFirstDbFileId || id > kLastDbFileId) return nullptr;
  return kFileNames[id];
}

bool DbFullPath(int id, char* out, std::size_t size) {
  const char* name = DbFileName(id);
  if (name == nullptr || out == nullptr || size == 0) return false;
  const int limit = size > kTextBufferBytes ? kTextBufferSize : static_cast<int>(size);
  const char separator[] = {kSeparator, '\0'};
  if (krvStrcpy(out, State().dbDir, limit) != 0) return false;
  if (krvStrcat(out, separator, limit) != 0) return false;
  return krvStrcat(out, name, limit) == 0;
}

int SessionSetPath(const char* path) {
  if (path == nullptr || std::strlen(path) > kMaxDbPathBytes) return -1;
  krvStrcpy(State().dbDir, path, kTextBufferSize);
  return 0;
}

bool SessionIsLoaded(int id) {
  return id >= kFirstDbFileId && id <= kLastDbFileId && State().loaded[id];
}

void SessionMarkLoaded(int id, bool loaded) {
  if (id >= kFirstDbFileId && id <= kLastDbFileId) State().loaded[id] = loaded;
}

void SessionSetCurrentFile(int id) {
  Session& s = State();
  if (!DbFullPath(id, s.currentFile, sizeof s.currentFile)) s.currentFile[0] = '\0';
}

const char* SessionCurrentFile() { return State().currentFile; }

void SessionSetLastResult(int result, int failedId, int storeCode) {
  Session& s = State();
  s.lastResult = result;
  s.failedId = failedId;
  s.storeCode = storeCode;
}

int SessionLastResult() { return State().lastResult; }

}  // namespace krv

extern "C" {

KRV_API int krvDbSetPath(const char* path) { return krv::SessionSetPath(path); }

KRV_API const char* krvDbFilePath(int id) {
  char* buffer = krv::State().pathBuffer;
  if (!krv::DbFullPath(id, buffer, sizeof krv::State().pathBuffer)) return nullptr;
  return buffer;
}

KRV_API const char* krvDbErrorText(void) { return krv::ComposeErrorText(krv::State()); }

}  // extern "C"
