// What the section and block converters share: the folders, the report, the
// Shift-JIS encoder, the area names and the town resolver, and the helpers
// for the columns every source line has.
#ifndef KUROVIA_TOOLS_KRVPREP_PREP_CONTEXT_H
#define KUROVIA_TOOLS_KRVPREP_PREP_CONTEXT_H

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "area_list.h"
#include "csv_source.h"
#include "report.h"
#include "text.h"
#include "town_names.h"
#include "variation.h"

namespace krv::prep {

struct PrepContext {
  std::filesystem::path sourceDir;
  std::filesystem::path outDir;
  Report& report;
  SjisEncoder& encoder;
  const AreaNames& areas;
  TownResolver& towns;
  const VariationList& variations;
};

// A point as the source writes it (decimal degrees, latitude first).
struct TextPoint {
  std::string lat;
  std::string lon;
  bool empty() const { return lat.empty(); }
};

// Checks a source point: nullopt when it is malformed or outside the
// country's box (latitude 20-46, longitude 122-154); an empty point (both
// fields empty) is kept as no point.
std::optional<TextPoint> CheckPoint(const std::string& lat, const std::string& lon);

// Column 2 of a source line for area `code`: the municipality as the area
// list spells it (city + ward for a ward).  Without an area list the
// source's own name is taken; with one, an area it lacks gives nullopt.
std::optional<std::string> MunicipalityColumn(const PrepContext& ctx, int code, const std::string& sourceName);

// True for a name of two digits, "_" and `tail`, where "#" in `tail` stands
// for any digit: IsSourceFileName("13_2023.csv", "####.csv").
bool IsSourceFileName(const std::string& name, std::string_view tail);

// Removes the files of `dir` named NN_`tail` (see IsSourceFileName) that are
// not in `keep`: sources of an earlier run that the build tools would
// otherwise read together with the new ones.
void RemoveStaleFiles(const std::filesystem::path& dir, std::string_view tail, const std::set<std::string>& keep,
                      Report& report);

// Opens a registry CSV and checks its header for the `required` columns;
// reports the file as an error ("not a `what`") and returns false otherwise.
bool OpenRegistryTable(CsvTable* table, const std::filesystem::path& path,
                       const std::vector<std::string_view>& required, const std::string& what, Report& report);

// Year of a registry date "YYYY-MM-DD"; 0 when there is none.
int YearOf(const std::string& date);

// The order the build tools want the lines of a source file in: the
// municipalities (`area`) in code order; within one, the towns in the order
// they first appear, the lines of each town together and its own line
// (`own`) first.  Returns indexes into `items`.
template <class Item>
std::vector<std::size_t> GroupedOrder(const std::vector<Item>& items) {
  std::map<int, std::vector<std::string>> townOrder;
  std::map<std::pair<int, std::string>, std::vector<std::size_t>> members;
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto& list = members[{items[i].area, items[i].town}];
    if (list.empty()) townOrder[items[i].area].push_back(items[i].town);
    list.push_back(i);
  }
  std::vector<std::size_t> order;
  for (const auto& [area, towns] : townOrder) {
    for (const auto& town : towns) {
      auto& list = members[{area, town}];
      std::stable_partition(list.begin(), list.end(), [&](std::size_t i) { return items[i].own; });
      order.insert(order.end(), list.begin(), list.end());
    }
  }
  return order;
}

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_PREP_CONTEXT_H
