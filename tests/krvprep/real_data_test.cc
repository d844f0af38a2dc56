// krvprep over the real public data: the shared data folder (when this
// checkout can see it) and the samples committed under data/sources.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>

#include "csv_source.h"
#include "krvprep_test_util.h"
#include "report.h"
#include "test_support.h"
#include "text.h"
#include "variation.h"

namespace krv::test {
namespace {

using krv::prep::CsvTable;
using krv::prep::SplitCsvLine;

struct Prepared {
  std::filesystem::path sources;
  std::filesystem::path out;
  PrepRun run;
};

// One krvprep run per sources folder for the whole test program.
const Prepared& PrepareOnce(const std::filesystem::path& sources) {
  static std::map<std::filesystem::path, Prepared> runs;
  static TempDir dir;
  auto it = runs.find(sources);
  if (it == runs.end()) {
    Prepared p;
    p.sources = sources;
    p.out = dir.path() / std::to_string(runs.size());
    p.run = RunPrep({sources.string(), p.out.string()});
    it = runs.emplace(sources, std::move(p)).first;
  }
  return it->second;
}

struct AreaLine {
  std::string kind;
  int code = 0;
  int parent = 0;
  std::string name;
  std::string lat, lon;
  std::string registryCode;
};

std::vector<AreaLine> ReadAreaList(const std::filesystem::path& out) {
  std::vector<AreaLine> lines;
  for (const auto& line : ReadSjisLines(out / "db" / "krv_gyoseimei.csv")) {
    const auto f = SplitCsvLine(line);
    if (f.size() != 14 || f[1] == "種別") continue;
    lines.push_back(AreaLine{f[1], std::stoi(f[2]), std::stoi(f[3]), f[4], f[6], f[7], f[11]});
  }
  return lines;
}

// areabuild's reading of a packed angle, in milliseconds of arc.
long long Milliseconds(const std::string& packed) {
  const double v = std::strtod(packed.c_str(), nullptr);
  const double degrees = std::trunc(v * 0.0001);
  const double rest = v - degrees * 10000;
  const double minutes = std::trunc(rest * 0.01);
  const double seconds = rest - minutes * 100;
  return static_cast<long long>(std::trunc((seconds * (1.0 / 3600) + minutes * (1.0 / 60) + degrees) * 3600000));
}

int Step(int code, int width) { return width * ((code % 1000 - 300) / width) + code / 1000 * 1000 + 300; }

// The county the area records compute for a town outside Hokkaido.
int CountyOf(int code) {
  if (code / 1000 == 47 && code > 47340) return code <= 47370 ? 47340 : code <= 47380 ? 47370 : 47380;
  return Step(code, 20);
}

std::map<std::string, std::pair<double, double>> RegistryPoints(const std::filesystem::path& file) {
  std::map<std::string, std::pair<double, double>> points;
  CsvTable table;
  EXPECT_TRUE(table.Open(file)) << file;
  std::vector<std::string> f;
  while (table.Next(&f)) {
    points[f[static_cast<std::size_t>(table.Column("lg_code"))]] = {
        std::stod(f[static_cast<std::size_t>(table.Column("rep_lat"))]),
        std::stod(f[static_cast<std::size_t>(table.Column("rep_lon"))])};
  }
  return points;
}

std::filesystem::path AreaFile(const std::filesystem::path& dir, const std::string& name) {
  return std::filesystem::exists(dir / name) ? dir / name : dir / (name + ".xz");
}

// The national area list: counts, parents, points and the postal codes.
void CheckNationalAreaList(const Prepared& p) {
  ASSERT_EQ(p.run.status, 0) << p.run.err;
  const auto lines = ReadAreaList(p.out);
  std::map<std::string, int> kinds;
  std::map<int, const AreaLine*> byCode;  // official lines (the last line of a code)
  int designated = 0;
  for (const auto& l : lines) {
    ++kinds[l.kind];
    byCode[l.code] = &l;
    if (l.kind == "郡政令市名" && !l.registryCode.empty()) ++designated;
    std::string sjis;
    ASSERT_TRUE(krv::prep::Utf8ToSjis(l.name, &sjis));
    EXPECT_GE(sjis.size(), 4u) << l.name;
    EXPECT_LE(sjis.size(), 22u) << l.name;
  }
  EXPECT_EQ(kinds["都道府県名"], 47);
  EXPECT_EQ(kinds["支庁名"], 14 + 4);
  EXPECT_EQ(designated, 20);
  EXPECT_EQ(kinds["郡政令市名"] - designated, 380);  // 373 counties, 7 of Hokkaido's in two subprefectures
  std::set<int> municipalities;
  for (const auto& l : lines) {
    if (l.kind == "市区町村名") municipalities.insert(l.code);
  }
  EXPECT_EQ(municipalities.size(), 1918u - 20u);
  for (int code = 1695; code <= 1700; ++code) EXPECT_EQ(municipalities.count(code), 1u) << code;

  // Parents: wards under their designated city, Hokkaido's towns under a
  // county inside their subprefecture's block, other towns under the county
  // the area records compute, and every parent a county line.
  for (const auto& [code, l] : byCode) {
    if (l->kind != "市区町村名" || l->parent == 0) continue;
    ASSERT_TRUE(byCode.count(l->parent) > 0) << code;
    EXPECT_EQ(byCode[l->parent]->kind, "郡政令市名") << code;
    const int local = code % 1000;
    if (local < 200) {
      // Sakai's and Sagamihara's wards lie off the 30-wide grid of the others.
      const int city = code / 10 == 2714 ? 27140 : code / 10 == 1415 ? 14150 : code / 1000 * 1000 + 100 + 30 * ((local - 100) / 30);
      EXPECT_EQ(l->parent, city) << code;
    } else if (code / 1000 == 1) {
      EXPECT_EQ(Step(l->parent, 30), Step(code, 30)) << code;
      EXPECT_NE(l->parent, Step(code, 30)) << code;
    } else {
      EXPECT_EQ(l->parent, CountyOf(code)) << code;
    }
  }
  EXPECT_EQ(p.run.err.find("county"), std::string::npos) << p.run.err;

  // Points: areabuild's reading of every packed point is the registry point
  // to within half a millisecond of arc.
  auto points = RegistryPoints(AreaFile(p.sources / "areas", "mt_city_pos_all.csv"));
  for (const auto& [k, v] : RegistryPoints(AreaFile(p.sources / "areas", "mt_pref_pos_all.csv"))) points[k] = v;
  int checked = 0;
  for (const auto& l : lines) {
    if (l.registryCode.empty()) continue;
    const auto it = points.find(l.registryCode);
    ASSERT_NE(it, points.end()) << l.registryCode;
    EXPECT_LE(std::fabs(static_cast<double>(Milliseconds(l.lat)) - it->second.first * 3600000.0), 0.5 + 1e-6);
    EXPECT_LE(std::fabs(static_cast<double>(Milliseconds(l.lon)) - it->second.second * 3600000.0), 0.5 + 1e-6);
    ++checked;
  }
  EXPECT_EQ(checked, 47 + 1918 + 3);  // 3 alias lines

  // Every area code of the postal list is there.
  std::set<int> postalCodes;
  krv::prep::LineReader reader;
  ASSERT_TRUE(reader.Open(p.out / "postal" / "KEN_ALL.CSV"));
  for (std::string line; reader.Next(&line);) postalCodes.insert(std::stoi(line.substr(0, 5)));
  EXPECT_EQ(postalCodes.size(), 1892u);
  for (const int code : postalCodes) EXPECT_EQ(municipalities.count(code), 1u) << code;
}

// Lines of every section file: each town's lines follow each other, where
// the town is the longest postal-list town at the start of column 3.
void CheckSectionGrouping(const Prepared& p) {
  std::map<std::string, std::vector<std::string>> towns;  // municipality -> postal towns
  std::map<int, std::string> muniName;
  krv::prep::LineReader reader;
  ASSERT_TRUE(reader.Open(p.out / "postal" / "KEN_ALL.CSV"));
  for (std::string line; reader.Next(&line);) {
    auto f = SplitCsvLine(Utf8(line));
    std::string town = f[8].substr(0, f[8].find("（"));
    const std::string muni = f[7];
    towns[muni].push_back(town);
  }
  for (const auto& entry : std::filesystem::directory_iterator(p.out / "aza")) {
    std::string lastMuni;
    std::string lastTown;
    std::set<std::pair<std::string, std::string>> done;
    for (const auto& line : ReadSjisLines(entry.path())) {
      const auto f = SplitCsvLine(line);
      if (f[0].find("都道") != std::string::npos) continue;
      // The postal list writes counties before town names; the area list not.
      std::string town;
      const std::string text = f[2].compare(0, 6, "大字") == 0 ? f[2].substr(6) : f[2];
      for (const auto& [muni, names] : towns) {
        if (muni.size() < f[1].size() || muni.compare(muni.size() - f[1].size(), f[1].size(), f[1]) != 0) continue;
        for (const auto& n : names) {
          if (n.size() > town.size() && text.compare(0, n.size(), n) == 0) town = n;
        }
      }
      if (f[1] == lastMuni && town == lastTown) continue;
      EXPECT_TRUE(done.emplace(f[1], town).second) << entry.path() << ": " << line;
      lastMuni = f[1];
      lastTown = town;
    }
  }
}

class SharedDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto dir = SharedDataDir();
    if (!dir) GTEST_SKIP() << "no shared data folder";
    prepared_ = &PrepareOnce(*dir);
  }
  const Prepared* prepared_ = nullptr;
};

