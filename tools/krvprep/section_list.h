// Section sources for sectbuild: OUT/aza/NN_YYYY.csv, one file per
// prefecture, merged from the MLIT town-level position reference files and
// the registry's town list.
//
// Line layout (Shift-JIS, LF, one header line whose column 1 holds 都道):
//   1 prefecture, 2 municipality (city + ward for a ward), 3 town and
//   section (丸の内一丁目, 川崎字下河原, or the town alone), 4-7 empty,
//   8 latitude, 9 longitude (decimal degrees; empty when unknown).
// All lines of one town follow each other, the town's own line (without a
// section) first, and the towns of a municipality follow each other.
#ifndef KUROVIA_TOOLS_KRVPREP_SECTION_LIST_H
#define KUROVIA_TOOLS_KRVPREP_SECTION_LIST_H

#include "prep_context.h"

namespace krv::prep {

void PrepareSections(const PrepContext& ctx);

// Splits a town-level name into the town and its chome (霞が関二丁目 ->
// 霞が関 + 二丁目); names without a chome are all town.
std::pair<std::string, std::string> SplitChome(const std::string& name);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_SECTION_LIST_H
