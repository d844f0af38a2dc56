// Area records (krv_gyosei.rec) and the area-name hash (krv_gyosei.hsh).
// The exported GyoseiRec* and GyoseiHash* functions work on one process-wide
// instance of each; the accessors below let the library's other units read
// records without copying them.
#ifndef KUROVIA_SRC_GYOSEI_STORE_H
#define KUROVIA_SRC_GYOSEI_STORE_H

#include <cstdint>

#include "kurovia.h"

namespace krv {

// Most area names the name search keeps for one text (the 100th is an error).
inline constexpr int kMaxAreaCandidates = 99;

// The area record of `areaCode` inside the store, valid until the store is
// ended or loaded again; nullptr when GyoseiRecGet would fail, with its code
// in `result` (optional; 0 on success).
const GyoseiRecord* FindGyoseiRecord(int32_t areaCode, int* result = nullptr);

// Area code of the record's prefecture (prefNo * 1000); 0 when prefNo, as
// read from the file, is no prefecture number.
inline int32_t PrefectureCode(const GyoseiRecord& record) {
  return record.prefNo >= 1 && record.prefNo <= 47 ? record.prefNo * 1000 : 0;
}

}  // namespace krv

#endif  // KUROVIA_SRC_GYOSEI_STORE_H
