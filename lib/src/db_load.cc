// Loading the address DB by level, and unloading it.
//
// Levels 1 to 5 load the stores of the address hierarchy down to that depth;
// level 0 loads as deep as the files allow; levels 14 and 16 add the
// place-name store and the character index.  Each store is loaded at most
// once until krvDbEnd, so raising the level loads only what is missing, and
// any failure unloads everything, also what earlier calls loaded: a session
// is either consistent or empty.
#include <cstddef>
#include <initializer_list>

#include "arg_encoding.h"
#include "kurovia.h"
#include "session.h"

namespace krv {
namespace {

constexpr int kResultPathTooLong = -1;
constexpr int kResultBadLevel = -2;
// Level 0 loads what it can: it walks like the deepest level but passes over
// the stores below the areas whose files fail.
constexpr int kAutoLevel = 0;
constexpr int kDeepestLevel = 5;
constexpr int kPlaceNameLevel = 14;
constexpr int kCharIndexLevel = 16;
// A store failure is reported as -10 * file id + the store's own code.
constexpr int kStoreCodeFactor = 10;
constexpr std::size_t kPathBufferSize = 1024;

using LoadFn = int (*)(const char* path, const char* stringPath);
using EndFn = int (*)();

template <int (*Load)(const char*)>
int LoadFile(const char* path, const char*) {
  return Load(path);
}

struct StoreEntry {
  int id;
  LoadFn load;
  EndFn end;
  int walkLevel;  // the level walk loads it from this level on; 0 = never
  int marks;      // the level reached when it loads, 0 = none
  bool optional;  // a level-0 walk passes over its failure
};

// In ascending id order.  Since the ids rise with the levels, the last
// `marks` of the stores a walk loads is the deepest level it reached.  The
// string file (id 9) is read by the block and residence stores themselves.
const StoreEntry kStores[] = {
    {KRV_FILE_GYOSEI_REC, LoadFile<GyoseiRecLoad>, GyoseiRecEnd, 1, 0, false},
    {KRV_FILE_GYOSEI_HSH, LoadFile<GyoseiHashLoad>, GyoseiHashEnd, 1, 1, false},
    {KRV_FILE_CHO_REC, LoadFile<ChoRecLoad>, ChoRecEnd, 2, 0, true},
    {KRV_FILE_CHO_HSH, LoadFile<ChoHashLoad>, ChoHashEnd, 2, 2, true},
    {KRV_FILE_AZA_REC, LoadFile<AzaRecLoad>, AzaRecEnd, 3, 3, true},
    {KRV_FILE_GAIKU_REC, GaikuRecLoad, GaikuRecEnd, 4, 4, true},
    {KRV_FILE_JUKYO_REC, JukyoRecLoad, JukyoRecEnd, 5, 5, true},
    {KRV_FILE_POST_IDX, LoadFile<PostIndexLoad>, PostIndexEnd, 2, 0, false},
    {KRV_FILE_CHIMEI25K_REC, LoadFile<Chimei25kRecLoad>, Chimei25kRecEnd, 0, 0, false},
    {KRV_FILE_CHIMEI25K_HSH, LoadFile<Chimei25kHashLoad>, Chimei25kHashEnd, 0, 0, false},
    {KRV_FILE_MOJI_IDX, LoadFile<MojiIndexLoad>, MojiIndexEnd, 0, 0, false},
};

const StoreEntry* StoreOf(int id) {
  for (const StoreEntry& store : kStores) {
    if (store.id == id) return &store;
  }
  return nullptr;
}

struct Failure {
  int id = 0;
  int storeCode = 0;
};

// Loads one store that is not marked yet and marks it.  0, or the store's
// own code (also kept in `failure`).
int LoadStore(const StoreEntry& store, const char* stringPath, Failure& failure) {
  char path[kPathBufferSize];
  const int code = DbFullPath(store.id, path, sizeof path) ? store.load(path, stringPath) : -2;
  if (code < 0) {
    failure = {store.id, code};
    return code;
  }
  SessionMarkLoaded(store.id, true);
  return 0;
}

int CompositeCode(const Failure& failure) {
  return -kStoreCodeFactor * failure.id + failure.storeCode;
}

int WalkLevels(int level, Failure& failure) {
  const bool automatic = level == kAutoLevel;
  const int depth = automatic ? kDeepestLevel : level;
  char stringPath[kPathBufferSize];
  if (!DbFullPath(KRV_FILE_STRING_REC, stringPath, sizeof stringPath)) stringPath[0] = '\0';

  int reached = 0;
  for (int id = kFirstDbFileId; id <= kLastDbFileId; ++id) {
    if (SessionIsLoaded(id)) continue;
    // The file visited last names the failure in the error text.
    SessionSetCurrentFile(id);
    const StoreEntry* store = StoreOf(id);
    if (store == nullptr || store->walkLevel == 0 || depth < store->walkLevel) continue;
    if (LoadStore(*store, stringPath, failure) != 0) {
      if (automatic && store->optional) {
        failure = {};
        continue;
      }
      return CompositeCode(failure);
    }
    if (store->marks != 0) reached = store->marks;
  }
  return reached;
}

// Levels 14 and 16: the listed stores that are not loaded yet, in order.
int LoadExtra(std::initializer_list<int> ids, int level, Failure& failure) {
  for (const int id : ids) {
    if (SessionIsLoaded(id)) continue;
    SessionSetCurrentFile(id);
    if (LoadStore(*StoreOf(id), nullptr, failure) != 0) return CompositeCode(failure);
  }
  return level;
}

void EndAll() {
  for (int id = kFirstDbFileId; id <= kLastDbFileId; ++id) {
    if (!SessionIsLoaded(id)) continue;
    if (const StoreEntry* store = StoreOf(id)) store->end();
    SessionMarkLoaded(id, false);
  }
  SessionSetLastResult(0);
}

int Load(const char* path, int level) {
  ResetArgEncoding();
  Failure failure;
  int result = kResultBadLevel;
  if (SessionSetPath(path) != 0) {
    result = kResultPathTooLong;
  } else if (level == kPlaceNameLevel) {
    result = LoadExtra({KRV_FILE_CHIMEI25K_REC, KRV_FILE_CHIMEI25K_HSH}, level, failure);
  } else if (level == kCharIndexLevel) {
    result = LoadExtra({KRV_FILE_MOJI_IDX}, level, failure);
  } else if (level >= kAutoLevel && level <= kDeepestLevel) {
    result = WalkLevels(level, failure);
  }

  if (result < 0) {
    // Nothing stays loaded after a failure, not even earlier calls' stores.
    EndAll();
    SessionSetLastResult(result, failure.id, failure.storeCode);
  } else {
    SessionSetLastResult(result);
  }
  return result;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int krvDbLoad(const char* path, int level) { return krv::Load(path, level); }

KRV_API int krvDbEnd(void) {
  krv::EndAll();
  return 0;
}

}  // extern "C"
