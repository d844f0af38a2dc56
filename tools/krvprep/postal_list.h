// The postal list (Japan Post's KEN_ALL.CSV layout): copied into OUT/postal
// for townbuild, and read for the town names townbuild will make, which the
// section and block sources must spell the same way.
#ifndef KUROVIA_TOOLS_KRVPREP_POSTAL_LIST_H
#define KUROVIA_TOOLS_KRVPREP_POSTAL_LIST_H

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "report.h"

namespace krv::prep {

struct PostalTowns {
  // Area code -> town names (UTF-8) as townbuild cuts them, in list order,
  // without repeats.
  std::map<int, std::vector<std::string>> towns;
  // Area code -> municipality names of column 8 (with county or city).
  std::map<int, std::set<std::string>> municipalities;
  bool present() const { return !municipalities.empty(); }
};

// Copies every postal list of SOURCES/postal (*.csv, *.csv.xz decompressed)
// into OUT/postal and reads its towns.  Files that do not look like the
// 15-column postal list are left out with a note.
void PreparePostal(const std::filesystem::path& sourceDir, const std::filesystem::path& outDir, Report& report,
                   PostalTowns* towns);

// Reads one postal list (plain or xz) into `towns`, warning about the lines
// on which townbuild would stop the file (a town name over 30 bytes or a
// reading over 28 bytes that no skip rule catches).  False when the file
// does not have the 15-column layout.
bool ReadPostalTowns(const std::filesystem::path& file, Report& report, PostalTowns* towns);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_POSTAL_LIST_H
