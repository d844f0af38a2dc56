// Walking the address hierarchy as a tree: count and list the children of a
// node, fetch the store record of a node.  For counting and listing,
// `level` names the level of the children and the fields above it their
// parent; for fetching, `level` and its fields name the node itself.
#include <cstdint>
#include <cstring>

#include "aza_store.h"
#include "cho_store.h"
#include "gaiku_store.h"
#include "gyosei_store.h"
#include "jukyo_store.h"
#include "kurovia.h"

namespace krv {
namespace {

constexpr int kFieldOutOfRange = -1;
constexpr int kBadLevel = -2;
constexpr int kNotLoaded = -3;
constexpr int kAreaRejected = -4;
constexpr int kStoreFailure = -5;  // counting and listing
constexpr int kBufferTooSmall = -5;  // fetching
constexpr int kNoSuchRecord = -6;

// Results of the block and residence stores' table lookups.
constexpr int kTableStoreNotLoaded = -101;

// Checks `code` before any store is asked.  `deepest` is the deepest level
// whose field must name something: the parent's level for counting and
// listing, the node's own level for fetching.  Named blocks and residences
// have negative keys, so only 0 means "no block" or "no residence".
int CheckFields(const AdrCode& code, int deepest) {
  if (code.gyoseiCode < 1000 || code.gyoseiCode >= 48000) return kFieldOutOfRange;
  if (deepest >= 5 && code.choCode == 0) return kFieldOutOfRange;
  if (deepest >= 6 && code.azaCode < 0) return kFieldOutOfRange;
  if (deepest >= 7 && code.gaikuCode == 0) return kFieldOutOfRange;
  if (deepest >= 8 && code.jukyoCode == 0) return kFieldOutOfRange;
  return 0;
}

int CheckChildren(const AdrCode* code) {
  if (code == nullptr) return kFieldOutOfRange;
  if (code->level < 5 || code->level > 8) return kBadLevel;
  return CheckFields(*code, code->level - 1);
}

// Maps a block or residence store failure (-101 not loaded, -102 and below
// a parent or table that does not fit) to the enumeration's codes.
int TableStoreFailure(int result) { return result == kTableStoreNotLoaded ? kNotLoaded : kStoreFailure; }

// Number of towns (5) or sections (6) under a checked code.
int CountNumbered(const AdrCode& code) {
  if (code.level == 5) {
    const int count = ChoRecNumRecords(code.gyoseiCode);
    if (count >= 0) return count;
    return count == -1 ? kNotLoaded : kAreaRejected;
  }
  const int count = AzaRecNumRecords(code.gyoseiCode, code.choCode);
  if (count >= 0) return count;
  if (count == -1) return kNotLoaded;
  if (count == -2) return kAreaRejected;
  // A town without a section table has no sections; a table that belongs to
  // another town is damage.
  if (count == -4) {
    const ChoRecord* town = FindChoRecord(code.gyoseiCode, code.choCode);
    if (town != nullptr && town->azaIndex == 0) return 0;
  }
  return kStoreFailure;
}

int CountChildren(const AdrCode& code) {
  switch (code.level) {
    case 5:
    case 6:
      return CountNumbered(code);
    case 7: {
      const int count = GaikuRecNumRecords(code.gyoseiCode, code.choCode, code.azaCode);
      return count >= 0 ? count : TableStoreFailure(count);
    }
    default: {
      const int count = JukyoRecNumRecords(code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode);
      return count >= 0 ? count : TableStoreFailure(count);
    }
  }
}

int ListChildren(const AdrCode& code, int32_t* list, int capacity) {
  if (list == nullptr || capacity < 0) capacity = 0;
  switch (code.level) {
    case 5:
    case 6: {
      // Towns and sections are numbered by position: 1, 2, ...
      const int count = CountNumbered(code);
      if (count <= 0) return count;
      const int written = count < capacity ? count : capacity;
      for (int i = 0; i < written; ++i) list[i] = i + 1;
      return written;
    }
    case 7: {
      const int written = GaikuRecGetList(code.gyoseiCode, code.choCode, code.azaCode, list, capacity);
      return written >= 0 ? written : TableStoreFailure(written);
    }
    default: {
      const int written =
          JukyoRecGetList(code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode, list, capacity);
      return written >= 0 ? written : TableStoreFailure(written);
    }
  }
}

int RecordSize(int level) {
  if (level <= 4) return static_cast<int>(sizeof(GyoseiRecord));
  if (level == 5) return static_cast<int>(sizeof(ChoRecord));
  if (level == 6) return static_cast<int>(sizeof(AzaRecord));
  if (level == 7) return static_cast<int>(sizeof(GaikuRecord));
  return static_cast<int>(sizeof(JukyoRecord));
}

// The record of a checked code, or nullptr with the enumeration's code in
// `error`.
const void* FindRecord(const AdrCode& code, int* error) {
  int result = 0;
  const void* record = nullptr;
  switch (code.level) {
    case 1:
    case 2:
    case 3:
    case 4:
      record = FindGyoseiRecord(code.gyoseiCode, &result);
      break;
    case 5:
      record = FindChoRecord(code.gyoseiCode, code.choCode, &result);
      break;
    case 6:
      record = FindAzaRecord(code.gyoseiCode, code.choCode, code.azaCode, &result);
      break;
    case 7:
      record = FindGaikuRecord(code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode, nullptr, &result);
      break;
    default:
      record = FindJukyoRecord(code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode, code.jukyoCode, &result);
      break;
  }
  if (record != nullptr) return record;
  if (result == -1 && code.level <= 6) {
    *error = kNotLoaded;
  } else if (result == -2 && code.level <= 6) {
    *error = kAreaRejected;
  } else if (result == kTableStoreNotLoaded) {
    *error = kNotLoaded;
  } else {
    *error = kNoSuchRecord;
  }
  return nullptr;
}

}  // namespace
}  // namespace krv

extern "C" {

KRV_API int krvGetNumAdrRecords(const AdrCode* code) {
  if (const int bad = krv::CheckChildren(code); bad != 0) return bad;
  return krv::CountChildren(*code);
}

KRV_API int krvGetAdrRecordList(const AdrCode* code, int32_t* list, int capacity) {
  if (const int bad = krv::CheckChildren(code); bad != 0) return bad;
  return krv::ListChildren(*code, list, capacity);
}

KRV_API int krvGetAdrRecord(const AdrCode* code, void* buffer, int size) {
  if (code == nullptr) return krv::kFieldOutOfRange;
  if (code->level < 1 || code->level > 8) return krv::kBadLevel;
  if (const int bad = krv::CheckFields(*code, code->level); bad != 0) return bad;
  const int recordSize = krv::RecordSize(code->level);
  if (buffer == nullptr || size < recordSize) return krv::kBufferTooSmall;
  int error = 0;
  const void* record = krv::FindRecord(*code, &error);
  if (record == nullptr) return error;
  std::memcpy(buffer, record, static_cast<std::size_t>(recordSize));
  return 0;
}

}  // extern "C"
