// Calendar date <-> Julian day (Meeus).  The inverse conversion multiplies by
// the reciprocals of 36524.25, 365.25 and 30.6001 instead of dividing; at a
// few exact boundaries that decides which way a truncation goes, and stored
// results rely on it, so the factors are kept as they are.
#include <cmath>
#include <cstdint>

#include "dlgutil.h"

namespace {

constexpr double kReciprocalCentury = 2.7379070069885075e-05;  // 1 / 36524.25
constexpr double kReciprocalYear = 0.0027378507871321013;      // 1 / 365.25
constexpr double kReciprocalMonth = 0.03267963176590926;       // 1 / 30.6001
constexpr double kGregorianStart = 2299161.0;                  // 1582-10-15
// Beyond this many days the year no longer fits in 32 bits.
constexpr double kLargestDay = 7.0e11;
constexpr int32_t kNoWeekday = -7;

}  // namespace

extern "C" double Date2JulianDay(int32_t year, int32_t month, int32_t day) {
  // 64-bit arithmetic: no overflow for any 32-bit input.
  int64_t y = year;
  int64_t m = month;
  if (month <= 2) {
    y -= 1;
    m += 12;
  }
  const int64_t a = y / 100;
  const int64_t b = 2 - a + a / 4;
  double c = 365.25 * static_cast<double>(y);
  if (y <= 0) c -= 0.75;
  const double d = std::floor(30.6001 * static_cast<double>(m + 1));
  return d + std::trunc(c) + static_cast<double>(b) + static_cast<double>(day) + 1720994.5;
}

extern "C" int32_t JulianDay2Date(double jd, int32_t* year, int32_t* month, int32_t* day) {
  auto store = [&](int32_t y, int32_t m, int32_t d) {
    if (year != nullptr) *year = y;
    if (month != nullptr) *month = m;
    if (day != nullptr) *day = d;
  };
  if (!std::isfinite(jd) || std::fabs(jd) > kLargestDay) {
    store(0, 0, 0);
    return kNoWeekday;
  }
  const double z = std::floor(jd + 0.5);
  const double f = jd + 0.5 - z;
  double a = std::trunc(z);
  if (z >= kGregorianStart) {
    const double alpha = std::trunc((z - 1867216.25) * kReciprocalCentury);
    a = std::trunc(z + 1 + alpha - std::trunc(alpha / 4));
  }
  const double b = a + 1524;
  const double c = std::trunc((b - 122.1) * kReciprocalYear);
  const double d = std::trunc(365.25 * c);
  const double e = std::trunc((b - d) * kReciprocalMonth);
  const double dayOfMonth = std::trunc(b - d - std::floor(30.6001 * e) + f);
  const double m = e < 13.5 ? e - 1 : e - 13;
  const double y = m > 2.5 ? c - 4716 : c - 4715;
  store(static_cast<int32_t>(y), static_cast<int32_t>(m), static_cast<int32_t>(dayOfMonth));
  return static_cast<int32_t>(std::fmod(std::trunc(jd) + 2, 7.0));
}
