// Designated city of a ward code.
//
// Wards of designated cities and Tokyo's special wards have local numbers
// 100 to 199, and most cities own a 30-wide block of them starting at 100,
// 130, 160 or 190 (13101 -> 13100).  Two cities break that grid: Sakai (its
// wards 27141-27147 would fall into Osaka's block) is 27140, and Sagamihara
// (14151-14153 would fall into Kawasaki's block 14130) is 14150.
#include "kurovia.h"

extern "C" KRV_API int krvGetSeireiCode(int32_t gyoseiCode) {
  const int32_t local = gyoseiCode % 1000;
  const int32_t pref = gyoseiCode / 1000;
  if (local < 100 || local > 199) return -1;
  if (pref == 27 && local >= 141 && local <= 147) return 27140;  // Sakai
  if (pref == 14 && local >= 151 && local <= 153) return 14150;  // Sagamihara
  return pref * 1000 + 100 + 30 * ((local - 100) / 30);
}
