#include "moji_index_writer.h"

#include <cstddef>
#include <limits>

#include "db_file.h"
#include "layout.h"

namespace krv::format {

MojiIndexWriteResult SaveMojiIndex(const char* path, const std::vector<MojiIndexSource>& sources) {
  constexpr std::size_t kMaxCount = static_cast<std::size_t>(std::numeric_limits<int32_t>::max());
  if (sources.size() >= kMaxCount) return MojiIndexWriteResult::kTooLarge;

  // Posting lists in ascending record order: each source adds its number to
  // the list of each of its characters once.
  std::vector<std::vector<uint32_t>> lists(kMojiCharTableSize);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const auto recordNo = static_cast<uint32_t>(i + 1);
    for (const uint16_t key : sources[i].charKeys) {
      std::vector<uint32_t>& list = lists[key];
      if (list.empty() || list.back() != recordNo) list.push_back(recordNo);
    }
  }

  std::vector<MojiCharEntry> table(kMojiCharTableSize, MojiCharEntry{0, 0});
  std::size_t postingCount = 0;
  for (std::size_t key = 0; key < kMojiCharTableSize; ++key) {
    if (lists[key].empty()) continue;
    const std::size_t length = lists[key].size() + 1;  // the closing 0
    if (postingCount + length > kMaxCount) return MojiIndexWriteResult::kTooLarge;
    table[key] = {static_cast<uint32_t>(length), static_cast<uint32_t>(postingCount)};
    postingCount += length;
  }

  MojiIndexHeader header{};
  PutId(header.id, kMojiIndexId);
  header.unused[0] = kFormatVersion;
  header.postingCount = static_cast<int32_t>(postingCount);
  header.recordCount = static_cast<int32_t>(sources.size() + 1);

  DbFileWriter writer;
  if (!writer.Create(path)) return MojiIndexWriteResult::kWriteFailed;
  bool ok = writer.Write(header) && writer.Write(table.data(), table.size());
  constexpr uint32_t kListEnd = 0;
  for (std::size_t key = 0; ok && key < kMojiCharTableSize; ++key) {
    if (lists[key].empty()) continue;
    ok = writer.Write(lists[key].data(), lists[key].size()) && writer.Write(kListEnd);
  }
  const MojiRecord empty{};
  ok = ok && writer.Write(empty);
  for (std::size_t i = 0; ok && i < sources.size(); ++i) ok = writer.Write(sources[i].record);
  if (!ok || !writer.Commit()) return MojiIndexWriteResult::kWriteFailed;
  return MojiIndexWriteResult::kOk;
}

}  // namespace krv::format
