// The place-name store: a gazetteer of place names with one point each
// (krv_chimei25k.rec), apart from the address hierarchy, and a hash over the
// whole names (krv_chimei25k.hsh) whose search returns every stored name that
// begins the searched name.
#ifndef KUROVIA_SRC_CHIMEI25K_STORE_H
#define KUROVIA_SRC_CHIMEI25K_STORE_H

namespace krv {

// Load results of both files besides success.
inline constexpr int kChimeiNoMemory = -1;
inline constexpr int kChimeiOpenFailed = -2;
inline constexpr int kChimeiWrongId = -3;
inline constexpr int kChimeiShortHeader = -4;
inline constexpr int kChimeiShortHeads = -5;  // hash file only
// The records or the hash entries cut short, or a record name without its
// terminator.
inline constexpr int kChimeiShortData = -6;
// Hash file only: no buckets, a head or link beyond the entries, an entry
// name without its terminator, or chains that loop or merge.
inline constexpr int kChimeiBadHashTable = -7;

// Results of Chimei25kRecGet besides 0.
inline constexpr int kChimeiNotLoaded = -1;
inline constexpr int kChimeiNumberBelowZero = -2;
inline constexpr int kChimeiNumberTooLarge = -3;
inline constexpr int kChimeiNullRecord = -4;

// Results of Chimei25kHashSearch besides the count.
inline constexpr int kChimeiBadQuery = -2;  // empty name, no array or no room
inline constexpr int kChimeiArrayFull = -3;

}  // namespace krv

#endif  // KUROVIA_SRC_CHIMEI25K_STORE_H
