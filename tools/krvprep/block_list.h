// Block and residence sources from the registry's residence-number data
// (abr/rsdt) and parcel data (abr/parcel).
//
// OUT/gaiku/NN_YYYY.csv, for blockbuild (Shift-JIS, LF, one header line whose
// column 1 holds 都道):
//   1 prefecture, 2 municipality, 3 town and section, 4 block number (番)
//   or lot ("lot" or "lot-branch"), 5-7 empty, 8 latitude, 9 longitude
//   (decimal degrees; empty when unknown), 10 residence flag (1 for a block
//   of the residence-indication system, with the mean point of its
//   residences; 0 for a lot), 11 empty.
// OUT/jukyo/NN_gou.txt, for housebuild (Shift-JIS, LF, no header):
//   1 prefecture, 2 municipality, 3 town and section, 4 block number,
//   5 residence number (号), 6 latitude, 7 longitude.
// Lines of one block follow each other, blocks of one town or section follow
// each other, and towns and sections are grouped as in the section sources.
#ifndef KUROVIA_TOOLS_KRVPREP_BLOCK_LIST_H
#define KUROVIA_TOOLS_KRVPREP_BLOCK_LIST_H

#include "prep_context.h"

namespace krv::prep {

void PrepareBlocks(const PrepContext& ctx);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_BLOCK_LIST_H
