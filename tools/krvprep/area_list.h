// The area-name list krv_gyoseimei.csv for the whole country, built from the
// address base registry's prefecture and municipality lists (areas/).
//
// Line layout (14 columns, Shift-JIS, LF line ends, one header line):
//   1 line number, 2 kind word, 3 area code, 4 parent code, 5 name,
//   6 reading (full-width hiragana), 7 latitude and 8 longitude as packed
//   degrees-minutes-seconds (D*10000 + M*100 + S.ssss; 0 = no point),
//   9-11 0, 12 the registry's 6-digit code (empty for areas the registry
//   does not list), 13-14 empty.
#ifndef KUROVIA_TOOLS_KRVPREP_AREA_LIST_H
#define KUROVIA_TOOLS_KRVPREP_AREA_LIST_H

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "postal_list.h"
#include "report.h"
#include "text.h"

namespace krv::prep {

struct GeoPoint {
  double lat = 0;
  double lon = 0;
};

enum class AreaKind { kPrefecture = 1, kSubprefecture = 2, kCountyOrCity = 3, kMunicipality = 4 };

struct AreaLine {
  AreaKind kind = AreaKind::kMunicipality;
  int code = 0;
  int parent = 0;       // column 4
  std::string name;     // UTF-8
  std::string reading;  // UTF-8 hiragana
  std::optional<GeoPoint> point;
  std::string registryCode;  // 6 digits, empty for derived areas
  bool alias = false;        // a second name of a municipality (postal list spelling)
  std::filesystem::path sourceFile;  // where the line comes from, for reports
  long sourceLine = 0;
};

// Names the section and block sources write in their columns 1 and 2.
struct AreaNames {
  std::map<int, std::string> prefectures;     // prefecture number -> name
  std::map<int, std::string> municipalities;  // area code -> name (city + ward for a ward)
  bool present() const { return !municipalities.empty(); }
  // Prefecture name: from the lists, else the standard name.
  std::string Prefecture(int prefNo) const;
};

// Packs decimal degrees as degrees*10000 + minutes*100 + seconds with four
// decimals.  The last decimal holds half a millisecond of arc, so a reader
// that truncates at every step (as areabuild does) lands on the millisecond
// nearest to the source point.
std::string PackDms(double degrees);

// Reads SOURCES/areas, writes OUT/db/krv_gyoseimei.csv and fills `names`.
// The postal list (when read before) adds the municipality spellings it uses
// that differ from the registry (三宅島三宅村 for 三宅村) as alias lines.
void PrepareAreaList(const std::filesystem::path& sourceDir, const std::filesystem::path& outDir,
                     const PostalTowns& postal, SjisEncoder& encoder, Report& report, AreaNames* names,
                     std::vector<AreaLine>* lines = nullptr);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_AREA_LIST_H
