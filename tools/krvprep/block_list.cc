#include "block_list.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

#include "csv_source.h"
#include "source_files.h"

namespace krv::prep {

namespace {

const std::string kBlocks = "gaiku";
const std::string kResidences = "jukyo";
// blockbuild and housebuild read lines of at most 255 bytes (line end
// included); names of blocks and residences go into 16-byte string slots
// (a residence name behind its "＄" mark).
constexpr std::size_t kMaxLineBytes = 254;
constexpr std::size_t kMaxBlockNameBytes = 15;
constexpr std::size_t kMaxResidenceNameBytes = 13;

struct Numbered {
  std::string number;  // ASCII digits or a name (UTF-8)
  TextPoint point;
  bool fromSubNumber = false;  // taken from a row with a sub-number
};

// One block (番) of the residence system with its residences, or one lot
// (地番) with its branches.
struct Block {
  std::string number;
  std::vector<Numbered> items;  // residences, or branches ("" = the lot itself)
  std::map<std::string, std::size_t> index;
};

// One town or section with its blocks and lots.
struct Place {
  int area = 0;
  std::string town;
  bool own = false;
  std::string head;  // columns 1-3 in Shift-JIS, with the comma after column 3
  std::vector<Block> residenceBlocks;
  std::map<std::string, std::size_t> residenceIndex;
  std::vector<Block> lots;
  std::map<std::string, std::size_t> lotIndex;
};

struct Prefecture {
  int year = 0;
  std::vector<Place> places;
  std::unordered_map<std::string, std::size_t> index;
};

// Numbers first, in value order, then names in the order they came.
std::vector<std::size_t> NumberOrder(const std::vector<std::string>& numbers) {
  std::vector<std::size_t> order(numbers.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  const auto rank = [&](std::size_t i) {
    const std::string& n = numbers[i];
    if (n.empty()) return std::make_tuple(0, std::size_t{0}, std::string(), i);
    if (IsAsciiNumber(n)) {
      const std::size_t digits = n.size() - std::min(n.find_first_not_of('0'), n.size());
      return std::make_tuple(1, digits, n.substr(n.size() - digits), i);
    }
    return std::make_tuple(2, std::size_t{0}, std::string(), i);
  };
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return rank(a) < rank(b); });
  return order;
}

std::string MeanPoint(const std::vector<Numbered>& items, bool* any) {
  double lat = 0;
  double lon = 0;
  int n = 0;
  for (const auto& item : items) {
    if (item.point.empty()) continue;
    lat += ParseDecimal(item.point.lat).value_or(0);
    lon += ParseDecimal(item.point.lon).value_or(0);
    ++n;
  }
  *any = n > 0;
  if (n == 0) return ",";
  char text[64];
  std::snprintf(text, sizeof text, "%.9f,%.9f", lat / n, lon / n);
  return text;
}

class BlockCollector {
 public:
  explicit BlockCollector(const PrepContext& ctx) : ctx_(ctx) {}

  // The place (town or section) of a row; nullptr when the row is reported.
  Place* PlaceOf(const std::string& output, int area, const std::string& oaza, const std::string& rest,
                 const std::string& sourceMunicipality, const std::filesystem::path& file, long line,
                 const std::string& rowText) {
    const auto muni = MunicipalityColumn(ctx_, area, sourceMunicipality);
    if (!muni) {
      ctx_.report.Row(output, file, line, "municipality " + std::to_string(area) + " is not in the area list", rowText);
      return nullptr;
    }
    const PlacedName placed = ctx_.towns.Place(area, oaza, rest);
    Prefecture& pref = prefectures_[area / 1000];
    const std::string key = std::to_string(area) + "," + placed.text;
    const auto known = pref.index.find(key);
    if (known != pref.index.end()) return &pref.places[known->second];
    std::string prefName, muniName, text, bad;
    if (!ctx_.encoder.Encode(ctx_.areas.Prefecture(area / 1000), &prefName, &bad) ||
        !ctx_.encoder.Encode(*muni, &muniName, &bad) || !ctx_.encoder.Encode(placed.text, &text, &bad)) {
      ctx_.report.Row(output, file, line, "no Shift-JIS form for " + bad, rowText);
      return nullptr;
    }
    if (placed.town.empty()) {
      ++ctx_.report.For(output).notes["towns and sections under no postal-list town (below the municipality)"];
    }
    Place place;
    place.area = area;
    place.town = placed.town;
    place.own = placed.section.empty();
    place.head = prefName + "," + muniName + "," + text + ",";
    pref.index.emplace(key, pref.places.size());
    pref.places.push_back(std::move(place));
    return &pref.places.back();
  }

