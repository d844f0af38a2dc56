// The point kurovia shows for an address code.
#ifndef KUROVIA_TOOLS_KUROVIA_ADDRESS_POINT_H
#define KUROVIA_TOOLS_KUROVIA_ADDRESS_POINT_H

#include "kurovia.h"

namespace krv::cli {

// The point of `code` in degrees: krvAdrCode2Point's (a stored point, or
// that of the first block below), and for a town that has neither, the
// point of its first section.  A DB built without block data (the whole
// country but a few places) stores points on towns and sections only, and
// most towns have none of their own.  False when there is no point.
bool PointOf(const AdrCode& code, double* latitude, double* longitude);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_ADDRESS_POINT_H
