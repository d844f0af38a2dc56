#include "number_prefix.h"

#include <cstring>

#include "kurovia.h"

namespace krv {
namespace {

// Shift-JIS spellings, in order of preference.  Every entry is one or more
// whole characters, compared at a character boundary.
constexpr const char* kSectionUnits[] = {
    "\x92\x9a\x96\xda",  // 丁目
    "\x81\x7c",          // －
    "\x81\x5b",          // ー
    "\x81\x5c",          // ―
    "\x81\x5d",          // ‐
    "-",
    "\x82\xcc",  // の
    "\x83\x6d",  // ノ
};
constexpr const char* kBlockUnits[] = {
    "\x94\xd4\x92\x6e",  // 番地
    "\x94\xd4",          // 番
    "\x81\x7c",          // －
    "\x81\x5b",          // ー
    "\x81\x5c",          // ―
    "\x81\x5d",          // ‐
    "-",
    "\x82\xcc",          // の
    "\x83\x6d",          // ノ
    "\x8a\x58\x8b\xe6",  // 街区
};
constexpr const char* kResidenceUnits[] = {
    "\x94\xd4\x92\x6e",  // 番地
    "\x8d\x86",          // 号
    "\x81\x7c",          // －
    "\x81\x5b",          // ー
    "\x81\x5c",          // ―
    "\x81\x5d",          // ‐
    "-",
    "\x82\xcc",  // の
    "\x83\x6d",  // ノ
};

template <std::size_t N>
int UnitLength(const char* rest, const char* const (&units)[N]) {
  for (const char* unit : units) {
    const std::size_t n = std::strlen(unit);
    if (std::strncmp(rest, unit, n) == 0) return static_cast<int>(n);
  }
  return 0;
}

}  // namespace

NumberPrefix ReadNumberPrefix(const char* text, NumberUnits units) {
  int digits = 0;
  const uint32_t value = NumStr2Int(text, &digits);
  if (digits == 0) return {0, 0};
  const char* rest = text + digits;
  int unit = 0;
  switch (units) {
    case NumberUnits::kSection:
      unit = UnitLength(rest, kSectionUnits);
      break;
    case NumberUnits::kBlock:
      unit = UnitLength(rest, kBlockUnits);
      break;
    case NumberUnits::kResidence:
      unit = UnitLength(rest, kResidenceUnits);
      break;
  }
  return {value, digits + unit};
}

}  // namespace krv