  // Checks a block or lot number: ASCII digits, or a name without digits
  // short enough for the string file.
  bool CheckBlockNumber(const std::string& output, const std::string& number, const std::filesystem::path& file,
                        long line, const std::string& rowText) {
    std::string sjis;
    if (number.empty() || (!IsAsciiNumber(number) && HasAsciiDigit(number))) {
      ctx_.report.Row(output, file, line, "block or lot number \"" + number + "\" cannot be written for blockbuild",
                      rowText);
      return false;
    }
    if (!IsAsciiNumber(number) && (!ctx_.encoder.Encode(number, &sjis) || sjis.size() > kMaxBlockNameBytes)) {
      ctx_.report.Row(output, file, line, "block name \"" + number + "\" has no Shift-JIS form of at most 15 bytes",
                      rowText);
      return false;
    }
    return true;
  }

  bool CheckSubNumber(const std::string& output, const std::string& number, const std::filesystem::path& file,
                      long line, const std::string& rowText) {
    std::string sjis;
    if (IsAsciiNumber(number)) return true;
    if (!ctx_.encoder.Encode(number, &sjis) || sjis.size() > kMaxResidenceNameBytes) {
      ctx_.report.Row(output, file, line,
                      "residence or branch name \"" + number + "\" has no Shift-JIS form of at most 13 bytes", rowText);
      return false;
    }
    return true;
  }

  static Block& BlockIn(std::vector<Block>& blocks, std::map<std::string, std::size_t>& index,
                        const std::string& number) {
    const auto it = index.find(number);
    if (it != index.end()) return blocks[it->second];
    index.emplace(number, blocks.size());
    blocks.push_back(Block{number, {}, {}});
    return blocks.back();
  }

  void SeeDate(int area, const std::string& date) {
    int& year = prefectures_[area / 1000].year;
    year = std::max(year, YearOf(date));
  }

  void Write() {
    Report::Counts& blocks = ctx_.report.For(kBlocks);
    Report::Counts& residences = ctx_.report.For(kResidences);
    std::set<std::string> writtenBlocks;
    std::set<std::string> writtenResidences;
    std::string header;
    ctx_.encoder.Encode("都道府県名,市区町村名,大字・丁目名,街区符号・地番,,,,緯度,経度,住居表示フラグ,", &header);
    for (auto& [prefNo, pref] : prefectures_) {
      std::string blockText = header + "\n";
      std::string residenceText;
      for (const std::size_t p : GroupedOrder(pref.places)) {
        const Place& place = pref.places[p];
        WritePlace(place, &blockText, &residenceText, blocks, residences);
      }
      char name[32];
      if (blockText.size() > header.size() + 1) {
        std::snprintf(name, sizeof name, "%02d_%d.csv", prefNo, pref.year != 0 ? pref.year : 2000);
        if (WriteOutputFile(ctx_.outDir / "gaiku" / name, blockText, ctx_.report)) {
          writtenBlocks.insert(name);
          ctx_.report.Note("block source " + (ctx_.outDir / "gaiku" / name).string() + " written");
        }
      }
      if (!residenceText.empty()) {
        std::snprintf(name, sizeof name, "%02d_gou.txt", prefNo);
        if (WriteOutputFile(ctx_.outDir / "jukyo" / name, residenceText, ctx_.report)) {
          writtenResidences.insert(name);
          ctx_.report.Note("residence source " + (ctx_.outDir / "jukyo" / name).string() + " written");
        }
      }
    }
    RemoveStaleFiles(ctx_.outDir / "gaiku", "####.csv", writtenBlocks, ctx_.report);
    RemoveStaleFiles(ctx_.outDir / "jukyo", "gou.txt", writtenResidences, ctx_.report);
  }

