// townbuild: the town records krv_cho.rec, the postal-code index
// krv_post.idx and the multi-postcode file krv_multipost.rec from a
// directory of national postal-code list files.
#ifndef KUROVIA_TOOLS_TOWNBUILD_TOWNBUILD_H
#define KUROVIA_TOOLS_TOWNBUILD_TOWNBUILD_H

#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `townbuild dbDirName sourceDirName`.  Returns the exit status.
int RunTownbuild(const std::vector<std::string>& args, Output& out);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_TOWNBUILD_TOWNBUILD_H
