// Writes the character index krv_moji.idx from records and the double-byte
// characters each record is to be found by.  The library only reads this
// file; this writer lets it be built from any list of texts.
#ifndef KUROVIA_FORMAT_MOJI_INDEX_WRITER_H
#define KUROVIA_FORMAT_MOJI_INDEX_WRITER_H

#include <cstdint>
#include <vector>

#include "kurovia.h"

namespace krv::format {

struct MojiIndexSource {
  MojiRecord record{};
  // Character table keys (MojiCharKey) of the record's double-byte
  // characters, in any order, repeats allowed.
  std::vector<uint16_t> charKeys;
};

enum class MojiIndexWriteResult { kOk, kTooLarge, kWriteFailed };

// Writes `sources` to `path`: source i becomes record i + 1, record 0 stays
// empty (0 closes every posting list).  kTooLarge when the records or the
// posting values do not fit the file's 32-bit counts; nothing is written then.
MojiIndexWriteResult SaveMojiIndex(const char* path, const std::vector<MojiIndexSource>& sources);

}  // namespace krv::format

#endif  // KUROVIA_FORMAT_MOJI_INDEX_WRITER_H
