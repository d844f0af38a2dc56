// Checks the stores make on values read from DB files before they trust
// them.  DB files come from outside and may be damaged: every index, count
// and text field read from a file is checked once at load (or, for links
// into another file, at the lookup that follows them).
#ifndef KUROVIA_SRC_STORE_CHECK_H
#define KUROVIA_SRC_STORE_CHECK_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "db_file.h"

namespace krv {

// True when a fixed-width text field holds its terminator, so it can be used
// as a C string without reading past the field.
template <std::size_t N>
bool IsTerminated(const char (&field)[N]) {
  // The builders pad every text field with NULs, so the last byte settles
  // almost every field without a search.
  return field[N - 1] == '\0' || std::memchr(field, '\0', N) != nullptr;
}

// Cuts a text field that lacks its terminator at its last byte.  Records
// put by a caller keep the invariant every loaded record has, so a saved file
// loads again.
template <std::size_t N>
void Terminate(char (&field)[N]) {
  if (!IsTerminated(field)) field[N - 1] = '\0';
}

// True when the records first .. first + count - 1 all lie below `total`.
inline bool RangeInside(int64_t first, int64_t count, int64_t total) {
  return first >= 0 && count >= 0 && first + count <= total;
}

// True when `index` names one of `count` entries.  A chain link or bucket
// head of 0 ends a chain and is always acceptable.
// Written without a branch: loaders test every link of a file, and whether
// a link is 0 follows no pattern a branch predictor could learn.
inline bool LinkInside(uint32_t index, uint64_t count) { return index < count + static_cast<uint64_t>(count == 0); }

// Follows hash chains through `next` links and records every entry it
// meets.  A sound hash file links each entry into at most one chain, once: an
// entry met a second time means a chain that loops or two chains that merge.
// Links must already be known to lie below the entry count.
template <class Entry>
class ChainWalker {
 public:
  // False when the marks cannot be allocated.
  bool Start(const format::RecordArray<Entry>& entries) {
    entries_ = &entries;
    return seen_.AllocateZeroed(entries.size());
  }
  // False when the chain from `head` meets an entry met before.
  bool Walk(uint32_t head) {
    for (uint32_t i = head; i != 0; i = (*entries_)[i].next) {
      if (seen_[i] != 0) return false;
      seen_[i] = 1;
    }
    return true;
  }

 private:
  const format::RecordArray<Entry>* entries_ = nullptr;
  format::RecordArray<uint8_t> seen_;
};

}  // namespace krv

#endif  // KUROVIA_SRC_STORE_CHECK_H
