// areabuild: the area records krv_gyosei.rec from the area-name list
// krv_gyoseimei.csv of the same DB directory.
#ifndef KUROVIA_TOOLS_AREABUILD_AREABUILD_H
#define KUROVIA_TOOLS_AREABUILD_AREABUILD_H

#include <cstdint>
#include <string>
#include <vector>

#include "output.h"

namespace krv::tool {

// `areabuild dbDirName`.  Returns the exit status.
int RunAreabuild(const std::vector<std::string>& args, Output& out);

// A point of the list (degrees * 10000 + minutes * 100 + seconds, the
// seconds with a fraction) in milliseconds of arc.
int32_t PackedDmsToMilliseconds(double packed);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_AREABUILD_AREABUILD_H
