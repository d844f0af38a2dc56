#include "section_list.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "csv_source.h"
#include "source_files.h"

namespace krv::prep {

namespace {

const std::string kOutput = "aza";
// sectbuild reads a line of at most 255 bytes (line end included) and keeps
// section names of at most 30 bytes.
constexpr std::size_t kMaxLineBytes = 254;
constexpr std::size_t kMaxSectionBytes = 30;

struct Entry {
  int area = 0;
  std::string town;     // grouping key (UTF-8)
  bool own = false;     // the town's own line, without a section
  std::string line;     // columns 1-7 in Shift-JIS, up to the comma before column 8
  TextPoint point;
};

struct Prefecture {
  int isjYear = 0;
  int registryYear = 0;
  std::vector<Entry> entries;
  std::unordered_map<std::string, std::size_t> byName;  // area + folded name -> entry
};

class SectionCollector {
 public:
  explicit SectionCollector(const PrepContext& ctx) : ctx_(ctx), counts_(ctx.report.For(kOutput)) {}

  // One source row: the town (oaza) and what lies below it, with its point.
  void Add(int area, const std::string& oaza, const std::string& rest, const TextPoint& point,
           const std::string& sourceMunicipality, const std::filesystem::path& file, long line,
           const std::string& rowText, bool rowIsSjis) {
    const auto muni = MunicipalityColumn(ctx_, area, sourceMunicipality);
    if (!muni) {
      ctx_.report.Row(kOutput, file, line, "municipality " + std::to_string(area) + " is not in the area list",
                      rowText, rowIsSjis);
      return;
    }
    const PlacedName placed = ctx_.towns.Place(area, oaza, rest);
    Prefecture& pref = prefectures_[area / 1000];
    // Two lines are one when the tools would read them as the same town and
    // section (sectbuild drops a leading 字 from section names).
    const std::string key = std::to_string(area) + "," + ctx_.variations.Fold(placed.town) + "," +
                            ctx_.variations.Fold(placed.section);
    const auto known = pref.byName.find(key);
    if (known != pref.byName.end()) {
      Entry& e = pref.entries[known->second];
      if (e.point.empty() && !point.empty()) e.point = point;
      ++counts_.notes["rows merged into an earlier line of the same name"];
      return;
    }
    std::string prefName, muniName, text, section, bad;
    if (!ctx_.encoder.Encode(ctx_.areas.Prefecture(area / 1000), &prefName, &bad) ||
        !ctx_.encoder.Encode(*muni, &muniName, &bad) || !ctx_.encoder.Encode(placed.text, &text, &bad) ||
        !ctx_.encoder.Encode(placed.section, &section, &bad)) {
      ctx_.report.Row(kOutput, file, line, "no Shift-JIS form for " + bad, rowText, rowIsSjis);
      return;
    }
    if (section.size() > kMaxSectionBytes) {
      ctx_.report.Row(kOutput, file, line,
                      "section name " + placed.section + " is longer than the 30 bytes sectbuild keeps", rowText,
                      rowIsSjis);
      return;
    }
    if (placed.town.empty()) ++counts_.notes["lines under no postal-list town (they go below the municipality)"];
    Entry e;
    e.area = area;
    e.town = placed.town;
    e.own = placed.section.empty();
    e.line = prefName + "," + muniName + "," + text + ",,,,,";
    e.point = point;
    if (e.line.size() + point.lat.size() + point.lon.size() + 1 > kMaxLineBytes) {
      ctx_.report.Row(kOutput, file, line, "line longer than the 255 bytes sectbuild reads", rowText, rowIsSjis);
      return;
    }
    pref.byName.emplace(key, pref.entries.size());
    pref.entries.push_back(std::move(e));
  }

  void SetIsjYear(int pref, int year) { prefectures_[pref].isjYear = std::max(prefectures_[pref].isjYear, year); }
  void SeeRegistryDate(int pref, const std::string& date) {
    prefectures_[pref].registryYear = std::max(prefectures_[pref].registryYear, YearOf(date));
  }

