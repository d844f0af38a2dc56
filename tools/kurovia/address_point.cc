#include "address_point.h"

namespace krv::cli {
namespace {

bool StoredPoint(const AdrCode& code, double* latitude, double* longitude) {
  double x = 0, y = 0;
  if (krvAdrCode2Point(&code, &x, &y) != 0 || (x == 0 && y == 0)) return false;
  *latitude = x;
  *longitude = y;
  return true;
}

}  // namespace

bool PointOf(const AdrCode& code, double* latitude, double* longitude) {
  if (StoredPoint(code, latitude, longitude)) return true;
  if (code.level != KRV_LEVEL_TOWN) return false;
  const AdrCode sections{KRV_LEVEL_SECTION, code.gyoseiCode, code.choCode, 0, 0, 0};
  int32_t first = 0;
  if (krvGetAdrRecordList(&sections, &first, 1) != 1) return false;
  const AdrCode section{KRV_LEVEL_SECTION, code.gyoseiCode, code.choCode, first, 0, 0};
  return StoredPoint(section, latitude, longitude);
}

}  // namespace krv::cli
