// Timing of the town-level build on the national postal-code list.
//
//   tools_timing [SHARED_DATA_DIR]   (default: shared/data above the current directory)
//
// Measures, in one process and on the same file:
//   read+split  the baseline: every line read and split into its fields by
//               the tools' own line reader and field splitter;
//   townbuild   the town records, postal index and multi-postcode file;
//   townhash    the town-name hash built from those records.
// The area files that townbuild needs are built first (not timed) from the
// national area list that krvprep makes of the registry's lists beside the
// postal-code list (shared/data/areas).  Each step runs several times; the
// best time is printed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "areabuild.h"
#include "areahash.h"
#include "fields.h"
#include "krvprep.h"
#include "line_reader.h"
#include "output.h"
#include "townbuild.h"
#include "townhash.h"

namespace {

namespace fs = std::filesystem;
using krv::tool::Output;

constexpr int kRounds = 5;

// shared/data beside (or above) the current directory.
fs::path FindSharedData() {
  for (fs::path dir = fs::current_path(); !dir.empty(); dir = dir.parent_path()) {
    const fs::path data = dir / "shared" / "data";
    if (fs::exists(data / "postal" / "KEN_ALL.CSV") && fs::exists(data / "areas")) return data;
    if (dir == dir.parent_path()) break;
  }
  return {};
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
  const fs::path data = argc > 1 ? fs::path(argv[1]) : FindSharedData();
  if (data.empty() || !fs::exists(data / "postal" / "KEN_ALL.CSV") || !fs::exists(data / "areas")) {
    std::fprintf(stderr, "usage: tools_timing [SHARED_DATA_DIR]  (postal/KEN_ALL.CSV and areas/ not found)\n");
    return 2;
  }
  const fs::path work = fs::temp_directory_path() / ("krv-tools-timing-" + std::to_string(getpid()));
  const fs::path sources = work / "sources";
  const fs::path prepared = work / "prepared";
  const fs::path db = work / "db";
  const fs::path src = prepared / "postal";
  fs::create_directories(sources);
  fs::create_directories(db);
  fs::create_directory_symlink(fs::absolute(data / "postal"), sources / "postal");
  fs::create_directory_symlink(fs::absolute(data / "areas"), sources / "areas");
  std::ostringstream prepOut;
  std::ostringstream prepErr;
  if (krv::prep::RunKrvprep({sources.string(), prepared.string()}, prepOut, prepErr) != 0) {
    std::fprintf(stderr, "krvprep failed:\n%s", prepErr.str().c_str());
    fs::remove_all(work);
    return 1;
  }
  for (const char* name : {"krv_gyoseimei.csv", "krv_variation.csv"}) fs::copy_file(prepared / "db" / name, db / name);
  const fs::path list = src / "KEN_ALL.CSV";

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
    reader.Open(list.string());
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

  std::printf("postal-code list: %s (%zu lines)\n", (data / "postal" / "KEN_ALL.CSV").c_str(), lines);
  std::printf("%-12s %10s %12s %8s\n", "step", "seconds", "lines/s", "ratio");
  std::printf("%-12s %10.4f %12.0f %8.2f\n", "read+split", baseline, static_cast<double>(lines) / baseline, 1.0);
  std::printf("%-12s %10.4f %12.0f %8.2f\n", "townbuild", townbuild, static_cast<double>(lines) / townbuild,
              townbuild / baseline);
  std::printf("%-12s %10.4f %12.0f %8.2f\n", "townhash", townhash, static_cast<double>(lines) / townhash,
              townhash / baseline);
  if (status != 0) std::printf("a tool reported an error (status %d)\n", status);
  return status == 0 ? 0 : 1;
}
