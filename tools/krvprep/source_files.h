// Finding the publishers' files in a sources folder laid out like
//   isj/town/<any>/NN_YYYY.csv            MLIT town-level position reference
//   abr/town/mt_town_prefNN.csv           registry town list (+ mt_town_pos_...)
//   abr/rsdt/<any>/mt_rsdtdsp_rsdt_...    registry residence numbers (+ _pos_)
//   abr/parcel/<any>/mt_parcel_cityNNNNNN registry parcels (+ _pos_)
// Every file may also be given xz-compressed (name + ".xz").
#ifndef KUROVIA_TOOLS_KRVPREP_SOURCE_FILES_H
#define KUROVIA_TOOLS_KRVPREP_SOURCE_FILES_H

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "report.h"

namespace krv::prep {

struct IsjFile {
  int pref = 0;
  int year = 0;
  std::filesystem::path path;
};

// isj/town/*/NN_YYYY.csv and isj/town/NN_YYYY.csv, sorted by path.
std::vector<IsjFile> FindIsjTownFiles(const std::filesystem::path& sourceDir, Report& report);

// A registry master file and its position extension.
struct AbrPair {
  std::filesystem::path master;
  std::optional<std::filesystem::path> positions;
};

// Registry files `base`_prefNN.csv / `base`_cityNNNNNN.csv in `dir` and in
// its sub-folders, each with `base`_pos_<same>.csv when present, sorted by
// path.  Other files are noted as left out.
std::vector<AbrPair> FindAbrPairs(const std::filesystem::path& dir, const std::string& base, Report& report);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_SOURCE_FILES_H
