#include "number_prefix.h"

#include <cstring>

#include "kurovia.h"

namespace krv {
namespace {

// Shift-JIS spellings, in order of preference.  Every entry is one or more
// whole characters, compared at a character boundary.
struct Unit {
  const char* text;
  std::size_t length;
};
template <std::size_t N>
constexpr Unit U(const char (&text)[N]) {
  return {text, N - 1};
}

constexpr Unit kSectionUnits[] = {
    U("\x92\x9a\x96\xda"),  // 丁目
    U("\x81\x7c"),          // －
    U("\x81\x5b"),          // ー
    U("\x81\x5c"),          // ―
    U("\x81\x5d"),          // ‐
    U("-"),
    U("\x82\xcc"),  // の
    U("\x83\x6d"),  // ノ
};
constexpr Unit kBlockUnits[] = {
    U("\x94\xd4\x92\x6e"),  // 番地
    U("\x94\xd4"),          // 番
    U("\x81\x7c"),          // －
    U("\x81\x5b"),          // ー
    U("\x81\x5c"),          // ―
    U("\x81\x5d"),          // ‐
    U("-"),
    U("\x82\xcc"),          // の
    U("\x83\x6d"),          // ノ
    U("\x8a\x58\x8b\xe6"),  // 街区
};
constexpr Unit kResidenceUnits[] = {
    U("\x94\xd4\x92\x6e"),  // 番地
    U("\x8d\x86"),          // 号
    U("\x81\x7c"),          // －
    U("\x81\x5b"),          // ー
    U("\x81\x5c"),          // ―
    U("\x81\x5d"),          // ‐
    U("-"),
    U("\x82\xcc"),  // の
    U("\x83\x6d"),  // ノ
};

// The first unit of `units` that `rest` starts with.  A unit is compared
// only when its first byte matches, which rules out all but one or two.
template <std::size_t N>
int UnitLength(const char* rest, const Unit (&units)[N]) {
  for (const Unit& unit : units) {
    if (rest[0] == unit.text[0] && std::strncmp(rest, unit.text, unit.length) == 0) {
      return static_cast<int>(unit.length);
    }
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
