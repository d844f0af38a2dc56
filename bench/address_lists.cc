#include "address_lists.h"

#include <algorithm>
#include <cstdlib>

#include "csv_source.h"
#include "text.h"

namespace krv::bench {
namespace {

namespace fs = std::filesystem;
using krv::prep::CsvTable;
using krv::prep::LineReader;
using krv::prep::SjisToUtf8;
using krv::prep::SplitCsvLine;
using krv::prep::Utf8ToSjis;

// Adds an address given in Shift-JIS; false (and counted as skipped) when it
// has no UTF-8 form.
void AddSjis(AddressList* list, std::string sjis) {
  std::string utf8;
  if (!SjisToUtf8(sjis, &utf8)) {
    ++list->skipped;
    return;
  }
  list->sjis.push_back(std::move(sjis));
  list->utf8.push_back(std::move(utf8));
}

void AddUtf8(AddressList* list, std::string utf8) {
  std::string sjis;
  if (!Utf8ToSjis(utf8, &sjis)) {
    ++list->skipped;
    return;
  }
  list->sjis.push_back(std::move(sjis));
  list->utf8.push_back(std::move(utf8));
}

std::string ToSjis(const std::string& utf8) {
  std::string sjis;
  Utf8ToSjis(utf8, &sjis);
  return sjis;
}

}  // namespace

fs::path SourceFile(const fs::path& path) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return path;
  const fs::path xz = path.string() + ".xz";
  if (fs::is_regular_file(xz, ec)) return xz;
  return {};
}

AddressList BunkyoResidences(const fs::path& sources) {
  AddressList list{"Bunkyo residences", {}, {}, 0};
  std::vector<fs::path> masters;
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(sources / "abr" / "rsdt", ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && name.rfind("mt_rsdtdsp_rsdt_pref", 0) == 0) masters.push_back(entry.path());
  }
  std::sort(masters.begin(), masters.end());
  for (const fs::path& master : masters) {
    CsvTable table;
    if (!table.Open(master)) continue;
    const int lg = table.Column("lg_code"), ablt = table.Column("ablt_date"), town = table.Column("oaza_cho"),
              chome = table.Column("chome"), block = table.Column("blk_num"), residence = table.Column("rsdt_num");
    if (std::min({lg, ablt, town, chome, block, residence}) < 0) continue;
    const auto at = [](const std::vector<std::string>& f, int c) -> const std::string& {
      return f[static_cast<std::size_t>(c)];
    };
    std::vector<std::string> f;
    while (table.Next(&f)) {
      if (at(f, lg) != "131059" || !at(f, ablt).empty()) continue;
      AddUtf8(&list, "東京都文京区" + at(f, town) + at(f, chome) + at(f, block) + "番" + at(f, residence) + "号");
    }
  }
  return list;
}

AddressList PostalTowns(const fs::path& sources, AddressList* nonAddresses) {
  AddressList list{"postal-list towns", {}, {}, 0};
  *nonAddresses = AddressList{"non-addresses", {}, {}, 0};
  const fs::path file = SourceFile(sources / "postal" / "KEN_ALL.CSV");
  if (file.empty()) return list;
  LineReader reader;
  if (!reader.Open(file)) return list;
  const std::string open = ToSjis("（"), close = ToSjis("）");
  const std::string noTown1 = ToSjis("以下に掲載がない"), noTown2 = ToSjis("次に番地がくる");
  struct Row {
    int postalCode;
    std::string pref, city, town, reading;
  };
  std::vector<Row> rows;
  std::string line;
  while (reader.Next(&line)) {
    const auto f = SplitCsvLine(line);
    if (f.size() < 15) continue;
    const int postalCode = std::atoi(f[2].c_str());
    // A town name whose parenthesis runs on continues on the next lines.
    if (!rows.empty() && rows.back().postalCode == postalCode &&
        rows.back().town.find(open) != std::string::npos && rows.back().town.find(close) == std::string::npos) {
      rows.back().town += f[8];
      continue;
    }
    rows.push_back(Row{postalCode, f[6], f[7], f[8], f[3] + f[4] + f[5]});
  }
  for (const Row& row : rows) {
    if (row.town.find(noTown1) != std::string::npos || row.town.find(noTown2) != std::string::npos) continue;
    const std::string town = row.town.substr(0, row.town.find(open));
    AddSjis(&list, row.pref + row.city + town);
    AddSjis(nonAddresses, row.reading);
    AddSjis(nonAddresses, town);
  }
  return list;
}

AddressList WithBuildingName(const AddressList& list) {
  AddressList out{list.name + " + building", {}, {}, 0};
  const std::string building = "メゾン本郷２０１";
  const std::string buildingSjis = ToSjis(building);
  out.sjis.reserve(list.sjis.size());
  out.utf8.reserve(list.utf8.size());
  for (const auto& text : list.sjis) out.sjis.push_back(text + buildingSjis);
  for (const auto& text : list.utf8) out.utf8.push_back(text + building);
  return out;
}

}  // namespace krv::bench
