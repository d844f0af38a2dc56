// Timing of kurovia geocode against the library it drives.
//
//   geocode_timing DB_DIR [LINES]      (default 1,000,000 lines)
//
// The addresses are made from the DB itself: every town of every
// municipality written in its standard form with "1丁目2番3号ビル" after it,
// repeated up to LINES lines of UTF-8.  Measured on the same lines, best of
// three rounds:
//   str2code      krvAdrStr2Code alone;
//   library       the library's work of one result row: krvAdrFilter,
//                 krvAdrStr2Code, krvAdrCode2Str, krvAdrCode2Point;
//   kurovia       kurovia's batch geocoder, from an in-memory input to an
//                 output that counts and drops the bytes (TSV).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "geocode.h"
#include "kurovia.h"

namespace {

constexpr int kRounds = 3;

// An output that only counts what it is given.
class CountingBuf : public std::streambuf {
 public:
  std::size_t bytes = 0;

 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<std::size_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    ++bytes;
    return c;
  }
};

double Best(const std::function<void()>& run) {
  double best = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds < best) best = seconds;
  }
  return best;
}

std::vector<std::string> Addresses(std::size_t wanted) {
  std::vector<std::string> towns;
  char name[1024], reading[1024];
  for (int32_t area = 1000; area < 48000; ++area) {
    GyoseiRecord record;
    if (GyoseiRecGet(area, &record) != 0 || record.kind != KRV_LEVEL_MUNICIPALITY) continue;
    const AdrCode query{KRV_LEVEL_TOWN, area, 0, 0, 0, 0};
    const int count = krvGetNumAdrRecords(&query);
    for (int32_t town = 2; town <= count; ++town) {
      const AdrCode code{KRV_LEVEL_TOWN, area, town, 0, 0, 0};
      if (krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading) > 0) {
        towns.push_back(std::string(name) + "1丁目2番3号ビル");
      }
    }
  }
  std::vector<std::string> lines;
  while (!towns.empty() && lines.size() < wanted) {
    for (const auto& town : towns) {
      if (lines.size() == wanted) break;
      lines.push_back(town);
    }
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: geocode_timing DB_DIR [LINES]\n");
    return 2;
  }
  const std::size_t wanted = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1000000;
  const int level = krvDbLoad(argv[1], 0);
  if (level < 0) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], krvDbErrorText());
    return 1;
  }
  krvSetArgEncoding("utf8");
  const std::vector<std::string> lines = Addresses(wanted);
  std::string input;
  for (const auto& line : lines) input += line + "\n";
  std::printf("%zu lines, %zu bytes of UTF-8 input, DB %s\n", lines.size(), input.size(), argv[1]);

  long levels = 0;
  const double str2code = Best([&] {
    AdrCode code;
    for (const auto& line : lines) {
      krvAdrStr2Code(line.c_str(), &code);
      levels += code.level;
    }
  });
  const double library = Best([&] {
    AdrCode code;
    char filtered[1024], name[1024], reading[1024];
    double x = 0, y = 0;
    for (const auto& line : lines) {
      krvAdrFilter(1, line.c_str(), filtered, sizeof filtered);
      krvAdrStr2Code(filtered, &code);
      krvAdrCode2Str(&code, name, sizeof name, reading, sizeof reading);
      krvAdrCode2Point(&code, &x, &y);
    }
  });
  std::size_t outputBytes = 0;
  const double kurovia = Best([&] {
    std::istringstream in(input);
    CountingBuf sink;
    std::ostream out(&sink);
    std::ostringstream err;
    krv::cli::GeocodeOptions options;
    options.progress = krv::cli::ProgressMode::kOff;
    krv::cli::RunGeocode(options, in, out, err, krv::cli::StreamInfo{});
    outputBytes = sink.bytes;
  });

  const auto row = [&](const char* what, double seconds) {
    std::printf("  %-10s %8.3f s  %12.0f lines/s\n", what, seconds, static_cast<double>(lines.size()) / seconds);
  };
  row("str2code", str2code);
  row("library", library);
  row("kurovia", kurovia);
  std::printf("kurovia / library: %.2f; %zu bytes of TSV out (levels %ld)\n", kurovia / library, outputBytes, levels);
  krvDbEnd();
  return 0;
}
