// Timing of the town-level build on the national postal-code list.
//
//   tools_timing [KEN_ALL.CSV]
//
// Measures, in one process and on the same file:
//   read+split  the baseline: every line read and split into its fields by
//               the tools' own line reader and field splitter;
//   townbuild   the town records, postal index and multi-postcode file;
//   townhash    the town-name hash built from those records.
// The area files that townbuild needs are built first (not timed) from an
// area list derived from the postal-code list itself.  Each step runs
// several times; the best time is printed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "areabuild.h"
#include "areahash.h"
#include "fields.h"
#include "kurovia.h"
#include "line_reader.h"
#include "output.h"
#include "townbuild.h"
#include "townhash.h"

namespace {

namespace fs = std::filesystem;
using krv::tool::Output;

constexpr int kRounds = 5;

std::string FindNationalList() {
  const fs::path start = fs::current_path();
  for (fs::path dir = start; !dir.empty(); dir = dir.parent_path()) {
    const fs::path candidate = dir / "shared" / "data" / "postal" / "KEN_ALL.CSV";
    if (fs::exists(candidate)) return candidate.string();
    if (dir == dir.parent_path()) break;
  }
  return {};
}

std::string Hiragana(std::string_view kana) {
  const std::string in(kana);
  std::string out(in.size() * 2 + 1, '\0');
  if (krvKanaHan2Zen(in.c_str(), out.data(), static_cast<int>(out.size())) < 0) return {};
  return out.c_str();
}

// The area list of every prefecture and municipality the postal-code list
// names (Shift-JIS, as areabuild reads it).
void WriteAreaList(const std::string& postalList, const std::string& path) {
  std::map<int, std::pair<std::string, std::string>> areas;
  krv::tool::LineReader reader;
  reader.Open(postalList);
  std::string_view line;
  std::string_view f[15];
  while (reader.ReadLine(1022, &line)) {
    krv::tool::SplitFields(line, f, 15, 1023, krv::tool::Quotes::kAllButLast);
    const int code = krv::tool::ParseInt(f[0]);
    areas.emplace(code / 1000 * 1000, std::make_pair(std::string(f[6]), Hiragana(f[3])));
    areas.emplace(code, std::make_pair(std::string(f[7]), Hiragana(f[4])));
  }
  std::ofstream out(path, std::ios::binary);
  int label = 0;
  for (const auto& [code, area] : areas) {
    // 都道府県名 / 市区町村名 in Shift-JIS.
    const char* kind = code % 1000 == 0 ? "\x93\x73\x93\xB9\x95\x7B\x8C\xA7\x96\xBC"
                                        : "\x8E\x73\x8B\xE6\x92\xAC\x91\xBA\x96\xBC";
    out << ++label << ',' << kind << ',' << code << ",0," << area.first << ',' << area.second
        << ",0,0,0,0,0\r\n";
  }
}

template <class F>
double Best(F step) {
  double best = 1e300;
  for (int i = 0; i < kRounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    step();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds < best) best = seconds;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string list = argc > 1 ? argv[1] : FindNationalList();
  if (list.empty() || !fs::exists(list)) {
    std::fprintf(stderr, "usage: tools_timing [KEN_ALL.CSV]  (shared/data/postal/KEN_ALL.CSV not found)\n");
    return 2;
  }
  const fs::path work = fs::temp_directory_path() / ("krv-tools-timing-" + std::to_string(getpid()));
  const fs::path db = work / "db";
  const fs::path src = work / "src";
  fs::create_directories(db);
  fs::create_directories(src);
  fs::copy_file(list, src / "KEN_ALL.CSV");
  WriteAreaList(list, (db / "krv_gyoseimei.csv").string());
  std::ofstream(db / "krv_variation.csv", std::ios::binary) << "\x83\x50,\x83\x96\r\n\x83\x96,\x83\x50\r\n";  // ケ,ヶ ヶ,ケ

  FILE* sink = std::fopen("/dev/null", "w");
  int status = 0;
  {
    Output out(krv::tool::Charset::kUtf8, sink, sink);
    status |= krv::tool::RunAreabuild({db.string()}, out);
    status |= krv::tool::RunAreahash({db.string()}, out);
  }

  std::size_t lines = 0;
  const double baseline = Best([&] {
    krv::tool::LineReader reader;
    reader.Open((src / "KEN_ALL.CSV").string());
    std::string_view line;
    std::string_view f[15];
    std::size_t fieldBytes = 0;
    lines = 0;
    while (reader.ReadLine(255, &line)) {
      krv::tool::SplitFields(line, f, 15, 1023, krv::tool::Quotes::kAllButLast);
      fieldBytes += f[8].size();
      ++lines;
    }
    if (fieldBytes == 0) std::fprintf(stderr, "no fields\n");
  });
  const double townbuild = Best([&] {
    Output out(krv::tool::Charset::kUtf8, sink, sink);
    status |= krv::tool::RunTownbuild({db.string(), src.string()}, out);
  });
  const double townhash = Best([&] {
    Output out(krv::tool::Charset::kUtf8, sink, sink);
    status |= krv::tool::RunTownhash({db.string()}, out);
  });
  std::fclose(sink);
  fs::remove_all(work);

  std::printf("postal-code list: %s (%zu lines)\n", list.c_str(), lines);
  std::printf("%-12s %10s %12s %8s\n", "step", "seconds", "lines/s", "ratio");
  std::printf("%-12s %10.4f %12.0f %8.2f\n", "read+split", baseline, static_cast<double>(lines) / baseline, 1.0);
  std::printf("%-12s %10.4f %12.0f %8.2f\n", "townbuild", townbuild, static_cast<double>(lines) / townbuild,
              townbuild / baseline);
  std::printf("%-12s %10.4f %12.0f %8.2f\n", "townhash", townhash, static_cast<double>(lines) / townhash,
              townhash / baseline);
  if (status != 0) std::printf("a tool reported an error (status %d)\n", status);
  return status == 0 ? 0 : 1;
}
