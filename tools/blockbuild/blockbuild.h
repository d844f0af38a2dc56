// blockbuild: the block records krv_gaiku.rec (街区・地番 of every town
// without sections and of every section), the residence records
// krv_jukyo.rec and the string file krv_string.rec of named blocks and
// residences, from a directory of block source files; every town and section
// that has blocks is linked to its block table (krv_cho.rec, krv_aza.rec).
//
// Source files are Shift-JIS CSV named prefecture_year (13_2023.csv), one
// block or lot per line: 1 prefecture (a line whose column 1 holds 都道 is a
// heading), 2 municipality, 3 town and section, 4 block (12, 12-3, 12の3,
// 12街区, 甲12, イ), 8 latitude and 9 longitude in decimal degrees, 10 the
// residence flag of the table the line starts.  Consecutive lines of one
// block make one block record whose residence table holds all their
// residences.
#ifndef KUROVIA_TOOLS_BLOCKBUILD_BLOCKBUILD_H
#define KUROVIA_TOOLS_BLOCKBUILD_BLOCKBUILD_H

#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `blockbuild krvDbDir gaikuDirName`.  Returns the exit status.
int RunBlockbuild(const std::vector<std::string>& args, Output& out);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_BLOCKBUILD_BLOCKBUILD_H
