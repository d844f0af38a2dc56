// areahash: the area-name hash krv_gyosei.hsh from the area-name list and
// the notation variations of the same DB directory.
#ifndef KUROVIA_TOOLS_AREAHASH_AREAHASH_H
#define KUROVIA_TOOLS_AREAHASH_AREAHASH_H

#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `areahash dbDirName [hashSize]`.  Returns the exit status.
int RunAreahash(const std::vector<std::string>& args, Output& out);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_AREAHASH_AREAHASH_H
