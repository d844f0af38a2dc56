// Spelling and grouping of town-and-section names for the section and block
// sources.
//
// The build tools find the town of a source line by its longest town name
// (from the postal list) at the start of column 3, and they start a new
// table whenever the town changes.  TownResolver therefore (a) writes the
// town part as the postal list spells it when the registry or the position
// reference data spells it another way (富ケ谷 / 富ヶ谷, 竹の塚 with 塚
// U+FA10, 大字上田 / 上田), and (b) tells which postal-list town the tools
// will take for the line, so lines can be grouped by it.
#ifndef KUROVIA_TOOLS_KRVPREP_TOWN_NAMES_H
#define KUROVIA_TOOLS_KRVPREP_TOWN_NAMES_H

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "postal_list.h"
#include "report.h"
#include "variation.h"

namespace krv::prep {

struct PlacedName {
  std::string text;  // column 3: town and section
  // The postal-list town the tools will find for `text` ("" when none: the
  // line then belongs to the municipality's own record); without a postal
  // list, the source's town name.
  std::string town;
  std::string section;  // what lies below that town, without a leading 字
};

class TownResolver {
 public:
  TownResolver(const PostalTowns& postal, const VariationList& variations, Report& report);

  // `oaza` is the town as the source names it (大字 allowed), `rest` what
  // follows it (chome, koaza), both UTF-8.
  PlacedName Place(int areaCode, std::string_view oaza, std::string_view rest);

  long respelled() const { return respelled_; }

 private:
  struct Town {
    std::string name;
    std::string folded;
  };
  const std::vector<Town>& TownsOf(int areaCode);

  const PostalTowns& postal_;
  const VariationList& variations_;
  Report& report_;
  std::map<int, std::vector<Town>> towns_;
  std::set<std::tuple<int, std::string, std::string>> notedRespellings_;
  long respelled_ = 0;
};

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_TOWN_NAMES_H
