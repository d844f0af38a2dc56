// Block records: a list of tables (area, town, section, block count, first
// record, residence flag), one per town without sections or per section,
// followed by the 16-byte records.  A block is found by number ("12番地",
// "5-3") or, when the text does not begin with one, by the name of a named
// block (甲, イ) held in the string file.
#include "gaiku_store.h"

#include <cstring>

#include "aza_store.h"
#include "cho_store.h"
#include "db_file.h"
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
using format::GaikuRecHeader;
using format::GaikuTableEntry;
using format::RecordArray;

class GaikuStore : public TableRecordFile<GaikuRecHeader, GaikuTableEntry, GaikuRecord> {
 public:
  // n, or -1 memory, -2 open, -3 ID, -4 header, -5 table list (also a table
  // whose records lie beyond the records), -6 records; the string file adds
  // -8 header, -9 ID, -10 memory, -11 read.  A missing string file is no
  // failure.  A second load while loaded reads nothing and gives n.
  int Load(const char* path, const char* stringPath) {
    if (loaded_) return static_cast<int>(records_.size());
    const int rc = ReadFile(
        path, format::kGaikuRecId, [](const GaikuRecHeader& header) -> int64_t { return static_cast<uint32_t>(header.tableCount); },
        [&](const GaikuRecHeader&, const RecordArray<GaikuTableEntry>& tables, const RecordArray<GaikuRecord>& records) {
          for (std::size_t i = 0; i < tables.size(); ++i) {
            if (!RangeInside(tables[i].firstRecord, tables[i].gaikuCount, static_cast<int64_t>(records.size()))) return -5;
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

  // GetGaikuTableNum.
  int TableIndex(int32_t areaCode, int32_t townNo, int32_t azaNo) const {
    if (!loaded_) return -101;
    int32_t index = 0;
    if (azaNo > 0) {
      const AzaRecord* section = FindAzaRecord(areaCode, townNo, azaNo);
      if (section == nullptr) return -103;
      index = section->gaikuIndex;
    } else {
      const ChoRecord* town = FindChoRecord(areaCode, townNo);
      if (town == nullptr) return -102;
      index = town->gaikuIndex;
    }
    if (index == 0) return 0;
    // The index comes from another file: one outside the table list is a
    // table that does not belong to this town.
    if (index < 0 || static_cast<std::size_t>(index) >= tables_.size()) return -104;
    const GaikuTableEntry& table = tables_[static_cast<std::size_t>(index)];
    if (table.areaCode != areaCode || table.townNo != townNo) return -104;
    return index;
  }

  int NumRecords(int32_t areaCode, int32_t townNo, int32_t azaNo) const {
    const int index = TableIndex(areaCode, townNo, azaNo);
    return index <= 0 ? index : tables_[static_cast<std::size_t>(index)].gaikuCount;
  }

  int GetList(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t* list, int maxCount) const {
    const int index = TableIndex(areaCode, townNo, azaNo);
    if (index <= 0) return index;
    if (list == nullptr) return 0;
    const GaikuTableEntry& table = tables_[static_cast<std::size_t>(index)];
    const int count = maxCount < 0 || maxCount > table.gaikuCount ? table.gaikuCount : maxCount;
    const GaikuRecord* records = records_.data() + table.firstRecord;
    for (int i = 0; i < count; ++i) list[i] = records[i].gaikuKey;
    return count;
  }

  // The first record of the table whose key is `gaikuNo`, or nullptr with
  // the code in `result`.
  GaikuRecord* Find(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, int* residenceFlag,
                    int* result) {
    const int index = TableIndex(areaCode, townNo, azaNo);
    if (index <= 0) {
      *result = index < 0 ? index : -1;
      return nullptr;
    }
    const GaikuTableEntry& table = tables_[static_cast<std::size_t>(index)];
    if (residenceFlag != nullptr) *residenceFlag = table.residenceFlag;
    GaikuRecord* records = records_.data() + table.firstRecord;
    for (int32_t i = 0; i < table.gaikuCount; ++i) {
      if (records[i].gaikuKey == gaikuNo) {
        *result = 0;
        return &records[i];
      }
    }
    *result = -1;
    return nullptr;
  }

  int Search(int32_t tableIndex, const char* text, int* matchLength, const GaikuRecord** found) const {
    if (!loaded_) return -1;
    if (tableIndex < 0 || static_cast<std::size_t>(tableIndex) >= tables_.size()) return -2;
    if (matchLength == nullptr || found == nullptr) return -3;
    if (text == nullptr) text = "";
    const GaikuTableEntry& table = tables_[static_cast<std::size_t>(tableIndex)];
    const GaikuRecord* first = records_.data() + table.firstRecord;
    const GaikuRecord* const end = first + table.gaikuCount;

    const NumberPrefix query = ReadNumberPrefix(text, NumberUnits::kBlock);
    *matchLength = query.length;
    if (query.value != 0) {
      for (const GaikuRecord* record = first; record != end; ++record) {
        if (static_cast<int64_t>(record->gaikuKey) == static_cast<int64_t>(query.value)) {
          *found = record;
          return 1;
        }
      }
      return 0;
    }
    for (const GaikuRecord* record = first; record != end; ++record) {
      const char* name = strings_.Get(StringRefOfKey(record->gaikuKey));
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

  const char* Name(int32_t gaikuKey) const { return strings_.Get(StringRefOfKey(gaikuKey)); }

 private:
  StringFile strings_;
};

GaikuStore store;

}  // namespace

const GaikuRecord* FindGaikuRecord(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                                   int* residenceFlag, int* result) {
  int code = 0;
  const GaikuRecord* record = store.Find(areaCode, townNo, azaNo, gaikuNo, residenceFlag, &code);
  if (result != nullptr) *result = code;
  return record;
}

int SearchGaikuTable(int32_t tableIndex, const char* text, int* matchLength, const GaikuRecord** record) {
  return store.Search(tableIndex, text, matchLength, record);
}

const char* BlockName(int32_t gaikuKey) { return store.Name(gaikuKey); }

}  // namespace krv

extern "C" {

KRV_API int GaikuRecLoad(const char* path, const char* stringPath) { return krv::store.Load(path, stringPath); }

KRV_API int GaikuRecSave(const char* path) {
  try {
    return krv::store.Save(path);
  } catch (...) {
    return -1;
  }
}

KRV_API int GaikuRecEnd(void) {
  krv::store.End();
  return 0;
}

KRV_API int GetGaikuTableNum(int32_t areaCode, int32_t townNo, int32_t azaNo) {
  return krv::store.TableIndex(areaCode, townNo, azaNo);
}

KRV_API int GaikuRecNumRecords(int32_t areaCode, int32_t townNo, int32_t azaNo) {
  return krv::store.NumRecords(areaCode, townNo, azaNo);
}

KRV_API int GaikuRecGetList(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t* list, int maxCount) {
  return krv::store.GetList(areaCode, townNo, azaNo, list, maxCount);
}

KRV_API int GaikuRecGet(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, GaikuRecord* record,
                        int* residenceFlag) {
  int result = 0;
  const GaikuRecord* found = krv::store.Find(areaCode, townNo, azaNo, gaikuNo, residenceFlag, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -1;
  *record = *found;
  return 0;
}

KRV_API int GaikuRecPut(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo, const GaikuRecord* record) {
  int result = 0;
  GaikuRecord* found = krv::store.Find(areaCode, townNo, azaNo, gaikuNo, nullptr, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -1;
  *found = *record;
  return 0;
}

KRV_API int GaikuRecSearch(int32_t tableIndex, const char* text, int* matchLength, GaikuRecord* record) {
  if (record == nullptr) return krv::store.Search(tableIndex, text, matchLength, nullptr);
  const GaikuRecord* found = nullptr;
  const int result = krv::store.Search(tableIndex, text, matchLength, &found);
  if (result == 1) *record = *found;
  return result;
}

}  // extern "C"
