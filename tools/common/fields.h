// Splitting source lines into fields, and reading numbers from fields.
#ifndef KUROVIA_TOOLS_COMMON_FIELDS_H
#define KUROVIA_TOOLS_COMMON_FIELDS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace krv::tool {

enum class Quotes {
  kNone,          // fields are taken as they stand
  kAllButLast,    // quote handling for every field but the text after the last comma
  kAll,           // quote handling for every field
};

// Splits `line` at its commas (a Shift-JIS trail byte is never taken for a
// comma) into at most `maxFields` fields of at most `maxFieldBytes` bytes
// (longer fields are cut).  With quote handling, a field that contains a
// double quote is the text after its first double quote up to its next one
// (or to its end); commas inside quotes are not protected.  The text after
// the last comma is the last field when it is not empty, line end included.
// Fields beyond the line are empty; fields beyond `maxFields` are ignored.
// Returns the number of fields found.  The views point into `line`.
std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t maxFields,
                        std::size_t maxFieldBytes, Quotes quotes);

// The line without its final line feed.
inline std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  return line;
}

// The decimal integer at the start of `field`, read as the C library's atoi
// does (leading white space, an optional sign, the digits up to the first
// other character; 0 when there are none), limited to the int32 range.
int32_t ParseInt(std::string_view field);

// The decimal floating-point number at the start of `field`, read as atof
// does; 0 when there is none.
double ParseDouble(std::string_view field);

// The integer part of `value` (truncated toward zero), limited to the int32
// range; 0 for NaN.
int32_t TruncateToInt(double value);

// A coordinate in decimal degrees, read as ParseDouble does, in
// milliseconds of arc: times 3,600,000, truncated toward zero (35.681236
// gives 128452449).
int32_t DegreesToArcMs(std::string_view field);

// True when `field` holds a number where ParseDouble reads one (white space
// before it allowed).
bool HoldsNumber(std::string_view field);

// True when `text` is not empty and holds ASCII digits only.
bool IsAsciiDigits(std::string_view text);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_FIELDS_H
