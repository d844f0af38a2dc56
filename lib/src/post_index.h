// The postal-code index (krv_post.idx): seven-digit postal codes, sorted, each
// mapped to the town it belongs to.  townbuild writes it; the library loads
// it with the town stores and answers PostIndexGet by binary search.
#ifndef KUROVIA_SRC_POST_INDEX_H
#define KUROVIA_SRC_POST_INDEX_H

namespace krv {

// Load results of PostIndexLoad besides the entry count.
inline constexpr int kPostIndexNoMemory = -1;
inline constexpr int kPostIndexOpenFailed = -2;
inline constexpr int kPostIndexWrongId = -3;
inline constexpr int kPostIndexShortHeader = -4;
inline constexpr int kPostIndexShortEntries = -6;

// Results of PostIndexGet besides 0.
inline constexpr int kPostIndexNotLoaded = -1;
inline constexpr int kPostIndexNotFound = -2;
inline constexpr int kPostIndexNullOutput = -3;

}  // namespace krv

#endif  // KUROVIA_SRC_POST_INDEX_H
