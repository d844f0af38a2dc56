// Address codes and postal codes as the user writes them.
//
// An address code is written as its fields joined by colons, level first:
//
//   LEVEL:AREA[:TOWN[:SECTION[:BLOCK[:RESIDENCE]]]]     e.g. 8:13105:12:3:4:5
//
// Fields left out are 0 (5:13105:12 is the town 12 of area 13105).  Block and
// residence numbers may be negative (a named block or residence).  The same
// fields may also be given as separate numbers ("8 13105 12 3 4 5").
//
// A postal code is seven digits, ASCII or full-width, with an optional hyphen
// after the third (100-0005, 1000005, １００－０００５) and an optional 〒
// in front.
#ifndef KUROVIA_TOOLS_KUROVIA_CODE_TEXT_H
#define KUROVIA_TOOLS_KUROVIA_CODE_TEXT_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kurovia.h"

namespace krv::cli {

// The code in its written form, always with all six fields, in a fixed
// buffer (batches format one per line).
struct CodeText {
  char text[80];
  std::string_view view() const { return text; }
};
CodeText FormatCode(const AdrCode& code);

// Reads a code from one colon-joined text or from two to six separate
// numbers.  nullopt when the text is not a code: a field that is not an
// integer, fewer than two or more than six fields, a level outside 1 to 8.
std::optional<AdrCode> ParseCode(const std::vector<std::string>& words);

// Reads a postal code from Shift-JIS text; nullopt when it is not one.
std::optional<int> ParsePostalCodeSjis(std::string_view sjis);

// "1000005" -> "100-0005".
std::string FormatPostalCode(int postalCode);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_CODE_TEXT_H