 private:
  void WritePlace(const Place& place, std::string* blockText, std::string* residenceText, Report::Counts& blocks,
                  Report::Counts& residences) {
    for (const std::size_t b : BlockOrder(place.residenceBlocks)) {
      const Block& block = place.residenceBlocks[b];
      std::string number;
      ctx_.encoder.Encode(block.number, &number);
      bool any = false;
      const std::string mean = MeanPoint(block.items, &any);
      AppendLine(blockText, place.head + number + ",,,," + mean + ",1,", blocks);
      if (!any) ++blocks.notes["blocks without a point (no residence has one)"];
      std::vector<std::string> numbers;
      for (const auto& item : block.items) numbers.push_back(item.number);
      for (const std::size_t r : NumberOrder(numbers)) {
        const Numbered& item = block.items[r];
        std::string residence;
        ctx_.encoder.Encode(item.number, &residence);
        AppendLine(residenceText, place.head + number + "," + residence + "," + item.point.lat + "," + item.point.lon,
                   residences);
        if (item.point.empty()) ++residences.notes["residences without a point"];
      }
    }
    if (!place.lots.empty() && !place.residenceBlocks.empty()) {
      long count = 0;
      for (const auto& lot : place.lots) count += static_cast<long>(lot.items.size());
      blocks.notes["lots of towns and sections with residence numbers left out"] += count;
      return;
    }
    for (const std::size_t b : BlockOrder(place.lots)) {
      const Block& lot = place.lots[b];
      std::string number;
      ctx_.encoder.Encode(lot.number, &number);
      std::vector<std::string> branches;
      for (const auto& item : lot.items) branches.push_back(item.number);
      for (const std::size_t i : NumberOrder(branches)) {
        const Numbered& item = lot.items[i];
        std::string branch;
        ctx_.encoder.Encode(item.number, &branch);
        const std::string column4 = item.number.empty() ? number : number + "-" + branch;
        AppendLine(blockText, place.head + column4 + ",,,," + item.point.lat + "," + item.point.lon + ",0,", blocks);
        if (item.point.empty()) ++blocks.notes["lots without a point"];
      }
    }
  }

  void AppendLine(std::string* text, const std::string& line, Report::Counts& counts) {
    if (line.size() > kMaxLineBytes) {
      std::string shown;
      SjisToUtf8(line, &shown);
      ctx_.report.Warning("line longer than the 255 bytes the build tools read, left out: " + shown);
      ++counts.reported;
      return;
    }
    *text += line;
    *text += '\n';
    ++counts.written;
  }

  static std::vector<std::size_t> BlockOrder(const std::vector<Block>& blocks) {
    std::vector<std::string> numbers;
    for (const auto& b : blocks) numbers.push_back(b.number);
    return NumberOrder(numbers);
  }

