// The shape shared by the town, section, block and residence files: a
// header, a list of tables and the records the tables point into, loaded
// whole and saved back in the same order.  Each store derives from it and
// says how many tables its header stands for and what makes its tables and
// records sound.
#ifndef KUROVIA_LIB_SRC_TABLE_RECORD_FILE_H
#define KUROVIA_LIB_SRC_TABLE_RECORD_FILE_H

#include <cstddef>
#include <cstdint>
#include <utility>

#include "db_file.h"

namespace krv {

template <class Header, class Table, class Record>
class TableRecordFile {
 protected:
  // Reads the file at `path` with ID `id`: the header, tableCount(header)
  // tables (a negative count is a damaged header) and header.recordCount
  // records, then check(header, tables, records) gives 0 or the code of what
  // is wrong.  Takes the file's contents only when all of that passed.
  // 0, or -1 memory, -2 open, -3 ID, -4 header, -5 table list, -6 records,
  // or the check's code.
  template <class TableCount, class Check>
  int ReadFile(const char* path, const char* id, TableCount tableCount, Check check) {
    return ReadFile(path, id, tableCount, [](const Record*, std::size_t) {}, check);
  }
  // The same, handing the records to visitRecords(records, count) piece by
  // piece as they are read, while they are still in the cache: checks of
  // every record belong there, and check() reports what they found.
  template <class TableCount, class VisitRecords, class Check>
  int ReadFile(const char* path, const char* id, TableCount tableCount, VisitRecords visitRecords, Check check) {
    format::DbFileReader reader;
    Header header;
    if (const int rc = reader.Open(path, id, header, {-2, -4, -3}); rc != 0) return rc;
    const int64_t tables = tableCount(header);
    if (tables < 0) return -4;
    format::RecordArray<Table> tableList;
    if (const int rc = reader.Read(tableList, static_cast<uint64_t>(tables), -1, -5); rc != 0) return rc;
    format::RecordArray<Record> records;
    if (const int rc =
            reader.ReadVisiting(records, static_cast<uint32_t>(header.recordCount), -1, -6, visitRecords);
        rc != 0) {
      return rc;
    }
    if (const int rc = check(header, tableList, records); rc != 0) return rc;
    header_ = header;
    tables_ = std::move(tableList);
    records_ = std::move(records);
    loaded_ = true;
    return 0;
  }

  void Reset() {
    tables_.Reset();
    records_.Reset();
    loaded_ = false;
  }

 public:
  // n (the number of records), or -1 not loaded or the file cannot be
  // created, -2 header, -3 table list, -4 records (or the finished file
  // cannot replace the old one).
  int Save(const char* path) const {
    if (!loaded_) return -1;
    format::DbFileWriter writer;
    if (!writer.Create(path)) return -1;
    if (!writer.Write(header_)) return -2;
    if (!writer.Write(tables_.data(), tables_.size())) return -3;
    if (!writer.Write(records_.data(), records_.size())) return -4;
    if (!writer.Commit()) return -4;
    return static_cast<int>(records_.size());
  }

 protected:
  Header header_{};
  format::RecordArray<Table> tables_;
  format::RecordArray<Record> records_;
  bool loaded_ = false;
};

}  // namespace krv

#endif  // KUROVIA_LIB_SRC_TABLE_RECORD_FILE_H
