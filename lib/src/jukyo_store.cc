// Residence records: a list of tables (residence count and check value in
// one 32-bit word, first record), one per block with residences, followed by
// the 12-byte records.  The check value ties a table to its block, so a block
// record that names another block's table is refused.
#include "jukyo_store.h"

#include <cstring>

#include "db_file.h"
#include "gaiku_store.h"
#include "layout.h"
#include "number_prefix.h"
#include "sjis_text.h"
#include "store_check.h"
#include "table_record_file.h"
#include "string_file.h"

namespace krv {
namespace {

using format::DbFileReader;
using format::DbFileWriter;
using format::JukyoRecHeader;
using format::JukyoTableEntry;
using format::RecordArray;

// Residence names are stored behind this two-byte prefix.
constexpr std::size_t kNamePrefixBytes = sizeof format::kResidenceNamePrefix - 1;

class JukyoStore : public TableRecordFile<JukyoRecHeader, JukyoTableEntry, JukyoRecord> {
 public:
  // n, or the codes of the block store's load: -1 memory, -2 open, -3 ID, -4
  // header, -5 table list (also a table whose records lie beyond the
  // records), -6 records, -8 to -11 the string file.
  int Load(const char* path, const char* stringPath) {
    if (loaded_) return static_cast<int>(records_.size());
    const int rc = ReadFile(
        path, format::kJukyoRecId, [](const JukyoRecHeader& header) -> int64_t { return static_cast<uint32_t>(header.tableCount); },
        [&](const JukyoRecHeader&, const RecordArray<JukyoTableEntry>& tables, const RecordArray<JukyoRecord>& records) {
          for (std::size_t i = 0; i < tables.size(); ++i) {
            if (!RangeInside(tables[i].firstRecord, tables[i].jukyoCount, static_cast<int64_t>(records.size()))) return -5;
          }
          return strings_.Load(stringPath);
        });
    if (rc != 0) {
      strings_.Reset();
      return rc;
    }
    return static_cast<int>(records_.size());
  }

  void End() {
    Reset();
    strings_.Reset();
  }

  // GetJukyoTableNum.
  int TableIndex(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo) const {
    if (!loaded_) return -101;
    const GaikuRecord* block = FindGaikuRecord(areaCode, townNo, azaNo, gaikuNo);
    if (block == nullptr) return -102;
    const int32_t index = block->jukyoIndex;
    if (index == 0) return 0;
    // The index comes from another file: one outside the table list cannot
    // be this block's table.
    if (index < 0 || static_cast<std::size_t>(index) >= tables_.size()) return -103;
    if (tables_[static_cast<std::size_t>(index)].checkValue != format::JukyoCheckValue(areaCode, townNo, azaNo, gaikuNo)) {
      return -103;
    }
    return index;
  }

  int NumRecords(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo) const {
    const int index = TableIndex(areaCode, townNo, azaNo, gaikuNo);
    return index <= 0 ? index : tables_[static_cast<std::size_t>(index)].jukyoCount;
  }

  int GetList(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, int32_t* list, int maxCount) const {
    const int index = TableIndex(areaCode, townNo, azaNo, gaikuNo);
    if (index <= 0) return index;
    if (list == nullptr) return 0;
    const JukyoTableEntry& table = tables_[static_cast<std::size_t>(index)];
    const int available = table.jukyoCount;
    const int count = maxCount < 0 || maxCount > available ? available : maxCount;
    const JukyoRecord* records = records_.data() + table.firstRecord;
    for (int i = 0; i < count; ++i) list[i] = records[i].jukyoKey;
    return count;
  }

  JukyoRecord* Find(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, int32_t jukyoNo, int* result) {
    const int index = TableIndex(areaCode, townNo, azaNo, gaikuNo);
    if (index <= 0) {
      *result = index < 0 ? index : -1;
      return nullptr;
    }
    const JukyoTableEntry& table = tables_[static_cast<std::size_t>(index)];
    JukyoRecord* records = records_.data() + table.firstRecord;
    for (int i = 0; i < table.jukyoCount; ++i) {
      if (records[i].jukyoKey == jukyoNo) {
        *result = 0;
        return &records[i];
      }
    }
    *result = -1;
    return nullptr;
  }

