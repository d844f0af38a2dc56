// Section records: a fixed list of 150,000 table entries (area code, town
// number, section count, first record) followed by the records.  A section
// is found by number ("2丁目" matches the section whose name begins with 2,
// written in any numeral form) or by name (大手町).
#include "aza_store.h"

#include <cstring>

#include "cho_store.h"
#include "db_file.h"
#include "layout.h"
#include "number_prefix.h"
#include "sjis_text.h"
#include "store_check.h"
#include "table_record_file.h"

namespace krv {
namespace {

using format::AzaRecHeader;
using format::AzaTableEntry;
using format::DbFileReader;
using format::DbFileWriter;
using format::RecordArray;

bool IsAreaCode(int32_t code) { return code >= format::kAreaCodeMin && code < format::kAreaCodeLimit; }

// azaKey of section `azaNo` of town `townNo`: town * 65536 + section.
int32_t AzaKey(int32_t townNo, int32_t azaNo) {
  return static_cast<int32_t>(static_cast<uint32_t>(townNo) * 65536u + static_cast<uint32_t>(azaNo));
}

class AzaStore : public TableRecordFile<AzaRecHeader, AzaTableEntry, AzaRecord> {
 public:
  // n, or -1 memory, -2 open, -3 ID, -4 header (also a count of tables in
  // use beyond the table list), -5 table list (also a table whose records lie
  // beyond the records), -6 records (also a name or reading without its
  // terminator).
  int Load(const char* path) {
    End();
    bool terminated = true;
    RecordArray<uint32_t> numbers;
    const int rc = ReadFile(
        path, format::kAzaRecId,
        [](const AzaRecHeader& header) -> int64_t {
          if (header.tablesUsed < 0 || static_cast<std::size_t>(header.tablesUsed) > format::kAzaTableCapacity) {
            return -1;
          }
          return format::kAzaTableCapacity;
        },
        [&terminated](const AzaRecord* piece, std::size_t n) {
          for (std::size_t i = 0; i < n; ++i) terminated &= IsTerminated(piece[i].name) && IsTerminated(piece[i].kana);
        },
        [&terminated, &numbers](const AzaRecHeader& header, const RecordArray<AzaTableEntry>& tables,
                                const RecordArray<AzaRecord>& records) {
          for (int32_t i = 0; i < header.tablesUsed; ++i) {
            const AzaTableEntry& table = tables[static_cast<std::size_t>(i)];
            if (!RangeInside(table.firstRecord, table.azaCount, static_cast<int64_t>(records.size()))) return -5;
          }
          if (!terminated) return -6;
          if (!numbers.Allocate(records.size())) return -1;
          for (std::size_t i = 0; i < records.size(); ++i) numbers[i] = NameNumber(records[i]);
          return 0;
        });
    if (rc != 0) return rc;
    numbers_ = std::move(numbers);
    return static_cast<int>(records_.size());
  }

  // Keeps the number of a record that was just replaced.
  void Renumber(const AzaRecord* record) {
    numbers_[static_cast<std::size_t>(record - records_.data())] = NameNumber(*record);
  }

  void End() {
    Reset();
    numbers_.Reset();
  }

  // The section table of a town: checks 1 to 4 shared by AzaRecNumRecords,
  // AzaRecGet and AzaRecPut.  0, or the code of the first check that fails.
  int TableOf(int32_t areaCode, int32_t townNo, const AzaTableEntry** table) const {
    if (!loaded_) return -1;
    if (!IsAreaCode(areaCode)) return -2;
    const ChoRecord* town = FindChoRecord(areaCode, townNo);
    if (town == nullptr) return -3;
    // The town's azaIndex comes from another file: a value outside the
    // tables in use is a town without sections.
    const int32_t index = town->azaIndex;
    if (index < 0 || index >= header_.tablesUsed) return -4;
    const AzaTableEntry& entry = tables_[static_cast<std::size_t>(index)];
    if (entry.areaCode != areaCode || entry.townNo != townNo) return -4;
    *table = &entry;
    return 0;
  }

  int NumRecords(int32_t areaCode, int32_t townNo) const {
    const AzaTableEntry* table = nullptr;
    const int result = TableOf(areaCode, townNo, &table);
    return result != 0 ? result : table->azaCount;
  }

