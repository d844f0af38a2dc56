// The area-name list krv_gyoseimei.csv, read by areabuild and areahash.
//
// One area a line, comma-separated without quoting: 1 line label, 2 kind
// word, 3 area code, 4 code of the containing county or designated city,
// 5 name, 6 reading in hiragana, 7 and 8 the point as packed
// degrees-minutes-seconds, 9 to 11 three values carried into the record.
// Lines whose column 2 is not a kind word (headings, comments) are skipped.
#ifndef KUROVIA_TOOLS_COMMON_AREA_LIST_H
#define KUROVIA_TOOLS_COMMON_AREA_LIST_H

#include <cstddef>
#include <string_view>

#include "line_reader.h"

namespace krv::tool {

inline constexpr std::size_t kAreaListPieceBytes = 255;
inline constexpr std::size_t kAreaListFieldBytes = 255;
// A name has 2 to 11 double-byte characters.
inline constexpr std::size_t kMinAreaNameBytes = 4;
inline constexpr std::size_t kMaxAreaNameBytes = 22;

// Kind of column 2: 1 prefecture (都道府県名), 2 subprefecture (支庁名), 3
// county or designated city (郡政令市名), 4 municipality (市区町村名); 0 for
// anything else.
int AreaKindOf(std::string_view word);

// Reads the next line of the list and splits it into `count` fields (its
// line end removed).  Empty lines are passed over.  False at the end of the
// list or on a read error (LineReader::error tells which).
bool ReadAreaListLine(LineReader& reader, std::string_view* fields, std::size_t count);

inline bool AreaNameLengthOk(std::string_view name) {
  return name.size() >= kMinAreaNameBytes && name.size() <= kMaxAreaNameBytes;
}

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_AREA_LIST_H
