#include "link_reset.h"

#include "kurovia.h"
#include "layout.h"

namespace krv::tool {
namespace {

// Calls `visit` with every town record of the loaded town store; writes the
// record back when `visit` changed it.
template <class Visit>
void ForEachTown(Visit visit) {
  for (int32_t area = format::kAreaCodeMin; area < format::kAreaCodeLimit; ++area) {
    const int towns = ChoRecNumRecords(area);
    for (int32_t town = 1; town <= towns; ++town) {
      ChoRecord record{};
      if (ChoRecGet(area, town, &record) != 0) continue;
      if (visit(area, town, record)) ChoRecPut(area, town, &record);
    }
  }
}

}  // namespace

void ClearTownSectionLinks() {
  ForEachTown([](int32_t, int32_t, ChoRecord& record) {
    if (record.azaIndex == 0) return false;
    record.azaIndex = 0;
    return true;
  });
}

void ClearBlockLinks() {
  ForEachTown([](int32_t area, int32_t town, ChoRecord& record) {
    if (record.azaIndex > 0) {
      const int sections = AzaRecNumRecords(area, town);
      for (int32_t aza = 1; aza <= sections; ++aza) {
        AzaRecord section{};
        if (AzaRecGet(area, town, aza, &section) != 0 || section.gaikuIndex == 0) continue;
        section.gaikuIndex = 0;
        AzaRecPut(area, town, aza, &section);
      }
    }
    if (record.gaikuIndex == 0) return false;
    record.gaikuIndex = 0;
    return true;
  });
}

}  // namespace krv::tool
