// Town records (krv_cho.rec) and the town-name hash (krv_cho.hsh).  The
// exported ChoRec* and ChoHash* functions work on one process-wide instance
// of each; the accessors below let the library's other units read records
// without copying them.
#ifndef KUROVIA_SRC_CHO_STORE_H
#define KUROVIA_SRC_CHO_STORE_H

#include <cstdint>

#include "kurovia.h"

namespace krv {

// Most town names one try of the name search keeps (the 300th is an error).
inline constexpr int kMaxTownCandidates = 299;

// Town `townNo` of area `areaCode` inside the store, valid until the store is
// ended or loaded again; nullptr when ChoRecGet would fail, with its code in
// `result` (optional; 0 on success).
const ChoRecord* FindChoRecord(int32_t areaCode, int32_t townNo, int* result = nullptr);

}  // namespace krv

#endif  // KUROVIA_SRC_CHO_STORE_H
