// mojiindex: writes the character index krv_moji.idx of an address DB from
// a CSV file of records (see README.md in this folder).
#ifndef KUROVIA_TOOLS_MOJIINDEX_H
#define KUROVIA_TOOLS_MOJIINDEX_H

#include <ostream>
#include <string>

namespace krv::tools {

// Reads `csvPath` and writes krv_moji.idx into `dbDir`, reporting on `out`.
// 0 when the index was written; 1 when it was not (a line could not be read,
// or the file could not be written), after naming every bad line.
int RunMojiIndex(const std::string& dbDir, const std::string& csvPath, std::ostream& out);

}  // namespace krv::tools

#endif  // KUROVIA_TOOLS_MOJIINDEX_H
