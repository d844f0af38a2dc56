// Placing a source line of the section and block sources: its municipality
// (column 2) and its town (the start of column 3), within the prefecture
// named by the file name.
#ifndef KUROVIA_TOOLS_COMMON_SOURCE_LINE_H
#define KUROVIA_TOOLS_COMMON_SOURCE_LINE_H

#include <cstdint>
#include <string_view>

#include "output.h"

namespace krv::tool {

struct ResolvedLine {
  int32_t areaCode = 0;
  int32_t townNo = 0;
  // Bytes at the start of column 3 that the town name covered (0 when the
  // line lies below the area's own town 1).
  int townLength = 0;
};

// Resolves the municipality and the town of one line through the loaded
// area and town stores.  On failure prints the line's Ignored line
// (" Ignored_1" to " Ignored_6", with the line number and both columns) and
// returns false; the caller skips the line.
bool ResolveSourceLine(Output& out, std::string_view municipality, std::string_view townText,
                       int prefNo, int lineNo, ResolvedLine* result);

// True when column 1 of a line marks a heading (it holds 都道, as in
// 都道府県名).
bool IsHeadingLine(std::string_view column1);

// The section of a resolved line: the rest of column 3 after the town name,
// looked up in the town's sections with krvGetAzaCode.  `azaNo` is 0 when
// nothing follows the town name or no section of the town is named (the
// line then lies directly under its town).  When the lookup fails, prints
// " Ignored_7" with the line number, the result and both columns, and
// returns false; the caller skips the line.
bool ResolveLineSection(Output& out, std::string_view municipality, std::string_view townText, int lineNo,
                        const ResolvedLine& line, int32_t* azaNo);

}  // namespace krv::tool

#endif  // KUROVIA_TOOLS_COMMON_SOURCE_LINE_H
