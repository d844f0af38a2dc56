#include "post_index.h"

#include <cstdint>
#include <utility>

#include "db_file.h"
#include "kurovia.h"
#include "layout.h"

namespace krv {
namespace {

using format::PostIndexEntry;
using format::PostIndexHeader;
using format::RecordArray;

// The loaded index.  `loaded` tells an index of zero entries, which finds
// nothing, from no index at all.
struct PostIndexStore {
  RecordArray<PostIndexEntry> entries;
  bool loaded = false;

  void Clear() {
    entries.Reset();
    loaded = false;
  }
};

PostIndexStore& Store() {
  static PostIndexStore store;
  return store;
}

int Load(const char* path) {
  PostIndexStore& store = Store();
  // A failed load leaves nothing behind, not even an index loaded before.
  store.Clear();

  format::DbFileReader reader;
  PostIndexHeader header{};
  const int opened = reader.Open(path, format::kPostIndexId, header,
                                 {kPostIndexOpenFailed, kPostIndexShortHeader, kPostIndexWrongId});
  if (opened != 0) return opened;
  if (header.entryCount < 0) return kPostIndexShortEntries;

  RecordArray<PostIndexEntry> entries;
  const int read = reader.Read(entries, static_cast<uint64_t>(header.entryCount),
                               kPostIndexNoMemory, kPostIndexShortEntries);
  if (read != 0) return read;

  store.entries = std::move(entries);
  store.loaded = true;
  return header.entryCount;
}

int Get(int32_t postalCode, int32_t* areaCode, int32_t* townNo) {
  const PostIndexStore& store = Store();
  if (!store.loaded) return kPostIndexNotLoaded;

  // The entry count came from a non-negative int32, so these indexes and
  // their sum cannot overflow.
  int64_t low = 0;
  int64_t high = static_cast<int64_t>(store.entries.size()) - 1;
  while (low <= high) {
    const int64_t middle = (low + high) / 2;
    const PostIndexEntry& entry = store.entries[static_cast<std::size_t>(middle)];
    if (entry.postalCode == postalCode) {
      if (areaCode == nullptr || townNo == nullptr) return kPostIndexNullOutput;
      *areaCode = entry.areaCode;
      *townNo = entry.townNo;
      return 0;
    }
    if (entry.postalCode > postalCode) {
      high = middle - 1;
    } else {
      low = middle + 1;
    }
  }
  return kPostIndexNotFound;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int PostIndexLoad(const char* path) { return krv::Load(path); }

KRV_API int PostIndexEnd(void) {
  krv::Store().Clear();
  return 0;
}

KRV_API int PostIndexNumRecords(void) {
  const krv::PostIndexStore& store = krv::Store();
  return store.loaded ? static_cast<int>(store.entries.size()) : krv::kPostIndexNotLoaded;
}

KRV_API int PostIndexGet(int32_t postalCode, int32_t* areaCode, int32_t* townNo) {
  return krv::Get(postalCode, areaCode, townNo);
}

}  // extern "C"
