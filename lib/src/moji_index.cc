#include "moji_index.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "db_file.h"
#include "kurovia.h"
#include "layout.h"
#include "sjis_text.h"
#include "store_check.h"

namespace krv {
namespace {

using format::MojiCharEntry;
using format::MojiIndexHeader;
using format::RecordArray;

struct MojiIndexStore {
  // Indexed directly by the character's two bytes, so each query character
  // costs one array access.  Valid only while `loaded`.
  std::array<MojiCharEntry, format::kMojiCharTableSize> table;
  RecordArray<uint32_t> postings;
  RecordArray<MojiRecord> records;
  bool loaded = false;

  void Clear() {
    postings.Reset();
    records.Reset();
    loaded = false;
  }
};

MojiIndexStore& Store() {
  static MojiIndexStore store;
  return store;
}

// The two work lists take turns as input and output of the intersections,
// so a search never allocates.
using WorkList = std::array<uint32_t, kMojiWorkListSize>;
WorkList& WorkListAt(int which) {
  static WorkList lists[2];
  return lists[which];
}

struct PostingList {
  const uint32_t* values = nullptr;
  std::size_t size = 0;
};

int Load(const char* path) {
  MojiIndexStore& store = Store();
  store.Clear();

  format::DbFileReader reader;
  MojiIndexHeader header{};
  const int opened = reader.Open(path, format::kMojiIndexId, header,
                                 {kMojiOpenFailed, kMojiShortHeader, kMojiWrongId});
  if (opened != 0) return opened;
  if (reader.Read(store.table.data(), store.table.size(), kMojiShortCharTable) != 0) {
    return kMojiShortCharTable;
  }
  if (header.postingCount < 0 || header.recordCount < 0) return kMojiShortData;

  RecordArray<uint32_t> postings;
  int read = reader.Read(postings, static_cast<uint64_t>(header.postingCount), kMojiNoMemory,
                         kMojiShortData);
  if (read != 0) return read;
  RecordArray<MojiRecord> records;
  read = reader.Read(records, static_cast<uint64_t>(header.recordCount), kMojiNoMemory,
                     kMojiShortData);
  if (read != 0) return read;

  // Every list must lie inside the posting area, so a search can take a list
  // without checking it again.
  const auto postingCount = static_cast<int64_t>(postings.size());
  for (const MojiCharEntry& entry : store.table) {
    if (entry.length != 0 && !RangeInside(entry.start, entry.length, postingCount)) {
      return kMojiListOutsidePostings;
    }
  }

  store.postings = std::move(postings);
  store.records = std::move(records);
  store.loaded = true;
  return header.postingCount;
}

// Intersects two ascending lists into `out`.  Walks the shorter list (the
// second when both are as long) and binary-searches each of its values in
// the longer one, from a start that only moves forward: a rare character
// keeps the work small.  False when the result would fill the work list.
bool Intersect(const PostingList& first, const PostingList& second, uint32_t* out,
               std::size_t& outCount) {
  const PostingList& walked = first.size < second.size ? first : second;
  const PostingList& searched = first.size < second.size ? second : first;
  const uint32_t* const end = searched.values + searched.size;
  const uint32_t* start = searched.values;
  outCount = 0;
  for (std::size_t i = 0; i < walked.size && start != end; ++i) {
    const uint32_t value = walked.values[i];
    const uint32_t* found = std::lower_bound(start, end, value);
    if (found != end && *found == value) {
      if (outCount + 1 >= kMojiWorkListSize) return false;
      out[outCount++] = value;
      start = std::upper_bound(found, end, value);
    } else {
      start = found;
    }
  }
  return true;
}

int Search(const char* text, MojiRecord* records, int capacity) {
  const MojiIndexStore& store = Store();
  if (!store.loaded) return kMojiNotLoaded;
  if (text == nullptr || *text == '\0') return kMojiEmptyText;

  PostingList lists[kMojiMaxQueryChars];
  int listCount = 0;
  for (const char* p = text; *p != '\0';) {
    if (!IsDoubleByte(p)) {
      ++p;
      continue;
    }
    if (listCount == kMojiMaxQueryChars) return kMojiTooManyChars;
    const MojiCharEntry& entry = store.table[format::MojiCharKey(p)];
    PostingList list;
    if (entry.length != 0) {
      // Every list ends in 0; one that does not is damaged.
      if (store.postings[entry.start + entry.length - 1] != 0) return kMojiDamagedList;
      list.values = store.postings.data() + entry.start;
      list.size = entry.length - 1;
    }
    lists[listCount++] = list;
    p += 2;
  }
  if (listCount == 0) return 0;

  PostingList hits = lists[0];
  int output = 0;
  for (int i = 1; i < listCount && hits.size != 0; ++i) {
    uint32_t* out = WorkListAt(output).data();
    std::size_t outCount = 0;
    if (!Intersect(hits, lists[i], out, outCount)) return kMojiIntersectionTooLarge;
    hits = {out, outCount};
    output ^= 1;
  }
  if (hits.size == 0) return 0;

  // The hit count is at most the posting count, an int32.
  const int hitCount = static_cast<int>(hits.size);
  if (records == nullptr) return hitCount;
  const std::size_t room = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
  const std::size_t copied = std::min(hits.size, room);
  for (std::size_t k = 0; k < copied; ++k) {
    const uint32_t recordNo = hits.values[k];
    // Record 0 is never a hit: 0 closes every list.
    if (recordNo < 1 || recordNo >= store.records.size()) return kMojiHitOutsideRecords;
    records[k] = store.records[recordNo];
  }
  return hits.size <= room ? hitCount : kMojiTooManyHits;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int MojiIndexLoad(const char* path) { return krv::Load(path); }

KRV_API int MojiIndexEnd(void) {
  krv::Store().Clear();
  return 0;
}

KRV_API int MojiIndexSearch(const char* text, MojiRecord* records, int capacity) {
  return krv::Search(text, records, capacity);
}

}  // extern "C"
