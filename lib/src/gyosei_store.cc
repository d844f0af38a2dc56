// Area records: a code table (area code -> record index) and fixed 88-byte
// records.  Area-name hash: buckets of chained entries keyed by the first
// four bytes of each name; a search returns the longest names that begin the
// address text.
#include "gyosei_store.h"

#include <cstring>

#include "db_file.h"
#include "layout.h"
#include "store_check.h"

namespace krv {
namespace {

using format::DbFileReader;
using format::GyoseiHashEntry;
using format::GyoseiHashHeader;
using format::GyoseiRecHeader;
using format::RecordArray;

bool IsAreaCode(int32_t code) { return code >= format::kAreaCodeMin && code < format::kAreaCodeLimit; }

class GyoseiRecStore {
 public:
  // N, or -1 memory, -2 open, -3 ID, -4 header, -5 code table, -6 records
  // (also a name or reading without its terminator).
  int Load(const char* path) {
    End();
    DbFileReader reader;
    GyoseiRecHeader header;
    if (const int rc = reader.Open(path, format::kGyoseiRecId, header, {-2, -4, -3}); rc != 0) return rc;
    RecordArray<uint32_t> codeTable;
    if (const int rc = reader.Read(codeTable, format::kAreaTableSize, -1, -5); rc != 0) return rc;
    RecordArray<GyoseiRecord> records;
    if (const int rc = reader.Read(records, header.recordCount, -1, -6); rc != 0) return rc;
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (!IsTerminated(records[i].name) || !IsTerminated(records[i].kana)) return -6;
    }
    codeTable_ = std::move(codeTable);
    records_ = std::move(records);
    loaded_ = true;
    return static_cast<int>(records_.size());
  }

  void End() {
    codeTable_.Reset();
    records_.Reset();
    loaded_ = false;
  }

  const GyoseiRecord* Find(int32_t areaCode, int* result) const {
    int code = 0;
    const GyoseiRecord* record = nullptr;
    if (!loaded_) {
      code = -1;
    } else if (!IsAreaCode(areaCode)) {
      code = -2;
    } else {
      // The code table may name any index; it is checked here, where it is
      // used, and reported apart from a missing area.
      const uint32_t index = codeTable_[static_cast<std::size_t>(areaCode)];
      if (index >= records_.size()) {
        code = -3;
      } else if (index == 0) {
        code = -4;
      } else {
        record = &records_[index];
      }
    }
    if (result != nullptr) *result = code;
    return record;
  }

 private:
  RecordArray<uint32_t> codeTable_;
  RecordArray<GyoseiRecord> records_;
  bool loaded_ = false;
};

class GyoseiHashStore {
 public:
  // 0, or -1 memory, -2 open, -3 ID, -4 header (also a hash size of 0), -5
  // bucket heads (also a head beyond the entries), -6 entries (also a chain
  // link beyond the entries, a chain that loops or merges into another, or
  // a name without its terminator).
  int Load(const char* path) {
    End();
    DbFileReader reader;
    GyoseiHashHeader header;
    if (const int rc = reader.Open(path, format::kGyoseiHashId, header, {-2, -4, -3}); rc != 0) return rc;
    if (header.hashSize == 0) return -4;
    RecordArray<uint32_t> heads;
    if (const int rc = reader.Read(heads, header.hashSize, -1, -5); rc != 0) return rc;
    RecordArray<GyoseiHashEntry> entries;
    if (const int rc = reader.Read(entries, header.entryCount, -1, -6); rc != 0) return rc;
    for (std::size_t i = 0; i < heads.size(); ++i) {
      if (!LinkInside(heads[i], entries.size())) return -5;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!LinkInside(entries[i].next, entries.size()) || !IsTerminated(entries[i].name)) return -6;
    }
    ChainWalker<GyoseiHashEntry> chains;
    if (!chains.Start(entries)) return -1;
    for (std::size_t i = 0; i < heads.size(); ++i) {
      if (!chains.Walk(heads[i])) return -6;
    }
    heads_ = std::move(heads);
    entries_ = std::move(entries);
    loaded_ = true;
    return 0;
  }

  void End() {
    heads_.Reset();
    entries_.Reset();
    loaded_ = false;
  }

  int Search(const char* text, int* matchLength, int* kind, int32_t* codes, int maxCodes) const {
    if (!loaded_) return -1;
    if (text == nullptr || text[0] == '\0' || codes == nullptr || maxCodes < 1) return -2;
    // No stored name is shorter than four bytes.
    if (text[1] == '\0' || text[2] == '\0' || text[3] == '\0') return 0;

    struct Candidate {
      int32_t code;
      int32_t kind;
      std::size_t length;
    };
    Candidate candidates[kMaxAreaCandidates];
    int count = 0;
    std::size_t longest = 0;
    // Load refused chains that loop; the step limit keeps every walk finite
    // all the same.
    std::size_t steps = 0;
    const uint32_t bucket = format::GetU32(text) % static_cast<uint32_t>(heads_.size());
    for (uint32_t i = heads_[bucket]; i != 0 && steps < entries_.size(); i = entries_[i].next, ++steps) {
      const GyoseiHashEntry& entry = entries_[i];
      // Most names of a chain differ from the text in their first two bytes.
      if (entry.name[0] != text[0] || (entry.name[1] != '\0' && entry.name[1] != text[1])) continue;
      const std::size_t length = std::strlen(entry.name);
      if (length == 0 || std::strncmp(text, entry.name, length) != 0) continue;
      if (count == kMaxAreaCandidates) return -3;
      candidates[count++] = {entry.areaCode, entry.kind, length};
      if (length > longest) longest = length;
    }
    if (count == 0) return 0;

    int written = 0;
    int32_t lastKind = 0;
    for (int i = 0; i < count && written < maxCodes; ++i) {
      if (candidates[i].length != longest) continue;
      codes[written++] = candidates[i].code;
      lastKind = candidates[i].kind;
    }
    if (matchLength != nullptr) *matchLength = static_cast<int>(longest);
    if (kind != nullptr) *kind = lastKind;
    return written;
  }

 private:
  RecordArray<uint32_t> heads_;
  RecordArray<GyoseiHashEntry> entries_;
  bool loaded_ = false;
};

GyoseiRecStore recStore;
GyoseiHashStore hashStore;

}  // namespace

const GyoseiRecord* FindGyoseiRecord(int32_t areaCode, int* result) { return recStore.Find(areaCode, result); }

}  // namespace krv

extern "C" {

KRV_API int GyoseiRecLoad(const char* path) { return krv::recStore.Load(path); }

KRV_API int GyoseiRecEnd(void) {
  krv::recStore.End();
  return 0;
}

KRV_API int GyoseiRecGet(int32_t areaCode, GyoseiRecord* record) {
  int result = 0;
  const GyoseiRecord* found = krv::recStore.Find(areaCode, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -4;
  *record = *found;
  return 0;
}

KRV_API int GyoseiHashLoad(const char* path) { return krv::hashStore.Load(path); }

KRV_API int GyoseiHashEnd(void) {
  krv::hashStore.End();
  return 0;
}

KRV_API int GyoseiHashSearch(const char* text, int* matchLength, int* kind, int32_t* codes, int maxCodes) {
  return krv::hashStore.Search(text, matchLength, kind, codes, maxCodes);
}

}  // extern "C"
