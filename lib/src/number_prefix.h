// The leading number of an address part, as the section, block and residence
// searches read it: "2丁目", "12番地", "5-3", "３号", "一丁目".
#ifndef KUROVIA_SRC_NUMBER_PREFIX_H
#define KUROVIA_SRC_NUMBER_PREFIX_H

#include <cstdint>

namespace krv {

// Which units and separators may close the number, by address level.
enum class NumberUnits {
  kSection,    // 丁目, then － ー ― ‐ - の ノ
  kBlock,      // 番地, then 番 － ー ― ‐ - の ノ, then 街区
  kResidence,  // 番地, then 号 － ー ― ‐ - の ノ
};

struct NumberPrefix {
  uint32_t value;  // 0 when the text does not begin with a numeral
  int length;      // bytes of `text` the number and its unit cover; 0 without a number
};

// Reads the number at the start of `text` (ASCII or full-width digits, kanji
// numerals).  The length covers the number, plus the first unit of the
// level's list that starts right after it.  A unit further on in the text is
// not counted: in "2 グリーンハイツ" the ー belongs to the building name.
NumberPrefix ReadNumberPrefix(const char* text, NumberUnits units);

}  // namespace krv

#endif  // KUROVIA_SRC_NUMBER_PREFIX_H
