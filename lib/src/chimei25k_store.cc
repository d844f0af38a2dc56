#include "chimei25k_store.h"

#include <cstdint>
#include <cstring>
#include <utility>

#include "db_file.h"
#include "kurovia.h"
#include "layout.h"
#include "store_check.h"

namespace krv {
namespace {

using format::Chimei25kHashEntry;
using format::Chimei25kHashHeader;
using format::Chimei25kRecHeader;
using format::RecordArray;

struct Chimei25kRecStore {
  RecordArray<Chimei25kRecord> records;
  bool loaded = false;

  void Clear() {
    records.Reset();
    loaded = false;
  }
};

struct Chimei25kHashStore {
  RecordArray<uint32_t> heads;  // one per bucket, never empty when loaded
  RecordArray<Chimei25kHashEntry> entries;

  bool loaded() const { return !heads.empty(); }
  void Clear() {
    heads.Reset();
    entries.Reset();
  }
};

Chimei25kRecStore& RecStore() {
  static Chimei25kRecStore store;
  return store;
}

Chimei25kHashStore& HashStore() {
  static Chimei25kHashStore store;
  return store;
}

int LoadRecords(const char* path) {
  Chimei25kRecStore& store = RecStore();
  store.Clear();

  format::DbFileReader reader;
  Chimei25kRecHeader header{};
  const int opened = reader.Open(path, format::kChimei25kRecId, header,
                                 {kChimeiOpenFailed, kChimeiShortHeader, kChimeiWrongId});
  if (opened != 0) return opened;
  if (header.recordCount < 0) return kChimeiShortData;

  RecordArray<Chimei25kRecord> records;
  const int read = reader.Read(records, static_cast<uint64_t>(header.recordCount),
                               kChimeiNoMemory, kChimeiShortData);
  if (read != 0) return read;
  // Callers copy the name as a C string; it must end inside its field.
  for (std::size_t i = 0; i < records.size(); ++i) {
    if (!IsTerminated(records[i].name)) return kChimeiShortData;
  }

  store.records = std::move(records);
  store.loaded = true;
  return header.recordCount;
}

int GetRecord(int32_t recordNo, Chimei25kRecord* record) {
  const Chimei25kRecStore& store = RecStore();
  if (!store.loaded) return kChimeiNotLoaded;
  if (recordNo < 0) return kChimeiNumberBelowZero;
  if (static_cast<std::size_t>(recordNo) >= store.records.size()) return kChimeiNumberTooLarge;
  if (record == nullptr) return kChimeiNullRecord;
  *record = store.records[static_cast<std::size_t>(recordNo)];
  return 0;
}

// Every head and link must name an entry, every name must end inside its
// field, and no entry may be met twice while walking the chains (a loop, or
// two chains that merge): then every chain ends, and a search follows it
// without checking each step.
int CheckChains(const RecordArray<uint32_t>& heads, const RecordArray<Chimei25kHashEntry>& entries) {
  for (std::size_t i = 0; i < heads.size(); ++i) {
    if (!LinkInside(heads[i], entries.size())) return kChimeiBadHashTable;
  }
  // Entry 0 is never reached (0 ends a chain), so its fields do not matter.
  for (std::size_t i = 1; i < entries.size(); ++i) {
    if (!LinkInside(entries[i].next, entries.size()) || !IsTerminated(entries[i].name)) {
      return kChimeiBadHashTable;
    }
  }
  ChainWalker<Chimei25kHashEntry> chains;
  if (!chains.Start(entries)) return kChimeiNoMemory;
  for (std::size_t i = 0; i < heads.size(); ++i) {
    if (!chains.Walk(heads[i])) return kChimeiBadHashTable;
  }
  return 0;
}

int LoadHash(const char* path) {
  Chimei25kHashStore& store = HashStore();
  store.Clear();

  format::DbFileReader reader;
  Chimei25kHashHeader header{};
  const int opened = reader.Open(path, format::kChimei25kHashId, header,
                                 {kChimeiOpenFailed, kChimeiShortHeader, kChimeiWrongId});
  if (opened != 0) return opened;
  // Without buckets no name has a chain to walk.
  if (header.bucketCount == 0) return kChimeiBadHashTable;

  RecordArray<uint32_t> heads;
  int read = reader.Read(heads, header.bucketCount, kChimeiNoMemory, kChimeiShortHeads);
  if (read != 0) return read;
  if (header.entryCount < 0) return kChimeiShortData;
  RecordArray<Chimei25kHashEntry> entries;
  read = reader.Read(entries, static_cast<uint64_t>(header.entryCount), kChimeiNoMemory,
                     kChimeiShortData);
  if (read != 0) return read;

  const int checked = CheckChains(heads, entries);
  if (checked != 0) return checked;

  store.heads = std::move(heads);
  store.entries = std::move(entries);
  return 0;
}

int SearchHash(const char* name, int32_t* recordNos, int capacity) {
  const Chimei25kHashStore& store = HashStore();
  if (!store.loaded()) return kChimeiNotLoaded;
  if (name == nullptr || *name == '\0' || recordNos == nullptr || capacity < 1) {
    return kChimeiBadQuery;
  }

  const std::size_t nameLength = std::strlen(name);
  const uint32_t bucket = format::Chimei25kHash(name) % static_cast<uint32_t>(store.heads.size());
  int count = 0;
  for (uint32_t at = store.heads[bucket]; at != 0; at = store.entries[at].next) {
    const Chimei25kHashEntry& entry = store.entries[at];
    // The entry matches when its name is the searched name or begins it.
    const std::size_t length = std::strlen(entry.name);
    if (length <= nameLength && std::memcmp(entry.name, name, length) == 0) {
      recordNos[count++] = entry.recordNo;
      if (count == capacity) return kChimeiArrayFull;
    }
  }
  return count;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int Chimei25kRecLoad(const char* path) { return krv::LoadRecords(path); }

KRV_API int Chimei25kRecEnd(void) {
  krv::RecStore().Clear();
  return 0;
}

KRV_API int Chimei25kRecNumRecords(void) {
  const krv::Chimei25kRecStore& store = krv::RecStore();
  return store.loaded ? static_cast<int>(store.records.size()) : krv::kChimeiNotLoaded;
}

KRV_API int Chimei25kRecGet(int32_t recordNo, Chimei25kRecord* record) {
  return krv::GetRecord(recordNo, record);
}

KRV_API int Chimei25kHashLoad(const char* path) { return krv::LoadHash(path); }

KRV_API int Chimei25kHashEnd(void) {
  krv::HashStore().Clear();
  return 0;
}

KRV_API int Chimei25kHashSearch(const char* name, int32_t* recordNos, int capacity) {
  return krv::SearchHash(name, recordNos, capacity);
}

}  // extern "C"
