#include "town_names.h"

namespace krv::prep {

namespace {

constexpr std::string_view kOaza = "大字";
constexpr std::string_view kAza = "字";

std::string_view WithoutPrefix(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix ? text.substr(prefix.size()) : text;
}

}  // namespace

TownResolver::TownResolver(const PostalTowns& postal, const VariationList& variations, Report& report)
    : postal_(postal), variations_(variations), report_(report) {}

const std::vector<TownResolver::Town>& TownResolver::TownsOf(int areaCode) {
  auto it = towns_.find(areaCode);
  if (it != towns_.end()) return it->second;
  std::vector<Town> list;
  const auto names = postal_.towns.find(areaCode);
  if (names != postal_.towns.end()) {
    for (const auto& name : names->second) list.push_back(Town{name, variations_.Fold(name)});
  }
  return towns_.emplace(areaCode, std::move(list)).first->second;
}

PlacedName TownResolver::Place(int areaCode, std::string_view oaza, std::string_view rest) {
  PlacedName out;
  const std::string_view bare = WithoutPrefix(oaza, kOaza);
  if (!postal_.present()) {
    out.text = std::string(oaza) + std::string(rest);
    out.town = std::string(bare);
    out.section = std::string(WithoutPrefix(rest, kAza));
    return out;
  }
  const auto& towns = TownsOf(areaCode);

  // The town part as the postal list spells it.
  std::string town(oaza);
  bool exact = false;
  for (const auto& t : towns) {
    if (t.name == bare) {
      town = t.name;
      exact = true;
      break;
    }
  }
  if (!exact && !bare.empty()) {
    const std::string folded = variations_.Fold(bare);
    const Town* match = nullptr;
    int matches = 0;
    for (const auto& t : towns) {
      if (t.folded == folded) {
        match = &t;
        ++matches;
      }
    }
    if (matches == 1) {
      town = match->name;
      ++respelled_;
      if (notedRespellings_.emplace(areaCode, std::string(oaza), town).second) {
        report_.Note("town " + std::to_string(areaCode) + " " + std::string(oaza) + " written as " + town +
                     " (postal list spelling)");
      }
    }
  }
  out.text = town + std::string(rest);

  // The town the tools will find: the longest postal-list name (or a variant
  // of it) at the start, after a leading 大字, else after a leading 字.
  std::string_view search = WithoutPrefix(out.text, kOaza);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const std::string folded = variations_.Fold(search);
    const Town* best = nullptr;
    for (const auto& t : towns) {
      if (folded.compare(0, t.folded.size(), t.folded) == 0 && (best == nullptr || t.folded.size() > best->folded.size())) {
        best = &t;
      }
    }
    if (best != nullptr) {
      out.town = best->name;
      const std::size_t townBytes = FirstCodePoints(search, CountCodePoints(best->name)).size();
      out.section = std::string(WithoutPrefix(search.substr(townBytes), kAza));
      return out;
    }
    if (search.substr(0, kAza.size()) != kAza) break;
    search.remove_prefix(kAza.size());
  }
  // No town: the whole text lies below the municipality's own record.
  out.section = std::string(WithoutPrefix(out.text, kAza));
  return out;
}

}  // namespace krv::prep
