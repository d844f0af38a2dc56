// Residence records (krv_jukyo.rec) with the names of named residences from
// the string file (krv_string.rec).  The exported JukyoRec* functions and
// GetJukyoTableNum work on one process-wide instance; the accessors below let
// the library's other units read records without copying them.
#ifndef KUROVIA_SRC_JUKYO_STORE_H
#define KUROVIA_SRC_JUKYO_STORE_H

#include <cstdint>

#include "kurovia.h"

namespace krv {

// Residence `jukyoNo` of a block inside the store, valid until the store is
// ended or loaded again; nullptr when JukyoRecGet would fail, with its code
// in `result` (optional; 0 on success).
const JukyoRecord* FindJukyoRecord(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                                   int32_t jukyoNo, int* result = nullptr);

// JukyoRecSearch without the copy: on 1, `*record` points into the store.
int SearchJukyoTable(int32_t tableIndex, const char* text, int* matchLength, const JukyoRecord** record);

// Name of a named residence (key -k: string k, without its "＄" prefix);
// nullptr for a numbered residence or a string that cannot be fetched.
const char* ResidenceName(int32_t jukyoKey);

}  // namespace krv

#endif  // KUROVIA_SRC_JUKYO_STORE_H
