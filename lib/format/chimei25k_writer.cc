#include "chimei25k_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "db_file.h"
#include "layout.h"

namespace krv::format {
namespace {

constexpr std::size_t kMaxCount = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());

bool IsPrime(uint64_t n) {
  if (n < 2) return false;
  for (uint64_t d = 2; d * d <= n; ++d) {
    if (n % d == 0) return false;
  }
  return true;
}

}  // namespace

uint32_t Chimei25kBucketCount(std::size_t names) {
  uint64_t n = std::max<uint64_t>(3, uint64_t{names} * 2);
  while (!IsPrime(n)) ++n;
  return static_cast<uint32_t>(std::min<uint64_t>(n, std::numeric_limits<uint32_t>::max()));
}

namespace {

bool WriteRecords(DbFileWriter& writer, const std::vector<Chimei25kRecord>& records) {
  if (records.size() >= kMaxCount) return false;
  Chimei25kRecHeader header{};
  PutId(header.id, kChimei25kRecId);
  header.unused[0] = kFormatVersion;
  header.recordCount = static_cast<int32_t>(records.size() + 1);
  const Chimei25kRecord empty{};
  return writer.Write(header) && writer.Write(empty) && writer.Write(records.data(), records.size());
}

bool WriteHash(DbFileWriter& writer, const std::vector<Chimei25kRecord>& records, uint32_t bucketCount) {
  if (records.size() >= kMaxCount) return false;
  if (bucketCount == 0) bucketCount = Chimei25kBucketCount(records.size());

  const std::size_t entryCount = records.size() + 1;
  std::vector<Chimei25kHashEntry> entries(entryCount, Chimei25kHashEntry{});
  std::vector<uint32_t> heads(bucketCount, 0);
  std::vector<uint32_t> tails(bucketCount, 0);
  for (std::size_t i = 1; i < entryCount; ++i) {
    const Chimei25kRecord& record = records[i - 1];
    Chimei25kHashEntry& entry = entries[i];
    std::memcpy(entry.name, record.name, sizeof entry.name);
    entry.name[sizeof entry.name - 1] = '\0';
    entry.recordNo = static_cast<int32_t>(i);
    // Appended at the end of its chain, so a search returns the records of
    // one name in their order.
    const uint32_t bucket = Chimei25kHash(entry.name) % bucketCount;
    const auto at = static_cast<uint32_t>(i);
    if (tails[bucket] == 0) {
      heads[bucket] = at;
    } else {
      entries[tails[bucket]].next = at;
    }
    tails[bucket] = at;
  }

  Chimei25kHashHeader header{};
  PutId(header.id, kChimei25kHashId);
  header.unused[0] = kFormatVersion;
  header.bucketCount = bucketCount;
  header.entryCount = static_cast<int32_t>(entryCount);
  return writer.Write(header) && writer.Write(heads.data(), heads.size()) &&
         writer.Write(entries.data(), entries.size());
}

}  // namespace

bool SaveChimei25kRecords(const char* path, const std::vector<Chimei25kRecord>& records) {
  DbFileWriter writer;
  return writer.Create(path) && WriteRecords(writer, records) && writer.Commit();
}

bool SaveChimei25kHash(const char* path, const std::vector<Chimei25kRecord>& records,
                       uint32_t bucketCount) {
  DbFileWriter writer;
  return writer.Create(path) && WriteHash(writer, records, bucketCount) && writer.Commit();
}

Chimei25kSaveResult SaveChimei25kFiles(const char* recordPath, const char* hashPath,
                                       const std::vector<Chimei25kRecord>& records, uint32_t bucketCount) {
  DbFileWriter recordWriter;
  DbFileWriter hashWriter;
  if (!recordWriter.Create(recordPath) || !WriteRecords(recordWriter, records) || !recordWriter.Finish()) {
    return Chimei25kSaveResult::kRecordsFailed;
  }
  if (!hashWriter.Create(hashPath) || !WriteHash(hashWriter, records, bucketCount) || !hashWriter.Finish()) {
    return Chimei25kSaveResult::kHashFailed;
  }
  if (!recordWriter.Commit()) return Chimei25kSaveResult::kRecordsFailed;
  if (!hashWriter.Commit()) return Chimei25kSaveResult::kHashFailed;
  return Chimei25kSaveResult::kOk;
}

}  // namespace krv::format
