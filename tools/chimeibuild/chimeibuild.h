// chimeibuild: writes the place-name records krv_chimei25k.rec and their
// name hash krv_chimei25k.hsh from a CSV file of places (see README.md in
// this folder).
#ifndef KUROVIA_TOOLS_CHIMEIBUILD_H
#define KUROVIA_TOOLS_CHIMEIBUILD_H

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

namespace krv::tools {

// Reads `csvPath` and writes both files into `dbDir`, reporting on `out`.
// 0 when both were written; 1 when not (a line could not be read, or a file
// could not be written), after naming every bad line.
int RunChimeiBuild(const std::string& dbDir, const std::string& csvPath, std::ostream& out);

// Decimal degrees ("35.681236", "-0.5") to milliseconds of arc, truncated
// toward zero and computed exactly from the digits (up to twelve decimals
// count).  False for text that is not such a number or beyond `limitDegrees`.
bool ParseDegrees(std::string_view text, int32_t limitDegrees, int32_t& milliseconds);

}  // namespace krv::tools

#endif  // KUROVIA_TOOLS_CHIMEIBUILD_H
