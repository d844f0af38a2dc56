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
    bool terminated = true;
    const int rc = ReadFile(
        path, format::kChoRecId, [](const ChoRecHeader&) -> int64_t { return format::kAreaTableSize; },
        [&terminated](const ChoRecord* piece, std::size_t n) {
          for (std::size_t i = 0; i < n; ++i) terminated &= IsTerminated(piece[i].name) && IsTerminated(piece[i].kana);
        },
        [&terminated](const ChoRecHeader&, const RecordArray<ChoAreaEntry>& areas,
                      const RecordArray<ChoRecord>& records) {
          for (std::size_t c = format::kAreaCodeMin; c < format::kAreaTableSize; ++c) {
            const ChoAreaEntry& area = areas[c];
            if (area.townCount != 0 &&
                !RangeInside(area.firstRecord, area.townCount, static_cast<int64_t>(records.size()))) {
              return -5;
            }
          }
          return terminated ? 0 : -6;
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
    // As the entries are read, each entry's link marks the entry it points
    // to (see CheckBlocks).
    RecordArray<ChoHashEntry> entries;
    RecordArray<uint8_t> pointedTo;
    if (header.entryCount > reader.BytesLeft() / sizeof(ChoHashEntry)) return -8;
    if (!pointedTo.AllocateZeroed(header.entryCount)) return -1;
    bool entriesSound = true;
    bool twice = false;
    std::size_t index = 0;
    const uint64_t entryCount = header.entryCount;
    const auto checkEntries = [&](const ChoHashEntry* piece, std::size_t n) {
      for (std::size_t i = 0; i < n; ++i, ++index) {
        const uint32_t next = piece[i].next;
        const bool inside = LinkInside(next, entryCount);
        entriesSound &= inside && IsTerminated(piece[i].name);
        // Entry 0 stands for the end of a chain; its own link is never used.
        const uint32_t target = inside && index != 0 ? next : 0;
        twice |= (pointedTo[target] & static_cast<uint8_t>(target != 0)) != 0;
        pointedTo[target] = 1;
      }
    };
    if (const int rc = reader.ReadVisiting(entries, header.entryCount, -1, -8, checkEntries); rc != 0) return rc;
    if (!entriesSound) return -8;

    int blocksCheck = CheckBlocks<false>(positions, blocks, entries, pointedTo, twice);
    if (blocksCheck == kUnsure) blocksCheck = CheckBlocks<true>(positions, blocks, entries, pointedTo, twice);
    if (blocksCheck != 0) return blocksCheck;
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
  static constexpr int kUnsure = 1;

  // Every block an area points to holds its code, G and G bucket heads
  // inside the block area, apart from every other block, and no entry is
  // met twice on the chains from its heads (a chain that loops or merges
  // into another).  Areas are checked in code order: 0, or the code of the
  // first fault: -1 memory, -6 a block position beyond the block area, -7 a
  // block of size 0, beyond the block area, overlapping another or with a
  // head beyond the entries, -8 a chain fault.
  //
  // With `exact`, every chain is walked.  Otherwise each head marks the
  // entry it points to in `pointedTo`, which holds the marks of the
  // entries' own links already, and `twice` tells whether an entry was
  // marked twice so far: when no entry is pointed to twice, no walk can meet
  // one twice and the result is the walk's, found without the chase from
  // link to link.  An entry pointed to twice (by a loop, a merge, or a link
  // from an entry no chain reaches) gives kUnsure, and the caller asks again
  // with `exact`.
  template <bool exact>
  static int CheckBlocks(const RecordArray<uint32_t>& positions, const RecordArray<uint32_t>& blocks,
                         const RecordArray<ChoHashEntry>& entries, RecordArray<uint8_t>& pointedTo, bool twice) {
    const uint64_t words = blocks.size();
    // The builder lays the blocks out in area-code order: then no block can
    // overlap another when each starts at or after the end of the one
    // before, and no word needs marking.  Blocks in any other order are
    // marked word by word.
    bool ascending = true;
    for (std::size_t c = format::kAreaCodeMin, end = 0; c < format::kAreaTableSize && ascending; ++c) {
      const uint64_t p = positions[c];
      if (p == 0) continue;
      if (p < end || p + 2 > words) {
        ascending = false;
      } else {
        end = static_cast<std::size_t>(p + 2 + blocks[p + 1]);
      }
    }
    RecordArray<uint8_t> claimed;
    if (!ascending && !claimed.AllocateZeroed(blocks.size())) return -1;
    ChainWalker<ChoHashEntry> chains;
    if constexpr (exact) {
      if (!chains.Start(entries)) return -1;
    }
    const auto fault = [&](int code) { return !exact && twice ? kUnsure : code; };
    for (std::size_t c = format::kAreaCodeMin; c < format::kAreaTableSize; ++c) {
      const uint64_t p = positions[c];
      if (p == 0) continue;
      if (p + 2 > words) return fault(-6);
      const uint64_t g = blocks[p + 1];
      if (g == 0 || p + 2 + g > words) return fault(-7);
      for (uint64_t w = p; !ascending && w < p + 2 + g; ++w) {
        if (claimed[w] != 0) return fault(-7);
        claimed[w] = 1;
      }
      for (uint64_t b = p + 2; b < p + 2 + g; ++b) {
        const uint32_t head = blocks[b];
        if (!LinkInside(head, entries.size())) return fault(-7);
        if constexpr (exact) {
          if (!chains.Walk(head)) return -8;
        } else {
          twice |= (pointedTo[head] & static_cast<uint8_t>(head != 0)) != 0;
          pointedTo[head] = 1;
        }
      }
    }
    return fault(0);
  }

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
      // Most names of a chain differ from the text in their first two bytes.
      if (entry.name[0] != text[0] || (entry.name[1] != '\0' && entry.name[1] != text[1])) continue;
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
