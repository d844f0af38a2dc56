// sectbuild: the section records krv_aza.rec (丁目・字 of every town) from a
// directory of section source files, with every town that has sections
// linked to its section table in the town records krv_cho.rec.
//
// Source files are Shift-JIS CSV named prefecture_year (13_2023.csv), one
// section per line: 1 prefecture (a line whose column 1 holds 都道 is a
// heading), 2 municipality, 3 town and section (丸の内一丁目, 大字大原字中通),
// 8 latitude and 9 longitude in decimal degrees (optional).  A section
// takes the point of its first line; the first line that names a town
// without a section gives the town its point, and a town without such a
// line (and without a point) takes the point of its first section that has
// one.
#ifndef KUROVIA_TOOLS_SECTBUILD_SECTBUILD_H
#define KUROVIA_TOOLS_SECTBUILD_SECTBUILD_H

#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `sectbuild krvDbDir sourceDir [noUpdate]`: noUpdate 1 leaves krv_cho.rec
// as it is.  Returns the exit status.
int RunSectbuild(const std::vector<std::string>& args, Output& out);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_SECTBUILD_SECTBUILD_H
