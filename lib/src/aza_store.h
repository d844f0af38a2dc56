// Section records (krv_aza.rec): for every town with sections a table entry
// naming a run of section records.  The exported AzaRec* functions work on one
// process-wide instance; the accessors below let the library's other units
// read records without copying them.
#ifndef KUROVIA_SRC_AZA_STORE_H
#define KUROVIA_SRC_AZA_STORE_H

#include <cstdint>

#include "kurovia.h"

namespace krv {

// Section `azaNo` of town (`areaCode`, `townNo`) inside the store, valid
// until the store is ended or loaded again; nullptr when AzaRecGet would fail
// (a record with another key included), with its code in `result`
// (optional; 0 on success).
const AzaRecord* FindAzaRecord(int32_t areaCode, int32_t townNo, int32_t azaNo, int* result = nullptr);

// AzaRecSearch without the copy: on 1, `*record` points into the store.
int SearchAzaTable(int32_t tableIndex, const char* text, int* matchLength, const AzaRecord** record);

}  // namespace krv

#endif  // KUROVIA_SRC_AZA_STORE_H
