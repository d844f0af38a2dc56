// Town records: per area code a (count, first record) pair, and the records
// of each area contiguous in town-number order.  Town-name hash: per area one
// small hash block [area code, G, G bucket heads] in a shared block area,
// with chained entries in one shared entry array.
#include "cho_store.h"

#include <cstring>

#include "db_file.h"
#include "layout.h"
#include "sjis_text.h"
#include "store_check.h"
#include "table_record_file.h"

namespace krv {
namespace {

using format::ChoAreaEntry;
using format::ChoHashEntry;
using format::ChoHashHeader;
using format::ChoRecHeader;
using format::DbFileReader;
using format::DbFileWriter;
using format::RecordArray;

bool IsAreaCode(int32_t code) { return code >= format::kAreaCodeMin && code < format::kAreaCodeLimit; }

class ChoRecStore : public TableRecordFile<ChoRecHeader, ChoAreaEntry, ChoRecord> {
 public:
  // R, or -1 memory, -2 open, -3 ID, -4 header, -5 area table (also an area
  // whose towns lie beyond the records), -6 records (also a name or reading
  // without its terminator).
  int Load(const char* path) {
    End();
    const int rc = ReadFile(
        path, format::kChoRecId, [](const ChoRecHeader&) -> int64_t { return format::kAreaTableSize; },
        [](const ChoRecHeader&, const RecordArray<ChoAreaEntry>& areas, const RecordArray<ChoRecord>& records) {
          for (std::size_t c = format::kAreaCodeMin; c < format::kAreaTableSize; ++c) {
            const ChoAreaEntry& area = areas[c];
            if (area.townCount != 0 &&
                !RangeInside(area.firstRecord, area.townCount, static_cast<int64_t>(records.size()))) {
              return -5;
            }
          }
          for (std::size_t i = 0; i < records.size(); ++i) {
            if (!IsTerminated(records[i].name) || !IsTerminated(records[i].kana)) return -6;
          }
          return 0;
        });
    return rc != 0 ? rc : static_cast<int>(records_.size());
  }

  void End() { Reset(); }

  int NumRecords(int32_t areaCode) const {
    if (!loaded_) return -1;
    if (!IsAreaCode(areaCode)) return -2;
    return static_cast<int>(tables_[static_cast<std::size_t>(areaCode)].townCount);
  }

  ChoRecord* Find(int32_t areaCode, int32_t townNo, int* result) {
    int code = 0;
    ChoRecord* record = nullptr;
    if (!loaded_) {
      code = -1;
    } else if (!IsAreaCode(areaCode)) {
      code = -2;
    } else {
      const ChoAreaEntry& area = tables_[static_cast<std::size_t>(areaCode)];
      if (townNo < 1 || static_cast<uint32_t>(townNo) > area.townCount) {
        code = -3;
      } else {
        record = &records_[area.firstRecord + static_cast<uint32_t>(townNo) - 1];
      }
    }
    if (result != nullptr) *result = code;
    return record;
  }

};

class ChoHashStore {
 public:
  // 0, or -1 memory, -2 open, -3 ID, -5 header (also a block area that is not
  // whole words), -6 area table (also a block position beyond the block
  // area), -7 block area (a hash size of 0, buckets beyond the block area,
  // blocks that overlap, a bucket head beyond the entries), -8 entries (a
  // chain link beyond the entries, a chain that loops or merges into
  // another, a name without its terminator).
  int Load(const char* path) {
    End();
    DbFileReader reader;
    ChoHashHeader header;
    if (const int rc = reader.Open(path, format::kChoHashId, header, {-2, -5, -3}); rc != 0) return rc;
    if (header.blockAreaBytes % sizeof(uint32_t) != 0) return -5;
    RecordArray<uint32_t> positions;
    if (const int rc = reader.Read(positions, format::kAreaTableSize, -1, -6); rc != 0) return rc;
    RecordArray<uint32_t> blocks;
    if (const int rc = reader.Read(blocks, header.blockAreaBytes / sizeof(uint32_t), -1, -7); rc != 0) return rc;
    RecordArray<ChoHashEntry> entries;
    if (const int rc = reader.Read(entries, header.entryCount, -1, -8); rc != 0) return rc;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (!LinkInside(entries[i].next, entries.size()) || !IsTerminated(entries[i].name)) return -8;
    }

    // Every block an area points to holds its code, G and G bucket heads
    // inside the block area, apart from every other block; each of its
    // chains is walked once.  The whole check reads each word and entry at
    // most once.
    const uint64_t words = blocks.size();
    RecordArray<uint8_t> claimed;
    ChainWalker<ChoHashEntry> chains;
    if (!claimed.AllocateZeroed(blocks.size()) || !chains.Start(entries)) return -1;
    for (std::size_t c = format::kAreaCodeMin; c < format::kAreaTableSize; ++c) {
      const uint64_t p = positions[c];
      if (p == 0) continue;
      if (p + 2 > words) return -6;
      const uint64_t g = blocks[p + 1];
      if (g == 0 || p + 2 + g > words) return -7;
      for (uint64_t w = p; w < p + 2 + g; ++w) {
        if (claimed[w] != 0) return -7;
        claimed[w] = 1;
      }
      for (uint64_t b = p + 2; b < p + 2 + g; ++b) {
        if (!LinkInside(blocks[b], entries.size())) return -7;
        if (!chains.Walk(blocks[b])) return -8;
      }
    }
    positions_ = std::move(positions);
    blocks_ = std::move(blocks);
    entries_ = std::move(entries);
    loaded_ = true;
    return 0;
  }