TEST_F(SharedDataTest, NationalAreaList) { CheckNationalAreaList(*prepared_); }

TEST_F(SharedDataTest, NothingIsReportedButTheBuildingNamesTownbuildCannotTake) {
  const auto& p = *prepared_;
  std::istringstream err(p.run.err);
  for (std::string line; std::getline(err, line);) {
    EXPECT_NE(line.find("longer than townbuild takes"), std::string::npos) << line;
  }
  EXPECT_EQ(LinesWith(p.run.out, "rows reported 0").size(), 6u) << p.run.out;
}

TEST_F(SharedDataTest, EveryTownLevelRowHasItsLine) {
  const auto& p = *prepared_;
  std::ostringstream ignore;
  krv::prep::Report report(ignore, ignore);
  krv::prep::VariationList variations;
  variations.Load(krv::prep::VariationMasterText(), "list", report);
  const auto fold = [&](std::string text) {
    if (text.compare(0, 6, "大字") == 0) text.erase(0, 6);
    return variations.Fold(text);
  };
  for (const auto& [pref, year] : {std::pair{13, 2023}, std::pair{45, 2023}}) {
    char name[32];
    std::snprintf(name, sizeof name, "%02d_%d.csv", pref, year);
    std::set<std::pair<std::string, std::string>> written;
    for (const auto& line : ReadSjisLines(p.out / "aza" / name)) {
      const auto f = SplitCsvLine(line);
      written.emplace(f[1], fold(f[2]));
    }
    int rows = 0;
    for (const auto& dir : std::filesystem::directory_iterator(p.sources / "isj" / "town")) {
      const auto file = dir.path() / name;
      if (!std::filesystem::exists(file)) continue;
      for (const auto& line : ReadSjisLines(file)) {
        const auto f = SplitCsvLine(line);
        if (f[0] == "都道府県コード") continue;
        ++rows;
        // The position reference data writes a county before its towns.
        std::string m = f[3];
        const std::size_t gun = m.find("郡");
        if (gun != std::string::npos && gun + 3 < m.size()) m = m.substr(gun + 3);
        EXPECT_EQ(written.count({m, fold(krv::prep::NormalizeChome(f[5]))}), 1u) << line;
      }
    }
    EXPECT_GT(rows, 1000);
  }
  CheckSectionGrouping(p);
}