  int Search(int32_t tableIndex, const char* text, int* matchLength, const JukyoRecord** found) const {
    if (!loaded_) return -1;
    if (tableIndex < 0 || static_cast<std::size_t>(tableIndex) >= tables_.size()) return -2;
    if (matchLength == nullptr || found == nullptr) return -3;
    if (text == nullptr) text = "";
    const JukyoTableEntry& table = tables_[static_cast<std::size_t>(tableIndex)];
    const JukyoRecord* first = records_.data() + table.firstRecord;
    const JukyoRecord* const end = first + table.jukyoCount;

    const NumberPrefix query = ReadNumberPrefix(text, NumberUnits::kResidence);
    *matchLength = query.length;
    if (query.value != 0) {
      for (const JukyoRecord* record = first; record != end; ++record) {
        if (static_cast<int64_t>(record->jukyoKey) == static_cast<int64_t>(query.value)) {
          *found = record;
          return 1;
        }
      }
      return 0;
    }
    for (const JukyoRecord* record = first; record != end; ++record) {
      const char* name = Name(record->jukyoKey);
      // An empty name would occur in every text; it never matches.
      if (name == nullptr || name[0] == '\0') continue;
      if (FindOnBoundary(text, name) != nullptr) {
        *matchLength = static_cast<int>(std::strlen(name));
        *found = record;
        return 1;
      }
    }
    return 0;
  }

  // The stored string without its prefix; nullptr when it cannot be fetched
  // or is too short to hold the prefix.
  const char* Name(int32_t jukyoKey) const {
    const char* stored = strings_.Get(StringRefOfKey(jukyoKey));
    if (stored == nullptr || std::strlen(stored) < kNamePrefixBytes) return nullptr;
    return stored + kNamePrefixBytes;
  }

 private:
  StringFile strings_;
};

JukyoStore store;

}  // namespace

const JukyoRecord* FindJukyoRecord(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                                   int32_t jukyoNo, int* result) {
  int code = 0;
  const JukyoRecord* record = store.Find(areaCode, townNo, azaNo, gaikuNo, jukyoNo, &code);
  if (result != nullptr) *result = code;
  return record;
}

int SearchJukyoTable(int32_t tableIndex, const char* text, int* matchLength, const JukyoRecord** record) {
  return store.Search(tableIndex, text, matchLength, record);
}

const char* ResidenceName(int32_t jukyoKey) { return store.Name(jukyoKey); }

}  // namespace krv

extern "C" {

KRV_API int JukyoRecLoad(const char* path, const char* stringPath) { return krv::store.Load(path, stringPath); }

KRV_API int JukyoRecSave(const char* path) {
  try {
    return krv::store.Save(path);
  } catch (...) {
    return -1;
  }
}

KRV_API int JukyoRecEnd(void) {
  krv::store.End();
  return 0;
}

KRV_API int GetJukyoTableNum(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo) {
  return krv::store.TableIndex(areaCode, townNo, azaNo, gaikuNo);
}

KRV_API int JukyoRecNumRecords(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo) {
  return krv::store.NumRecords(areaCode, townNo, azaNo, gaikuNo);
}

KRV_API int JukyoRecGetList(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, int32_t* list,
                            int maxCount) {
  return krv::store.GetList(areaCode, townNo, azaNo, gaikuNo, list, maxCount);
}

KRV_API int JukyoRecGet(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, int32_t jukyoNo,
                        JukyoRecord* record) {
  int result = 0;
  const JukyoRecord* found = krv::store.Find(areaCode, townNo, azaNo, gaikuNo, jukyoNo, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -1;
  *record = *found;
  return 0;
}

KRV_API int JukyoRecPut(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, int32_t jukyoNo,
                        const JukyoRecord* record) {
  int result = 0;
  JukyoRecord* found = krv::store.Find(areaCode, townNo, azaNo, gaikuNo, jukyoNo, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -1;
  *found = *record;
  return 0;
}

KRV_API int JukyoRecSearch(int32_t tableIndex, const char* text, int* matchLength, JukyoRecord* record) {
  if (record == nullptr) return krv::store.Search(tableIndex, text, matchLength, nullptr);
  const JukyoRecord* found = nullptr;
  const int result = krv::store.Search(tableIndex, text, matchLength, &found);
  if (result == 1) *record = *found;
  return result;
}

}  // extern "C"
