// housebuild: the residence records krv_jukyo.rec (住居番号 of the blocks)
// from a directory of residence-number files, with every block it gives
// residences linked to its residence table in the block records
// krv_gaiku.rec.
//
// Source files are Shift-JIS text whose path holds "gou" and whose name
// ends in ".txt", named by their prefecture number (13_gou.txt), one
// residence per line, comma-separated: 1 prefecture (a line whose column 1
// holds 都道 is a heading), 2 municipality, 3 town and section, 4 block
// number or name, 5 residence number or name, 6 latitude and 7 longitude in
// decimal degrees:
//
//   東京都,文京区,白山一丁目,1,4,35.715173406,139.752242869
//
// The run starts from the residence file of the DB: the tables of blocks the
// sources do not name stay as they are; a block the sources name gets the
// sources' residences in place of those it had (in its own table, whose
// index does not change); a block without a table gets a new one.  Running
// it again on the same sources gives the same files.
#ifndef KUROVIA_TOOLS_HOUSEBUILD_HOUSEBUILD_H
#define KUROVIA_TOOLS_HOUSEBUILD_HOUSEBUILD_H

#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `housebuild krvDbDir jukyoDirName`.  Returns the exit status.
int RunHousebuild(const std::vector<std::string>& args, Output& out);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_HOUSEBUILD_HOUSEBUILD_H