TEST_F(SharedDataTest, BunkyoResidencesAndYakushimaLots) {
  const auto& p = *prepared_;
  const auto residences = ReadSjisLines(p.out / "jukyo" / "13_gou.txt");
  EXPECT_EQ(residences.size(), 30156u);
  std::set<std::string> blocks;
  for (const auto& entry : std::filesystem::directory_iterator(p.out / "gaiku")) {
    for (const auto& line : ReadSjisLines(entry.path())) {
      const auto f = SplitCsvLine(line);
      ASSERT_EQ(f.size(), 11u) << line;
      if (f[0].find("都道") != std::string::npos) continue;
      EXPECT_EQ(f[9], f[1] == "文京区" ? "1" : "0") << line;
      blocks.insert(f[1] + "," + f[2] + "," + f[3]);
    }
  }
  for (const auto& line : residences) {
    const auto f = SplitCsvLine(line);
    ASSERT_EQ(f.size(), 7u) << line;
    EXPECT_EQ(blocks.count(f[1] + "," + f[2] + "," + f[3]), 1u) << line;
  }
  std::size_t lots = 0;
  for (const auto& b : blocks) lots += b.rfind("屋久島町", 0) == 0 ? 1 : 0;
  EXPECT_EQ(lots, 84418u);  // every parcel is its own lot
}

TEST(CommittedSamples, ReadLikeTheSharedData) {
  const auto samples = SourceDir() / "data" / "sources";
  if (!std::filesystem::is_directory(samples)) GTEST_SKIP() << "no data/sources";
  const Prepared& p = PrepareOnce(samples);
  CheckNationalAreaList(p);
  for (const char* file : {"aza/13_2023.csv", "gaiku/13_1947.csv", "gaiku/46_1947.csv", "jukyo/13_gou.txt",
                           "postal/KEN_ALL.CSV", "db/krv_variation.csv"}) {
    EXPECT_TRUE(std::filesystem::exists(p.out / file)) << file;
  }
  // The same files as from the shared data, byte for byte.
  const auto shared = SharedDataDir();
  if (!shared) return;
  const Prepared& s = PrepareOnce(*shared);
  for (const char* file : {"db/krv_gyoseimei.csv", "aza/13_2023.csv", "gaiku/13_1947.csv", "gaiku/46_1947.csv",
                           "jukyo/13_gou.txt", "postal/KEN_ALL.CSV"}) {
    EXPECT_TRUE(ReadFile((p.out / file).string()) == ReadFile((s.out / file).string())) << file;
  }
}

}  // namespace
}  // namespace krv::test
