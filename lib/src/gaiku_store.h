// Block and lot records (krv_gaiku.rec) with the names of named blocks from
// the string file (krv_string.rec).  The exported GaikuRec* functions and
// GetGaikuTableNum work on one process-wide instance; the accessors below let
// the library's other units read records without copying them.
#ifndef KUROVIA_SRC_GAIKU_STORE_H
#define KUROVIA_SRC_GAIKU_STORE_H

#include <cstdint>

#include "kurovia.h"

namespace krv {

// Block `gaikuNo` of the town (azaNo <= 0) or section inside the store, valid
// until the store is ended or loaded again; nullptr when GaikuRecGet would
// fail, with its code in `result` (optional; 0 on success).  When the
// block's table exists, `residenceFlag` (optional) receives the table's flag
// even if the block is then missing, as with GaikuRecGet.
const GaikuRecord* FindGaikuRecord(int32_t areaCode, int32_t townNo, int32_t azaNo, int32_t gaikuNo,
                                   int* residenceFlag = nullptr, int* result = nullptr);

// GaikuRecSearch without the copy: on 1, `*record` points into the store.
int SearchGaikuTable(int32_t tableIndex, const char* text, int* matchLength, const GaikuRecord** record);

// Name of a named block (key -k: string k); nullptr for a numbered block or
// a string that cannot be fetched.
const char* BlockName(int32_t gaikuKey);

}  // namespace krv

#endif  // KUROVIA_SRC_GAIKU_STORE_H