  void End() {
    positions_.Reset();
    blocks_.Reset();
    entries_.Reset();
    loaded_ = false;
  }

  int Search(int32_t areaCode, const char* text, int* matchLength, int32_t* townNo) const {
    if (!loaded_) return -1;
    if (text == nullptr || text[0] == '\0') return -2;
    if (!IsAreaCode(areaCode)) return -3;
    const uint32_t p = positions_[static_cast<std::size_t>(areaCode)];
    if (p == 0) return -4;
    if (blocks_[p] != static_cast<uint32_t>(areaCode)) return -5;
    const Block block{blocks_[p + 1], &blocks_[p + 2]};

    const auto byte = [text](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(text[i])); };
    Best best;
    // Names of four or more bytes, and three-byte names keyed with their
    // terminator.  A text of one or two bytes cannot begin with either.
    if (text[1] != '\0' && text[2] != '\0') {
      if (const int rc = Try(block, format::GetU32(text), text, best); rc != 0) return rc;
    }
    // One-character names, keyed as their two bytes and 0xFF 0xFF.
    if (best.count == 0) {
      if (const int rc = Try(block, byte(0) | byte(1) << 8 | 0xFFFF0000u, text, best); rc != 0) return rc;
    }
    // Three-byte names (a single-byte character and a double-byte one).
    if (best.count == 0 && !IsDoubleByte(text) && IsDoubleByte(text + 1)) {
      if (const int rc = Try(block, byte(0) | byte(1) << 8 | byte(2) << 16, text, best); rc != 0) return rc;
    }
    if (best.count == 0) return 0;
    if (matchLength != nullptr) *matchLength = static_cast<int>(best.length);
    if (townNo != nullptr) *townNo = best.townNo;
    return 1;
  }

 private:
  struct Block {
    uint32_t size;  // G
    const uint32_t* heads;
  };
  // The first of the longest names found, in chain order.
  struct Best {
    int count = 0;
    std::size_t length = 0;
    int32_t townNo = 0;
  };

  // Walks the chain of `key`; 0, or -6 at the 300th candidate.
  int Try(const Block& block, uint32_t key, const char* text, Best& best) const {
    uint32_t i = block.heads[key % block.size];
    // Load refused chains that loop; the step limit keeps every walk finite
    // all the same.
    for (std::size_t steps = 0; i != 0 && steps < entries_.size(); i = entries_[i].next, ++steps) {
      const ChoHashEntry& entry = entries_[i];
      const std::size_t length = std::strlen(entry.name);
      if (length == 0 || std::strncmp(text, entry.name, length) != 0) continue;
      if (best.count == kMaxTownCandidates) return -6;
      ++best.count;
      if (length > best.length) {
        best.length = length;
        best.townNo = entry.townNo;
      }
    }
    return 0;
  }

  RecordArray<uint32_t> positions_;
  RecordArray<uint32_t> blocks_;
  RecordArray<ChoHashEntry> entries_;
  bool loaded_ = false;
};

ChoRecStore recStore;
ChoHashStore hashStore;

}  // namespace

const ChoRecord* FindChoRecord(int32_t areaCode, int32_t townNo, int* result) {
  return recStore.Find(areaCode, townNo, result);
}

}  // namespace krv

extern "C" {

KRV_API int ChoRecLoad(const char* path) { return krv::recStore.Load(path); }

KRV_API int ChoRecSave(const char* path) {
  try {
    return krv::recStore.Save(path);
  } catch (...) {
    return -1;
  }
}

KRV_API int ChoRecEnd(void) {
  krv::recStore.End();
  return 0;
}

KRV_API int ChoRecNumRecords(int32_t areaCode) { return krv::recStore.NumRecords(areaCode); }

KRV_API int ChoRecGet(int32_t areaCode, int32_t townNo, ChoRecord* record) {
  int result = 0;
  const ChoRecord* found = krv::recStore.Find(areaCode, townNo, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -3;
  *record = *found;
  return 0;
}

KRV_API int ChoRecPut(int32_t areaCode, int32_t townNo, const ChoRecord* record) {
  int result = 0;
  ChoRecord* found = krv::recStore.Find(areaCode, townNo, &result);
  if (found == nullptr) return result;
  if (record == nullptr) return -3;
  *found = *record;
  krv::Terminate(found->name);
  krv::Terminate(found->kana);
  return 0;
}

KRV_API int ChoHashLoad(const char* path) { return krv::hashStore.Load(path); }

KRV_API int ChoHashEnd(void) {
  krv::hashStore.End();
  return 0;
}

KRV_API int ChoHashSearch(int32_t areaCode, const char* text, int* matchLength, int32_t* townNo) {
  return krv::hashStore.Search(areaCode, text, matchLength, townNo);
}

}  // extern "C"
