// townhash: the town-name hash krv_cho.hsh from the town records and the
// notation variations of the same DB directory.
#ifndef KUROVIA_TOOLS_TOWNHASH_TOWNHASH_H
#define KUROVIA_TOOLS_TOWNHASH_TOWNHASH_H

#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `townhash dbDirPath [hashSizeFactor]`.  Returns the exit status.
int RunTownhash(const std::vector<std::string>& args, Output& out);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_TOWNHASH_TOWNHASH_H
