#include "area_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <tuple>

#include "csv_source.h"
#include "prep_context.h"

namespace krv::prep {

namespace {

const std::string kOutput = "krv_gyoseimei.csv";

constexpr const char* kPrefectureNames[] = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県", "福島県", "茨城県", "栃木県", "群馬県",
    "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県", "石川県", "福井県", "山梨県", "長野県",
    "岐阜県", "静岡県", "愛知県", "三重県", "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県",
    "鳥取県", "島根県", "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県", "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};

struct Subprefecture {
  int code;
  const char* name;
  const char* reading;
  int width;  // local numbers of its municipalities: code .. code + width - 1
};

// Hokkaido's subprefectures (総合振興局 and 振興局 since 2010) own the 30-wide
// blocks of local numbers their towns and villages fall in; Tokyo's island
// subprefectures own 20-wide blocks.  The names are the ones addresses and
// offices use today.
constexpr Subprefecture kSubprefectures[] = {
    {1300, "石狩振興局", "いしかりしんこうきょく", 30},
    {1330, "渡島総合振興局", "おしまそうごうしんこうきょく", 30},
    {1360, "檜山振興局", "ひやましんこうきょく", 30},
    {1390, "後志総合振興局", "しりべしそうごうしんこうきょく", 30},
    {1420, "空知総合振興局", "そらちそうごうしんこうきょく", 30},
    {1450, "上川総合振興局", "かみかわそうごうしんこうきょく", 30},
    {1480, "留萌振興局", "るもいしんこうきょく", 30},
    {1510, "宗谷総合振興局", "そうやそうごうしんこうきょく", 30},
    {1540, "オホーツク総合振興局", "おほーつくそうごうしんこうきょく", 30},
    {1570, "胆振総合振興局", "いぶりそうごうしんこうきょく", 30},
    {1600, "日高振興局", "ひだかしんこうきょく", 30},
    {1630, "十勝総合振興局", "とかちそうごうしんこうきょく", 30},
    {1660, "釧路総合振興局", "くしろそうごうしんこうきょく", 30},
    {1690, "根室振興局", "ねむろしんこうきょく", 30},
    {13360, "大島支庁", "おおしましちょう", 20},
    {13380, "三宅支庁", "みやけしちょう", 20},
    {13400, "八丈支庁", "はちじょうしちょう", 20},
    {13420, "小笠原支庁", "おがさわらしちょう", 20},
};

// The groups of local numbers the area records use for parents:
// Step(C, a) = a * floor((L - 300) / a) + P * 1000 + 300.
int Step(int code, int width) {
  const int pref = code / 1000;
  const int local = code % 1000;
  return width * ((local - 300) / width) + pref * 1000 + 300;
}

// County of a town or village outside Hokkaido, the way the area records
// compute it: 20-wide blocks, with Okinawa's counties of 宮古 and 八重山 and
// the big 島尻 block handled apart.
int CountyBlock(int code) {
  if (code / 1000 == 47) {
    if (code <= 47340) return Step(code, 20);
    if (code <= 47370) return 47340;
    if (code <= 47380) return 47370;
    return 47380;
  }
  return Step(code, 20);
}

const Subprefecture* SubprefectureOf(int code) {
  const int local = code % 1000;
  if (local < 300) return nullptr;
  const int pref = code / 1000;
  if (pref == 1) {
    const int block = Step(code, 30);
    for (const auto& s : kSubprefectures) {
      if (s.code == block) return &s;
    }
  } else if (pref == 13 && code >= 13360) {
    const int block = Step(code, 20);
    for (const auto& s : kSubprefectures) {
      if (s.code == block) return &s;
    }
  }
  return nullptr;
}

// Local-government codes carry a check digit: (11 - sum(d_i * (7 - i)) mod 11)
// mod 10 over the five digits.
bool CheckDigitOk(const std::string& code6) {
  int sum = 0;
  for (int i = 0; i < 5; ++i) sum += (code6[static_cast<std::size_t>(i)] - '0') * (6 - i);
  return (11 - sum % 11) % 10 == code6[5] - '0';
}

struct RegistryRow {
  int code = 0;
  std::string registryCode;
  std::string pref, prefKana, county, countyKana, city, cityKana, ward, wardKana;
  long line = 0;
};

// Parses lg_code: six digits whose first five are an area code 1000..47999.
std::optional<int> AreaCode(const std::string& lg, Report& report, const std::filesystem::path& file, long line,
                            const std::string& row) {
  if (lg.size() != 6 || !IsAsciiNumber(lg)) {
    report.Row(kOutput, file, line, "lg_code is not a 6-digit code", row);
    return std::nullopt;
  }
  const int code = std::stoi(lg.substr(0, 5));
  if (code < 1000 || code > 47999) {
    report.Row(kOutput, file, line, "area code outside 1000-47999", row);
    return std::nullopt;
  }
  if (!CheckDigitOk(lg)) report.Warning(file.string() + ":" + std::to_string(line) + ": check digit of " + lg + " is wrong");
  return code;
}

std::map<int, GeoPoint> ReadPositions(const std::filesystem::path& file, Report& report) {
  std::map<int, GeoPoint> points;
  CsvTable table;
  if (!OpenRegistryTable(&table, file, {"lg_code", "rep_lat", "rep_lon"}, "a registry position list", report)) {
    return points;
  }
  const int cCode = table.Column("lg_code");
  const int cLat = table.Column("rep_lat");
  const int cLon = table.Column("rep_lon");
  std::vector<std::string> f;
  while (table.Next(&f)) {
    const auto code = AreaCode(f[static_cast<std::size_t>(cCode)], report, file, table.line_number(), table.line());
    if (!code) continue;
    const auto lat = ParseDecimal(f[static_cast<std::size_t>(cLat)]);
    const auto lon = ParseDecimal(f[static_cast<std::size_t>(cLon)]);
    if (!lat || !lon || *lat < -90 || *lat > 90 || *lon < -180 || *lon > 180) {
      report.Row(kOutput, file, table.line_number(), "no valid rep_lat/rep_lon (area written without a point)",
                 table.line());
      continue;
    }
    points[*code] = GeoPoint{*lat, *lon};
  }
  if (!table.error().empty()) report.Error(file.string() + ": " + table.error());
  return points;
}

// Finds SOURCES/areas/NAME or NAME.xz.
std::optional<std::filesystem::path> AreaFile(const std::filesystem::path& dir, const std::string& name) {
  std::error_code ec;
  for (const auto& candidate : {dir / name, dir / (name + ".xz")}) {
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

std::optional<GeoPoint> Mean(const std::vector<GeoPoint>& points) {
  if (points.empty()) return std::nullopt;
  GeoPoint sum;
  for (const auto& p : points) {
    sum.lat += p.lat;
    sum.lon += p.lon;
  }
  const auto n = static_cast<double>(points.size());
  return GeoPoint{sum.lat / n, sum.lon / n};
}

const char* KindWord(AreaKind kind) {
  switch (kind) {
    case AreaKind::kPrefecture:
      return "都道府県名";
    case AreaKind::kSubprefecture:
      return "支庁名";
    case AreaKind::kCountyOrCity:
      return "郡政令市名";
    case AreaKind::kMunicipality:
      break;
  }
  return "市区町村名";
}

}  // namespace

std::string AreaNames::Prefecture(int prefNo) const {
  const auto it = prefectures.find(prefNo);
  if (it != prefectures.end()) return it->second;
  return prefNo >= 1 && prefNo <= 47 ? kPrefectureNames[prefNo - 1] : std::string();
}

std::string PackDms(double degrees) {
  const bool negative = degrees < 0;
  const auto ms = static_cast<long long>(std::llround(std::fabs(degrees) * 3600000.0));
  const long long deg = ms / 3600000;
  const long long minutes = ms % 3600000 / 60000;
  const long long msOfMinute = ms % 60000;
  char text[64];
  std::snprintf(text, sizeof text, "%s%lld.%04lld", negative ? "-" : "", deg * 10000 + minutes * 100 + msOfMinute / 1000,
                msOfMinute % 1000 * 10 + 5);
  return text;
}

void PrepareAreaList(const std::filesystem::path& sourceDir, const std::filesystem::path& outDir,
                     const PostalTowns& postal, SjisEncoder& encoder, Report& report, AreaNames* names,
                     std::vector<AreaLine>* linesOut) {
  const auto dir = sourceDir / "areas";
  const auto prefFile = AreaFile(dir, "mt_pref_all.csv");
  const auto cityFile = AreaFile(dir, "mt_city_all.csv");
  if (!prefFile && !cityFile) {
    report.Note("no areas/mt_pref_all.csv or areas/mt_city_all.csv: no area list written");
    return;
  }
  Report::Counts& counts = report.For(kOutput);
  std::map<int, GeoPoint> prefPoints;
  std::map<int, GeoPoint> cityPoints;
  if (const auto f = AreaFile(dir, "mt_pref_pos_all.csv")) {
    prefPoints = ReadPositions(*f, report);
  } else if (prefFile) {
    report.Note("no areas/mt_pref_pos_all.csv: prefectures written without points");
  }
  if (const auto f = AreaFile(dir, "mt_city_pos_all.csv")) {
    cityPoints = ReadPositions(*f, report);
  } else if (cityFile) {
    report.Note("no areas/mt_city_pos_all.csv: municipalities written without points");
  }

  std::vector<AreaLine> lines;
  std::map<int, AreaLine> prefectures;
  std::vector<std::string> f;
  if (prefFile) {
    CsvTable table;
    if (OpenRegistryTable(&table, *prefFile, {"lg_code", "pref", "pref_kana"}, "the registry's prefecture list",
                          report)) {
      const int cAblt = table.Column("ablt_date");
      while (table.Next(&f)) {
        ++counts.read;
        const auto code = AreaCode(f[static_cast<std::size_t>(table.Column("lg_code"))], report, *prefFile,
                                   table.line_number(), table.line());
        if (!code) continue;
        if (cAblt >= 0 && !f[static_cast<std::size_t>(cAblt)].empty()) {
          ++counts.notes["abolished areas left out"];
          continue;
        }
        if (*code % 1000 != 0) {
          report.Row(kOutput, *prefFile, table.line_number(), "not a prefecture code", table.line());
          continue;
        }
        AreaLine line;
        line.kind = AreaKind::kPrefecture;
        line.code = *code;
        line.name = f[static_cast<std::size_t>(table.Column("pref"))];
        line.reading = KatakanaToHiragana(f[static_cast<std::size_t>(table.Column("pref_kana"))]);
        line.registryCode = f[static_cast<std::size_t>(table.Column("lg_code"))];
        line.sourceFile = *prefFile;
        line.sourceLine = table.line_number();
        const auto p = prefPoints.find(*code);
        if (p != prefPoints.end()) line.point = p->second;
        prefectures[*code] = line;
      }
      if (!table.error().empty()) report.Error(prefFile->string() + ": " + table.error());
    }
  }

  std::vector<RegistryRow> rows;
  if (cityFile) {
    CsvTable table;
    const std::vector<std::string_view> required = {"lg_code", "pref",  "pref_kana", "county",   "county_kana",
                                                    "city",    "city_kana", "ward", "ward_kana"};
    if (OpenRegistryTable(&table, *cityFile, required, "the registry's municipality list", report)) {
      const int cAblt = table.Column("ablt_date");
      const auto col = [&](const char* name) { return f[static_cast<std::size_t>(table.Column(name))]; };
      while (table.Next(&f)) {
        ++counts.read;
        const auto code = AreaCode(col("lg_code"), report, *cityFile, table.line_number(), table.line());
        if (!code) continue;
        if (cAblt >= 0 && !f[static_cast<std::size_t>(cAblt)].empty()) {
          ++counts.notes["abolished areas left out"];
          continue;
        }
        if (col("city").empty() || *code % 1000 == 0) {
          report.Row(kOutput, *cityFile, table.line_number(), "no municipality name or not a municipality code",
                     table.line());
          continue;
        }
        RegistryRow row{*code,         col("lg_code"), col("pref"), col("pref_kana"), col("county"),
                        col("county_kana"), col("city"), col("city_kana"), col("ward"), col("ward_kana"),
                        table.line_number()};
        rows.push_back(row);
        // Prefectures the prefecture list does not give come from here.
        const int prefCode = *code / 1000 * 1000;
        if (prefectures.count(prefCode) == 0 && !row.pref.empty()) {
          AreaLine line;
          line.kind = AreaKind::kPrefecture;
          line.code = prefCode;
          line.name = row.pref;
          line.reading = KatakanaToHiragana(row.prefKana);
          const auto p = prefPoints.find(prefCode);
          if (p != prefPoints.end()) line.point = p->second;
          prefectures[prefCode] = line;
        }
      }
      if (!table.error().empty()) report.Error(cityFile->string() + ": " + table.error());
    }
  }
  for (const auto& [code, line] : prefectures) {
    lines.push_back(line);
    names->prefectures[code / 1000] = line.name;
  }

  // Designated cities: the rows without a ward whose city has ward rows.
  std::map<std::pair<int, std::string>, int> designated;  // (pref, city) -> city code
  std::set<std::pair<int, std::string>> citiesWithWards;
  for (const auto& r : rows) {
    if (!r.ward.empty()) citiesWithWards.emplace(r.code / 1000, r.city);
  }
  for (const auto& r : rows) {
    if (r.ward.empty() && citiesWithWards.count({r.code / 1000, r.city}) > 0) designated[{r.code / 1000, r.city}] = r.code;
  }

  std::set<int> usedCodes;
  for (const auto& r : rows) usedCodes.insert(r.code);

  // Counties.  Outside Hokkaido a county is the 20-wide block of its towns;
  // in Hokkaido one county may span two subprefectures, and each part gets a
  // free code inside its subprefecture's block.
  struct County {
    std::string name, reading;
    std::vector<GeoPoint> points;
  };
  std::map<std::pair<std::string, int>, int> countyCodeOf;  // (name, block) -> county code
  std::map<int, County> counties;                           // county code -> county
  std::map<int, int> countyOfRow;                           // area code -> county code
  std::map<int, std::set<int>> freeTaken;
  for (const auto& r : rows) {
    if (r.county.empty() || !r.ward.empty()) continue;
    const int pref = r.code / 1000;
    if (r.code % 1000 < 300) {
      report.Row(kOutput, *cityFile, r.line, "county town with a local number below 300 (no county line)",
                 r.registryCode + " " + r.county + r.city);
      continue;
    }
    if (SubprefectureOf(r.code) != nullptr && pref == 13) {
      report.Warning(r.registryCode + " " + r.city + ": a Tokyo island town with a county (county left out)");
      continue;
    }
    int block = 0;
    if (pref == 1) {
      const Subprefecture* s = SubprefectureOf(r.code);
      if (s == nullptr) {
        report.Warning(r.registryCode + " " + r.city + " lies in no Hokkaido subprefecture block");
        continue;
      }
      block = s->code;
    } else {
      block = CountyBlock(r.code);
    }
    const auto key = std::make_pair(r.county, block);
    auto it = countyCodeOf.find(key);
    if (it == countyCodeOf.end()) {
      int code = block;
      if (pref == 1) {
        code = 0;
        for (int c = block + 1; c < block + 30; ++c) {
          if (usedCodes.count(c) == 0 && freeTaken[block].count(c) == 0) {
            code = c;
            break;
          }
        }
        if (code == 0) {
          report.Warning("no free code left in block " + std::to_string(block) + " for " + r.county);
          continue;
        }
        freeTaken[block].insert(code);
      } else if (counties.count(code) > 0) {
        report.Warning("counties " + counties[code].name + " and " + r.county + " share the 20-wide block " +
                       std::to_string(code) + "; the area records give both the same county (only " +
                       counties[code].name + " is written)");
        countyOfRow[r.code] = code;
        continue;
      } else if (usedCodes.count(code) > 0) {
        report.Warning("the county block code " + std::to_string(code) + " of " + r.county +
                       " is also a municipality code");
      }
      it = countyCodeOf.emplace(key, code).first;
      counties[code] = County{r.county, KatakanaToHiragana(r.countyKana), {}};
    }
    County& c = counties[it->second];
    const auto p = cityPoints.find(r.code);
    if (p != cityPoints.end()) c.points.push_back(p->second);
    countyOfRow[r.code] = it->second;
  }
  // Outside Hokkaido, a county whose towns fall into more than one block.
  std::map<std::pair<int, std::string>, std::set<int>> blocksOfCounty;
  for (const auto& [key, code] : countyCodeOf) blocksOfCounty[{code / 1000, key.first}].insert(code);
  for (const auto& [key, blocks] : blocksOfCounty) {
    if (blocks.size() < 2) continue;
    std::string list;
    for (const int b : blocks) list += " " + std::to_string(b);
    if (key.first == 1) {
      report.Note("Hokkaido county " + key.second + " spans subprefectures; one county line each, codes" + list);
    } else {
      report.Warning("county " + key.second + " spans the 20-wide blocks" + list + "; one county line each");
    }
  }
  for (const auto& [code, c] : counties) {
    AreaLine line;
    line.kind = AreaKind::kCountyOrCity;
    line.code = code;
    line.name = c.name;
    line.reading = c.reading;
    line.point = Mean(c.points);
    lines.push_back(line);
  }

  // Subprefectures of the prefectures present.
  std::set<int> prefsPresent;
  for (const auto& r : rows) prefsPresent.insert(r.code / 1000);
  for (const auto& s : kSubprefectures) {
    if (prefsPresent.count(s.code / 1000) == 0) continue;
    std::vector<GeoPoint> points;
    for (const auto& r : rows) {
      if (SubprefectureOf(r.code) != &s || !r.ward.empty()) continue;
      const auto p = cityPoints.find(r.code);
      if (p != cityPoints.end()) points.push_back(p->second);
    }
    AreaLine line;
    line.kind = AreaKind::kSubprefecture;
    line.code = s.code;
    line.name = s.name;
    line.reading = s.reading;
    line.point = Mean(points);
    lines.push_back(line);
  }

  // Municipalities, wards and designated cities.
  std::map<int, std::string> officialName;
  for (const auto& r : rows) {
    const int pref = r.code / 1000;
    const int local = r.code % 1000;
    AreaLine line;
    line.code = r.code;
    line.registryCode = r.registryCode;
    line.sourceFile = *cityFile;
    line.sourceLine = r.line;
    const auto p = cityPoints.find(r.code);
    if (p != cityPoints.end()) line.point = p->second;
    std::string sourceName = r.city;
    if (!r.ward.empty()) {
      line.name = r.ward;
      line.reading = KatakanaToHiragana(r.wardKana);
      const auto city = designated.find({pref, r.city});
      line.parent = city == designated.end() ? 0 : city->second;
      if (city == designated.end()) {
        report.Row(kOutput, *cityFile, r.line, "ward whose designated city has no row (written without it)",
                   r.registryCode + " " + r.city + r.ward);
      }
      sourceName = r.city + r.ward;
    } else if (designated.count({pref, r.city}) > 0) {
      line.kind = AreaKind::kCountyOrCity;
      line.name = r.city;
      line.reading = KatakanaToHiragana(r.cityKana);
      if (local < 100 || local > 199) {
        report.Warning(r.registryCode + " " + r.city + ": designated city outside the local numbers 100-199");
      }
    } else {
      line.name = r.city;
      line.reading = KatakanaToHiragana(r.cityKana);
      if (local >= 300) {
        const auto county = countyOfRow.find(r.code);
        line.parent = county == countyOfRow.end() ? 0 : county->second;
        if (pref == 1 && SubprefectureOf(r.code) == nullptr) {
          report.Warning(r.registryCode + " " + r.city + " lies in no Hokkaido subprefecture block");
        }
      }
    }
    officialName[r.code] = line.name;
    names->municipalities[r.code] = sourceName;
    lines.push_back(line);
  }

  // The postal list writes a few municipalities otherwise (三宅島三宅村 for
  // 三宅村, 糟屋郡須惠町 for 須恵町); such spellings become alias lines
  // ahead of the official line, so both names find the area and the record
  // keeps the official one.
  for (const auto& [code, spellings] : postal.municipalities) {
    const auto official = officialName.find(code);
    if (official == officialName.end()) continue;
    const auto row = std::find_if(rows.begin(), rows.end(), [code = code](const RegistryRow& r) { return r.code == code; });
    for (std::string spelling : spellings) {
      for (const std::string& prefix : {row->county, row->ward.empty() ? std::string() : row->city}) {
        if (!prefix.empty() && spelling.compare(0, prefix.size(), prefix) == 0) spelling.erase(0, prefix.size());
      }
      if (spelling.empty() || spelling == official->second) continue;
      AreaLine alias = *std::find_if(lines.begin(), lines.end(), [code = code](const AreaLine& l) {
        return l.code == code && l.kind != AreaKind::kPrefecture;
      });
      alias.name = spelling;
      alias.alias = true;
      lines.push_back(alias);
      report.Note("alias line for " + std::to_string(code) + " " + official->second + ": " + spelling +
                  " (postal list spelling)");
    }
  }

  std::stable_sort(lines.begin(), lines.end(), [](const AreaLine& a, const AreaLine& b) {
    return std::make_tuple(a.code, !a.alias) < std::make_tuple(b.code, !b.alias);
  });

  std::string text;
  std::string sjis;
  encoder.Encode("行番号,種別,コード,上位コード,名称,よみ,緯度,経度,値1,値2,値3,全国地方公共団体コード,,", &sjis);
  text += sjis + "\n";
  long lineNumber = 1;
  std::vector<AreaLine> written;
  for (const auto& line : lines) {
    const std::string rowText = std::to_string(line.code) + " " + line.name;
    std::string name;
    std::string reading;
    std::string bad;
    if (!encoder.Encode(line.name, &name, &bad) || !encoder.Encode(line.reading, &reading, &bad)) {
      report.Row(kOutput, line.sourceFile.empty() ? dir : line.sourceFile, line.sourceLine,
                 "no Shift-JIS form for " + bad, rowText);
      continue;
    }
    if (name.size() < 4 || name.size() > 22) {
      report.Row(kOutput, line.sourceFile.empty() ? dir : line.sourceFile, line.sourceLine,
                 "name not 4 to 22 bytes long in Shift-JIS (areabuild would skip it)", rowText);
      continue;
    }
    std::string kind;
    encoder.Encode(KindWord(line.kind), &kind);
    ++lineNumber;
    text += std::to_string(lineNumber) + "," + kind + "," + std::to_string(line.code) + "," +
            std::to_string(line.parent) + "," + name + "," + reading + "," +
            (line.point ? PackDms(line.point->lat) : "0") + "," + (line.point ? PackDms(line.point->lon) : "0") +
            ",0,0,0," + line.registryCode + ",,\n";
    ++counts.written;
    written.push_back(line);
  }
  if (WriteOutputFile(outDir / "db" / "krv_gyoseimei.csv", text, report)) {
    report.Note("area list " + (outDir / "db" / "krv_gyoseimei.csv").string() + " written");
  }
  if (linesOut != nullptr) *linesOut = std::move(written);
}

}  // namespace krv::prep