  void Write() {
    const auto dir = ctx_.outDir / "aza";
    std::set<std::string> written;
    for (auto& [prefNo, pref] : prefectures_) {
      if (pref.entries.empty()) continue;
      int year = pref.isjYear != 0 ? pref.isjYear : pref.registryYear;
      if (year == 0) year = 2000;
      char name[32];
      std::snprintf(name, sizeof name, "%02d_%d.csv", prefNo, year);
      std::string header;
      ctx_.encoder.Encode("都道府県名,市区町村名,大字町丁目名,,,,,緯度,経度", &header);
      std::string text = header + "\n";
      for (const std::size_t i : GroupedOrder(pref.entries)) {
        const Entry& e = pref.entries[i];
        text += e.line + e.point.lat + "," + e.point.lon + "\n";
        ++counts_.written;
        if (e.point.empty()) ++counts_.notes["lines without a point"];
      }
      if (WriteOutputFile(dir / name, text, ctx_.report)) {
        written.insert(name);
        ctx_.report.Note("section source " + (dir / name).string() + " written");
      }
    }
    RemoveStaleFiles(dir, "####.csv", written, ctx_.report);
  }

 private:
  const PrepContext& ctx_;
  Report::Counts& counts_;
  std::map<int, Prefecture> prefectures_;
};

void ReadIsjFile(const PrepContext& ctx, const IsjFile& file, SectionCollector& out) {
  Report::Counts& counts = ctx.report.For(kOutput);
  LineReader reader;
  if (!reader.Open(file.path)) {
    ctx.report.Error(file.path.string() + ": " + reader.error());
    return;
  }
  out.SetIsjYear(file.pref, file.year);
  std::string line;
  while (reader.Next(&line)) {
    if (reader.line_number() == 1 || line.empty()) continue;  // the header
    ++counts.read;
    const auto f = SplitCsvLine(line);
    std::vector<std::string> u(f.size());
    bool converted = f.size() >= 8;
    for (std::size_t i = 0; converted && i < f.size(); ++i) converted = SjisToUtf8(f[i], &u[i]);
    if (!converted) {
      ctx.report.Row(kOutput, file.path, reader.line_number(), "not a town-level position line", line, true);
      continue;
    }
    const auto area = ParseInteger(u[2]);
    if (!area || u[2].size() != 5 || *area / 1000 != file.pref) {
      ctx.report.Row(kOutput, file.path, reader.line_number(),
                     "municipality code is not a 5-digit code of prefecture " + std::to_string(file.pref), line, true);
      continue;
    }
    if (u[5].empty()) {
      ctx.report.Row(kOutput, file.path, reader.line_number(), "no town name", line, true);
      continue;
    }
    const auto point = CheckPoint(u[6], u[7]);
    if (!point) {
      ctx.report.Row(kOutput, file.path, reader.line_number(), "latitude/longitude not a point in Japan", line, true);
      continue;
    }
    const auto [town, chome] = SplitChome(NormalizeChome(u[5]));
    out.Add(static_cast<int>(*area), town, chome, *point, u[3], file.path, reader.line_number(), line, true);
  }
  if (!reader.error().empty()) ctx.report.Error(file.path.string() + ": " + reader.error());
}

struct TownPosition {
  TextPoint point;
  bool used = false;
};

void ReadRegistryTowns(const PrepContext& ctx, const AbrPair& pair, SectionCollector& out) {
  Report::Counts& counts = ctx.report.For(kOutput);
  std::unordered_map<std::string, TownPosition> positions;
  if (pair.positions) {
    CsvTable table;
    if (OpenRegistryTable(&table, *pair.positions, {"lg_code", "machiaza_id", "rep_lat", "rep_lon"},
                          "a registry town position file", ctx.report)) {
      std::vector<std::string> f;
      const auto col = [&](const char* name) -> const std::string& { return f[static_cast<std::size_t>(table.Column(name))]; };
      while (table.Next(&f)) {
        const std::string key = col("lg_code") + "," + col("machiaza_id");
        const auto point = CheckPoint(col("rep_lat"), col("rep_lon"));
        if (!point) {
          ctx.report.Row(kOutput, *pair.positions, table.line_number(), "rep_lat/rep_lon not a point in Japan",
                         table.line());
          continue;
        }
        if (!positions.emplace(key, TownPosition{*point, false}).second) {
          ++counts.notes["position rows repeating an earlier one (first kept)"];
        }
      }
      if (!table.error().empty()) ctx.report.Error(pair.positions->string() + ": " + table.error());
    }
  }
  CsvTable table;
  const std::vector<std::string_view> required = {"lg_code", "machiaza_id", "oaza_cho", "chome", "koaza"};
  if (!OpenRegistryTable(&table, pair.master, required, "a registry town list", ctx.report)) return;
  std::vector<std::string> f;
  const auto col = [&](const char* name) -> std::string {
    const int c = table.Column(name);
    return c < 0 ? std::string() : f[static_cast<std::size_t>(c)];
  };
  while (table.Next(&f)) {
    ++counts.read;
    const std::string lg = col("lg_code");
    if (lg.size() != 6 || !IsAsciiNumber(lg)) {
      ctx.report.Row(kOutput, pair.master, table.line_number(), "lg_code is not a 6-digit code", table.line());
      continue;
    }
    const int area = std::stoi(lg.substr(0, 5));
    if (!col("ablt_date").empty()) {
      ++counts.notes["abolished rows left out"];
      continue;
    }
    // The registry gives some towns as a koaza without an oaza (Yakushima's
    // 安房, 小島, ...): the koaza is then the town.
    std::string oaza = col("oaza_cho");
    std::string koaza = col("koaza");
    if (oaza.empty()) std::swap(oaza, koaza);
    if (oaza.empty()) {
      ++counts.notes["municipality-level rows without a town left out"];
      continue;
    }
    TextPoint point;
    auto it = positions.find(lg + "," + col("machiaza_id"));
    if (it != positions.end()) {
      point = it->second.point;
      it->second.used = true;
    }
    out.SeeRegistryDate(area / 1000, col("efct_date"));
    out.Add(area, ctx.encoder.Normalize(oaza), ctx.encoder.Normalize(NormalizeChome(col("chome")) + koaza), point,
            col("city") + col("ward"), pair.master, table.line_number(), table.line(), false);
  }
  if (!table.error().empty()) ctx.report.Error(pair.master.string() + ": " + table.error());
  long unused = 0;
  for (const auto& [key, position] : positions) unused += position.used ? 0 : 1;
  if (unused > 0) counts.notes["position rows without a row in the town list"] += unused;
}

}  // namespace

std::pair<std::string, std::string> SplitChome(const std::string& name) {
  static constexpr std::string_view kChome = "丁目";
  static const std::u32string kNumerals = U"一二三四五六七八九十百千";
  if (name.size() <= kChome.size() || name.compare(name.size() - kChome.size(), kChome.size(), kChome) != 0) {
    return {name, ""};
  }
  // Walk back over the kanji numerals before 丁目 (three bytes each).
  std::size_t start = name.size() - kChome.size();
  while (start >= 3) {
    std::size_t pos = start - 3;
    if (kNumerals.find(NextCodePoint(name, &pos)) == std::u32string::npos) break;
    start -= 3;
  }
  if (start == 0 || start == name.size() - kChome.size()) return {name, ""};
  return {name.substr(0, start), name.substr(start)};
}

void PrepareSections(const PrepContext& ctx) {
  const auto isj = FindIsjTownFiles(ctx.sourceDir, ctx.report);
  const auto registry = FindAbrPairs(ctx.sourceDir / "abr" / "town", "mt_town", ctx.report);
  if (isj.empty() && registry.empty()) {
    ctx.report.Note("no isj/town or abr/town files: no section sources written");
    return;
  }
  SectionCollector collector(ctx);
  for (const auto& file : isj) ReadIsjFile(ctx, file, collector);
  for (const auto& pair : registry) ReadRegistryTowns(ctx, pair, collector);
  collector.Write();
}

}  // namespace krv::prep
