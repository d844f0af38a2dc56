// krv_string.rec in memory: the names of named blocks and residences.  The
// block store and the residence store each keep their own copy.
#ifndef KUROVIA_SRC_STRING_FILE_H
#define KUROVIA_SRC_STRING_FILE_H

#include <cstdint>

#include "db_file.h"

namespace krv {

class StringFile {
 public:
  // Load codes, numbered after those of the record file that owns the
  // strings.
  static constexpr int kHeaderError = -8;
  static constexpr int kIdError = -9;
  static constexpr int kMemoryError = -10;
  static constexpr int kReadError = -11;

  // Reads the whole string file.  0 when it was read, and also when it does
  // not exist or `path` is NULL (the store then has no names); else one of
  // the codes above, with nothing kept.
  int Load(const char* path);
  void Reset() { slots_.Reset(); }

  // Text of string reference `ref` (1 = the first slot).  nullptr when no
  // strings are loaded, `ref` is outside 1..s, or the slot is damaged (no
  // terminator inside its 16 bytes).
  const char* Get(int64_t ref) const;

 private:
  format::RecordArray<format::StringSlot> slots_;
};

// The string reference of a record key: -k names string k; 0 for keys that
// are plain numbers.
inline int64_t StringRefOfKey(int32_t key) { return key < 0 ? -static_cast<int64_t>(key) : 0; }

}  // namespace krv

#endif  // KUROVIA_SRC_STRING_FILE_H
