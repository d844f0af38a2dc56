// krvprep: from the public source files to the source layouts of the build
// tools.
//
//   krvprep SOURCES_DIR OUT_DIR
//   krvprep --sources SOURCES_DIR --out OUT_DIR [--variation FILE]
//
// SOURCES_DIR is laid out as the publishers name things (postal/, areas/,
// isj/town/*/, abr/town/, abr/rsdt/*/, abr/parcel/*/; any subset, files
// plain or xz-compressed).  OUT_DIR receives db/krv_gyoseimei.csv,
// db/krv_variation.csv, postal/, aza/, gaiku/ and jukyo/.
#ifndef KUROVIA_TOOLS_KRVPREP_KRVPREP_H
#define KUROVIA_TOOLS_KRVPREP_KRVPREP_H

#include <ostream>
#include <string>
#include <vector>

namespace krv::prep {

// Runs the tool on the arguments (without the program name).  Notes and the
// summary go to `out`; rows that cannot be converted, warnings and errors to
// `err`.  Returns 0 when every output was written (rows may have been
// reported), 1 when an output or an input file failed, 2 for a bad command
// line.
int RunKrvprep(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_KRVPREP_H