  // The record of section `azaNo`, or nullptr.  `result` receives 0, the
  // failed check, or -6 when the record carries another key (the record is
  // then still given).
  AzaRecord* Find(int32_t areaCode, int32_t townNo, int32_t azaNo, int* result) {
    const AzaTableEntry* table = nullptr;
    *result = TableOf(areaCode, townNo, &table);
    if (*result != 0) return nullptr;
    if (azaNo < 1 || azaNo > table->azaCount) {
      *result = -5;
      return nullptr;
    }
    AzaRecord* record = records_.data() + table->firstRecord + (azaNo - 1);
    if (record->azaKey != AzaKey(townNo, azaNo)) *result = -6;
    return record;
  }

  int Search(int32_t tableIndex, const char* text, int* matchLength, const AzaRecord** found) const {
    if (!loaded_) return -1;
    if (tableIndex < 0 || tableIndex >= header_.tablesUsed) return -2;
    if (matchLength == nullptr || found == nullptr) return -3;
    if (text == nullptr) text = "";
    const AzaTableEntry& table = tables_[static_cast<std::size_t>(tableIndex)];
    const AzaRecord* first = records_.data() + table.firstRecord;
    const AzaRecord* const end = first + table.azaCount;

    const NumberPrefix query = ReadNumberPrefix(text, NumberUnits::kSection);
    *matchLength = query.length;
    if (query.value != 0) {
      // The name's own number decides; its unit and length do not matter.
      const uint32_t* number = numbers_.data() + table.firstRecord;
      for (const AzaRecord* record = first; record != end; ++record, ++number) {
        if (*number == query.value) {
          *found = record;
          return 1;
        }
      }
    } else {
      for (const AzaRecord* record = first; record != end; ++record) {
        // An empty name would occur in every text; it never matches.
        if (record->name[0] == '\0') continue;
        if (FindOnBoundary(text, record->name) != nullptr) {
          *matchLength = static_cast<int>(std::strlen(record->name));
          *found = record;
          return 1;
        }
      }
    }
    *matchLength = 0;
    return 0;
  }

 private:
  // The number a section's name begins with, in any numeral form; 0 when it
  // begins with none (no query number is 0).
  static uint32_t NameNumber(const AzaRecord& record) {
    int digits = 0;
    const uint32_t value = NumStr2Int(record.name, &digits);
    return digits > 0 ? value : 0;
  }

  // NameNumber of every record, worked out once at load: the search by
  // number compares these instead of reading each name again.
  RecordArray<uint32_t> numbers_;
};

AzaStore store;

}  // namespace

const AzaRecord* FindAzaRecord(int32_t areaCode, int32_t townNo, int32_t azaNo, int* result) {
  int code = 0;
  const AzaRecord* record = store.Find(areaCode, townNo, azaNo, &code);
  if (result != nullptr) *result = code;
  return code == 0 ? record : nullptr;
}

int SearchAzaTable(int32_t tableIndex, const char* text, int* matchLength, const AzaRecord** record) {
  return store.Search(tableIndex, text, matchLength, record);
}

}  // namespace krv

extern "C" {

KRV_API int AzaRecLoad(const char* path) { return krv::store.Load(path); }

KRV_API int AzaRecSave(const char* path) {
  try {
    return krv::store.Save(path);
  } catch (...) {
    return -1;
  }
}

KRV_API int AzaRecEnd(void) {
  krv::store.End();
  return 0;
}

KRV_API int AzaRecNumRecords(int32_t areaCode, int32_t townNo) { return krv::store.NumRecords(areaCode, townNo); }

KRV_API int AzaRecGet(int32_t areaCode, int32_t townNo, int32_t azaNo, AzaRecord* record) {
  int result = 0;
  const AzaRecord* found = krv::store.Find(areaCode, townNo, azaNo, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -5;
  // The record is copied before its key is judged, so the caller sees it
  // even on -6.
  *record = *found;
  return result;
}

KRV_API int AzaRecPut(int32_t areaCode, int32_t townNo, int32_t azaNo, const AzaRecord* record) {
  int result = 0;
  AzaRecord* found = krv::store.Find(areaCode, townNo, azaNo, &result);
  if (found == nullptr || result != 0) return result;
  if (record == nullptr) return -5;
  *found = *record;
  krv::Terminate(found->name);
  krv::Terminate(found->kana);
  krv::store.Renumber(found);
  return 0;
}

KRV_API int AzaRecSearch(int32_t tableIndex, const char* text, int* matchLength, AzaRecord* record) {
  if (record == nullptr) return krv::store.Search(tableIndex, text, matchLength, nullptr);
  const AzaRecord* found = nullptr;
  const int result = krv::store.Search(tableIndex, text, matchLength, &found);
  if (result == 1) *record = *found;
  return result;
}

}  // extern "C"