  const PrepContext& ctx_;
  std::map<int, Prefecture> prefectures_;
};

// Positions of a registry position file by the joined key columns.
std::unordered_map<std::string, TextPoint> ReadPositions(const PrepContext& ctx, const std::string& output,
                                                         const std::filesystem::path& file,
                                                         const std::vector<std::string_view>& keys) {
  std::unordered_map<std::string, TextPoint> positions;
  CsvTable table;
  std::vector<std::string_view> required = keys;
  required.push_back("rep_lat");
  required.push_back("rep_lon");
  if (!OpenRegistryTable(&table, file, required, "a registry position file", ctx.report)) return positions;
  std::vector<int> columns;
  for (const auto key : keys) columns.push_back(table.Column(key));
  const int cLat = table.Column("rep_lat");
  const int cLon = table.Column("rep_lon");
  std::vector<std::string> f;
  while (table.Next(&f)) {
    std::string key;
    for (const int c : columns) key += f[static_cast<std::size_t>(c)] + ",";
    const auto point = CheckPoint(f[static_cast<std::size_t>(cLat)], f[static_cast<std::size_t>(cLon)]);
    if (!point) {
      ctx.report.Row(output, file, table.line_number(), "rep_lat/rep_lon not a point in Japan", table.line());
      continue;
    }
    if (!positions.emplace(key, *point).second) ++ctx.report.For(output).notes["repeated position rows (first kept)"];
  }
  if (!table.error().empty()) ctx.report.Error(file.string() + ": " + table.error());
  return positions;
}

// Town and what lies below it, from the registry's oaza_cho, chome and
// koaza; a koaza without an oaza is the town itself.
std::pair<std::string, std::string> TownOfRow(SjisEncoder& encoder, std::string oaza, std::string chome,
                                              std::string koaza) {
  if (oaza.empty()) std::swap(oaza, koaza);
  return {encoder.Normalize(oaza), encoder.Normalize(NormalizeChome(chome) + koaza)};
}

// Block, residence and lot numbers: ASCII digits for numbers, full-width
// kana for names (the parcel data writes some branches in half-width kana).
std::string CleanNumber(SjisEncoder& encoder, const std::string& text) {
  return encoder.Normalize(FullwidthDigitsToAscii(HalfwidthKanaToFullwidth(text)));
}

void ReadResidences(const PrepContext& ctx, const AbrPair& pair, BlockCollector& out) {
  Report::Counts& counts = ctx.report.For(kResidences);
  const std::vector<std::string_view> keys = {"lg_code", "machiaza_id", "blk_id", "rsdt_id", "rsdt2_id"};
  std::unordered_map<std::string, TextPoint> positions;
  if (pair.positions) positions = ReadPositions(ctx, kResidences, *pair.positions, keys);
  CsvTable table;
  const std::vector<std::string_view> required = {"lg_code", "machiaza_id", "blk_id",   "rsdt_id",  "rsdt2_id",
                                                  "oaza_cho", "chome",      "koaza",    "blk_num", "rsdt_num"};
  if (!OpenRegistryTable(&table, pair.master, required, "a registry residence list", ctx.report)) return;
  std::vector<std::string> f;
  const auto col = [&](std::string_view name) -> std::string {
    const int c = table.Column(name);
    return c < 0 ? std::string() : f[static_cast<std::size_t>(c)];
  };
  while (table.Next(&f)) {
    ++counts.read;
    const std::string lg = col("lg_code");
    if (lg.size() != 6 || !IsAsciiNumber(lg)) {
      ctx.report.Row(kResidences, pair.master, table.line_number(), "lg_code is not a 6-digit code", table.line());
      continue;
    }
    if (!col("ablt_date").empty()) {
      ++counts.notes["abolished rows left out"];
      continue;
    }
    const int area = std::stoi(lg.substr(0, 5));
    const auto [oaza, rest] = TownOfRow(ctx.encoder, col("oaza_cho"), col("chome"), col("koaza"));
    const std::string block = CleanNumber(ctx.encoder, col("blk_num"));
    const std::string residence = CleanNumber(ctx.encoder, col("rsdt_num"));
    const std::string sub = CleanNumber(ctx.encoder, col("rsdt_num2"));
    if (oaza.empty() || residence.empty()) {
      ctx.report.Row(kResidences, pair.master, table.line_number(), "no town or no residence number", table.line());
      continue;
    }
    if (!out.CheckBlockNumber(kResidences, block, pair.master, table.line_number(), table.line()) ||
        !out.CheckSubNumber(kResidences, residence, pair.master, table.line_number(), table.line())) {
      continue;
    }
    Place* place = out.PlaceOf(kResidences, area, oaza, rest, col("city") + col("ward"), pair.master,
                               table.line_number(), table.line());
    if (place == nullptr) continue;
    out.SeeDate(area, col("efct_date"));
    std::string key;
    for (const auto k : keys) key += col(k) + ",";
    TextPoint point;
    const auto it = positions.find(key);
    if (it != positions.end()) point = it->second;
    Block& b = BlockCollector::BlockIn(place->residenceBlocks, place->residenceIndex, block);
    const auto known = b.index.find(residence);
    if (known == b.index.end()) {
      b.index.emplace(residence, b.items.size());
      b.items.push_back(Numbered{residence, point, !sub.empty()});
      if (!sub.empty()) ++counts.notes["rows with a sub-number (rsdt_num2) written as their residence"];
      continue;
    }
    Numbered& item = b.items[known->second];
    if (!sub.empty()) {
      ++counts.notes["rows with a sub-number (rsdt_num2) written as their residence"];
    } else if (item.fromSubNumber) {
      item.point = point;  // the residence itself speaks for its sub-numbers
      item.fromSubNumber = false;
    } else {
      ++counts.notes["repeated residence rows (first kept)"];
    }
  }
  if (!table.error().empty()) ctx.report.Error(pair.master.string() + ": " + table.error());
}

void ReadParcels(const PrepContext& ctx, const AbrPair& pair, BlockCollector& out) {
  Report::Counts& counts = ctx.report.For(kBlocks);
  const std::vector<std::string_view> keys = {"lg_code", "machiaza_id", "prc_id"};
  std::unordered_map<std::string, TextPoint> positions;
  if (pair.positions) positions = ReadPositions(ctx, kBlocks, *pair.positions, keys);
  CsvTable table;
  const std::vector<std::string_view> required = {"lg_code", "machiaza_id", "prc_id",   "oaza_cho",
                                                  "chome",   "koaza",       "prc_num1", "prc_num2"};
  if (!OpenRegistryTable(&table, pair.master, required, "a registry parcel list", ctx.report)) return;
  std::vector<std::string> f;
  const auto col = [&](std::string_view name) -> std::string {
    const int c = table.Column(name);
    return c < 0 ? std::string() : f[static_cast<std::size_t>(c)];
  };
  while (table.Next(&f)) {
    ++counts.read;
    const std::string lg = col("lg_code");
    if (lg.size() != 6 || !IsAsciiNumber(lg)) {
      ctx.report.Row(kBlocks, pair.master, table.line_number(), "lg_code is not a 6-digit code", table.line());
      continue;
    }
    if (!col("ablt_date").empty()) {
      ++counts.notes["abolished rows left out"];
      continue;
    }
    const int area = std::stoi(lg.substr(0, 5));
    const auto [oaza, rest] = TownOfRow(ctx.encoder, col("oaza_cho"), col("chome"), col("koaza"));
    const std::string lot = CleanNumber(ctx.encoder, col("prc_num1"));
    const std::string branch = CleanNumber(ctx.encoder, col("prc_num2"));
    if (oaza.empty()) {
      ctx.report.Row(kBlocks, pair.master, table.line_number(), "no town", table.line());
      continue;
    }
    if (!out.CheckBlockNumber(kBlocks, lot, pair.master, table.line_number(), table.line())) continue;
    if (!branch.empty() && !IsAsciiNumber(lot)) {
      ctx.report.Row(kBlocks, pair.master, table.line_number(),
                     "a named lot with a branch number cannot be written for blockbuild", table.line());
      continue;
    }
    if (!branch.empty() && !out.CheckSubNumber(kBlocks, branch, pair.master, table.line_number(), table.line())) {
      continue;
    }
    Place* place = out.PlaceOf(kBlocks, area, oaza, rest, col("city") + col("ward"), pair.master,
                               table.line_number(), table.line());
    if (place == nullptr) continue;
    out.SeeDate(area, col("efct_date"));
    std::string key;
    for (const auto k : keys) key += col(k) + ",";
    TextPoint point;
    const auto it = positions.find(key);
    if (it != positions.end()) point = it->second;
    Block& b = BlockCollector::BlockIn(place->lots, place->lotIndex, lot);
    if (!col("prc_num3").empty()) ++counts.notes["rows with a third number (prc_num3) written as their branch"];
    if (b.index.count(branch) > 0) {
      if (col("prc_num3").empty()) ++counts.notes["repeated lot rows (first kept)"];
      continue;
    }
    b.index.emplace(branch, b.items.size());
    b.items.push_back(Numbered{branch, point, false});
  }
  if (!table.error().empty()) ctx.report.Error(pair.master.string() + ": " + table.error());
}

}  // namespace

void PrepareBlocks(const PrepContext& ctx) {
  const auto rsdt = FindAbrPairs(ctx.sourceDir / "abr" / "rsdt", "mt_rsdtdsp_rsdt", ctx.report);
  const auto parcels = FindAbrPairs(ctx.sourceDir / "abr" / "parcel", "mt_parcel", ctx.report);
  if (rsdt.empty() && parcels.empty()) {
    ctx.report.Note("no abr/rsdt or abr/parcel files: no block or residence sources written");
    return;
  }
  BlockCollector collector(ctx);
  for (const auto& pair : rsdt) ReadResidences(ctx, pair, collector);
  for (const auto& pair : parcels) ReadParcels(ctx, pair, collector);
  collector.Write();
}

}  // namespace krv::prep
