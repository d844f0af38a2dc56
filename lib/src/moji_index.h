// The character index (krv_moji.idx): an inverted index with one posting
// list of record numbers per Shift-JIS double-byte character.  A search
// returns the records that contain every double-byte character of the query.
#ifndef KUROVIA_SRC_MOJI_INDEX_H
#define KUROVIA_SRC_MOJI_INDEX_H

#include <cstddef>

namespace krv {

// A query holds at most this many double-byte characters.
inline constexpr int kMojiMaxQueryChars = 29;
// Size of each of the two intersection work lists.  An intersection may hold
// one record number less than this.
inline constexpr std::size_t kMojiWorkListSize = 125000;

// Load results of MojiIndexLoad besides the posting count.
inline constexpr int kMojiNoMemory = -1;
inline constexpr int kMojiOpenFailed = -2;
inline constexpr int kMojiWrongId = -3;
inline constexpr int kMojiShortHeader = -4;
inline constexpr int kMojiShortCharTable = -5;
inline constexpr int kMojiShortData = -6;
// A character table entry names values beyond the posting area.
inline constexpr int kMojiListOutsidePostings = -7;

// Results of MojiIndexSearch besides the hit count.
inline constexpr int kMojiNotLoaded = -1;
inline constexpr int kMojiEmptyText = -2;
inline constexpr int kMojiTooManyHits = -3;
inline constexpr int kMojiTooManyChars = -4;
inline constexpr int kMojiDamagedList = -5;
inline constexpr int kMojiHitOutsideRecords = -6;
inline constexpr int kMojiIntersectionTooLarge = -7;

}  // namespace krv

#endif  // KUROVIA_SRC_MOJI_INDEX_H
