#include "build.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <vector>

#include "address_db.h"
#include "child_process.h"
#include "kurovia.h"
#include "progress.h"

namespace krv::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The tools take DB and source folders of at most 255 bytes.
constexpr std::size_t kMaxToolPathBytes = 255;

// DB files the build writes; the rest of a DB folder (place names,
// character index) is left alone.
constexpr int kBuiltFiles[] = {
    KRV_FILE_GYOSEIMEI_CSV, KRV_FILE_VARIATION_CSV, KRV_FILE_GYOSEI_REC, KRV_FILE_GYOSEI_HSH,
    KRV_FILE_CHO_REC,       KRV_FILE_POST_IDX,      KRV_FILE_MULTIPOST_REC, KRV_FILE_CHO_HSH,
    KRV_FILE_AZA_REC,       KRV_FILE_GAIKU_REC,     KRV_FILE_JUKYO_REC,  KRV_FILE_STRING_REC,
};

// Folders of the work folder that a build writes (and clears before and
// after): krvprep's outputs, the staging DB and the empty stand-in sources.
constexpr const char* kWorkFolders[] = {"db", "postal", "aza", "gaiku", "jukyo", "empty-postal", "empty-aza"};

constexpr const char* kTools[] = {"krvprep",  "areabuild", "areahash",   "townbuild",
                                  "townhash", "sectbuild", "blockbuild", "housebuild"};

// The name of DB file `id`, as the library names it (the DB directory of
// the session is reset; the build sets it again whenever it loads).
std::string FileName(int id) {
  krvDbSetPath("");
  const char* path = krvDbFilePath(id);
  std::string name = path != nullptr ? path : "";
  const std::size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", seconds);
  return text;
}

// "12.3 MB", "4.5 KB" (decimal units); empty below a kilobyte.
std::string Size(uintmax_t bytes) {
  char text[32] = "";
  if (bytes >= 1000u * 1000) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  } else if (bytes >= 1000u) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1e3);
  }
  return text;
}

// Files of `dir` whose names pass `accept`.
template <typename Accept>
bool HasFiles(const fs::path& dir, Accept accept) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) return false;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.is_regular_file(ec) && accept(entry.path().filename().string())) return true;
  }
  return false;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// A folder holding one empty source file, for a tool that must run although
// the sources have nothing for it.
bool MakeEmptySource(const fs::path& dir, const std::string& name, std::string* why) {
  std::error_code ec;
  fs::remove_all(dir, ec);
  fs::create_directories(dir, ec);
  std::ofstream file(dir / name, std::ios::binary);
  if (!file) {
    *why = "cannot create " + (dir / name).string();
    return false;
  }
  return true;
}

// Moves `from` over `to` (copying when they lie on different file systems).
bool MoveFile(const fs::path& from, const fs::path& to, std::string* why) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return true;
  ec.clear();
  const fs::path temporary = to.string() + ".tmp";
  fs::copy_file(from, temporary, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(temporary, to, ec);
  if (ec) {
    *why = "cannot move " + from.string() + " to " + to.string() + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  fs::remove(from, ec);
  return true;
}

struct StepTime {
  std::string tool;
  double seconds = 0;
  bool skipped = false;
};

class Builder {
 public:
  Builder(const BuildOptions& options, const std::string& toolDir, std::ostream& out, std::ostream& err)
      : options_(options), toolDir_(toolDir), out_(out), err_(err) {}

  int Run();

 private:
  bool CheckSetup();
  bool Step(const std::string& tool, const std::vector<std::string>& args);
  void Skip(const std::string& tool, const std::string& why);
  bool Install();
  void Summary(double totalSeconds);

  const BuildOptions& options_;
  std::string toolDir_;
  std::ostream& out_;
  std::ostream& err_;
  fs::path sources_, db_, work_, stage_;
  std::ofstream log_;
  std::vector<StepTime> times_;
  int stepNumber_ = 0;
};

bool Builder::CheckSetup() {
  std::error_code ec;
  sources_ = fs::absolute(options_.sources, ec);
  db_ = fs::absolute(options_.db, ec).lexically_normal();
  if (!db_.has_filename()) db_ = db_.parent_path();  // "db/" names the folder db
  work_ = options_.work.empty() ? fs::path(db_.string() + ".work") : fs::absolute(options_.work, ec);
  stage_ = work_ / "db";
  if (!fs::is_directory(sources_, ec)) {
    err_ << "kurovia: the sources folder " << options_.sources << " does not exist\n";
    return false;
  }
  std::vector<std::string> missing;
  for (const char* tool : kTools) {
    if (!fs::is_regular_file(fs::path(toolDir_) / tool, ec)) missing.emplace_back(tool);
  }
  if (!missing.empty()) {
    err_ << "kurovia: the build tools must sit beside kurovia in " << toolDir_ << "; missing:";
    for (const auto& tool : missing) err_ << ' ' << tool;
    err_ << '\n';
    return false;
  }
  // The DB folder and the source folders the tools are given (the longest
  // of them named here).
  for (const fs::path& path : {stage_, work_ / "empty-postal"}) {
    if (path.string().size() > kMaxToolPathBytes) {
      err_ << "kurovia: the work folder " << work_.string() << " is too deep: the tools take paths of at most "
           << kMaxToolPathBytes << " bytes (choose a shorter --work)\n";
      return false;
    }
  }
  if (fs::exists(db_, ec) && !fs::is_directory(db_, ec)) {
    err_ << "kurovia: " << db_.string() << " is not a folder\n";
    return false;
  }
  fs::create_directories(work_, ec);
  // Files of an earlier (failed) run must not leak into this one.  Only the
  // folders the build writes are cleared: --work may name a folder that
  // holds other things.
  for (const char* dir : kWorkFolders) fs::remove_all(work_ / dir, ec);
  if (!fs::is_directory(work_, ec)) {
    err_ << "kurovia: cannot create the work folder " << work_.string() << '\n';
    return false;
  }
  if (!options_.log.empty()) {
    log_.open(options_.log, std::ios::binary | std::ios::trunc);
    if (!log_) {
      err_ << "kurovia: cannot write the log file " << options_.log << '\n';
      return false;
    }
  }
  return true;
}

bool Builder::Step(const std::string& tool, const std::vector<std::string>& args) {
  ++stepNumber_;
  std::string command = tool;
  for (const auto& arg : args) command += " " + arg;
  out_ << "== [" << stepNumber_ << "/8] " << command << '\n' << std::flush;
  if (log_.is_open()) log_ << "== " << command << '\n';
  const auto start = Clock::now();
  const ChildResult result =
      RunChild((fs::path(toolDir_) / tool).string(), args, log_.is_open() ? static_cast<std::ostream*>(&log_) : &out_);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  times_.push_back(StepTime{tool, seconds, false});
  if (!result.started || result.status != 0) {
    err_ << "kurovia: " << tool << " failed";
    if (!result.started) {
      err_ << ": " << result.message;
    } else if (!result.message.empty()) {
      err_ << ": " << result.message;
    } else {
      err_ << " (exit status " << result.status << ")";
    }
    err_ << '\n';
    if (log_.is_open() && !result.tail.empty()) {
      err_ << "kurovia: the end of its output (all of it is in " << options_.log << "):\n" << result.tail;
      if (result.tail.back() != '\n') err_ << '\n';
    }
    return false;
  }
  out_ << "-- " << tool << " done in " << Seconds(seconds) << '\n' << std::flush;
  return true;
}

void Builder::Skip(const std::string& tool, const std::string& why) {
  ++stepNumber_;
  out_ << "== [" << stepNumber_ << "/8] " << tool << " skipped: " << why << '\n' << std::flush;
  times_.push_back(StepTime{tool, 0, true});
}

bool Builder::Install() {
  std::error_code ec;
  fs::create_directories(db_, ec);
  if (!fs::is_directory(db_, ec)) {
    err_ << "kurovia: cannot create the DB folder " << db_.string() << '\n';
    return false;
  }
  for (const int id : kBuiltFiles) {
    const std::string name = FileName(id);
    const fs::path built = stage_ / name;
    const fs::path target = db_ / name;
    if (fs::is_regular_file(built, ec)) {
      std::string why;
      if (!MoveFile(built, target, &why)) {
        err_ << "kurovia: " << why << '\n';
        return false;
      }
    } else if (fs::exists(target, ec)) {
      // A file of an earlier build that this build did not write.
      fs::remove(target, ec);
      if (ec) {
        err_ << "kurovia: cannot remove " << target.string() << " of an earlier build: " << ec.message() << '\n';
        return false;
      }
      out_ << "removed " << target.string() << " of an earlier build (not built this time)\n";
    }
  }
  return true;
}

void Builder::Summary(double totalSeconds) {
  std::error_code ec;
  out_ << "\nAddress DB built in " << db_.string() << "\n\nFiles:\n";
  uintmax_t total = 0;
  for (const int id : kBuiltFiles) {
    const std::string name = FileName(id);
    const uintmax_t size = fs::file_size(db_ / name, ec);
    if (ec) continue;
    total += size;
    const std::string size_text = Size(size);
    char line[128];
    std::snprintf(line, sizeof line, "  %-20s %14s bytes%s%s%s\n", name.c_str(), GroupDigits(size).c_str(),
                  size_text.empty() ? "" : "  (", size_text.c_str(), size_text.empty() ? "" : ")");
    out_ << line;
  }
  char totalLine[128];
  std::snprintf(totalLine, sizeof totalLine, "  %-20s %14s bytes  (%s)\n", "total", GroupDigits(total).c_str(),
                Size(total).c_str());
  out_ << totalLine;

  // Read the DB back through the library: what a client will see.
  int level = 0;
  std::ostringstream loadError;
  if (!LoadDb(DbLocation{db_.string(), DbOrigin::kOption}, loadError, &level)) {
    out_ << "\nThe DB does not load: " << loadError.str();
  } else {
    std::map<int, long> areas;
    long towns = 0;
    for (int32_t code = 1000; code < 48000; ++code) {
      GyoseiRecord record;
      if (GyoseiRecGet(code, &record) != 0) continue;
      ++areas[record.kind];
      if (record.kind == KRV_LEVEL_MUNICIPALITY) {
        const AdrCode query{KRV_LEVEL_TOWN, code, 0, 0, 0, 0};
        const int count = krvGetNumAdrRecords(&query);
        if (count > 1) towns += count - 1;
      }
    }
    const std::string stringPath = (db_ / FileName(KRV_FILE_STRING_REC)).string();
    const auto storeCount = [&](int minLevel, int count) { return level >= minLevel && count > 0 ? count : 0; };
    const long sections = storeCount(3, AzaRecLoad((db_ / FileName(KRV_FILE_AZA_REC)).string().c_str()));
    const long blocks =
        storeCount(4, GaikuRecLoad((db_ / FileName(KRV_FILE_GAIKU_REC)).string().c_str(), stringPath.c_str()));
    const long residences =
        storeCount(5, JukyoRecLoad((db_ / FileName(KRV_FILE_JUKYO_REC)).string().c_str(), stringPath.c_str()));
    const long postal = level >= 2 ? PostIndexNumRecords() : 0;
    krvDbEnd();
    const auto row = [&](const char* what, long count) {
      char line[96];
      std::snprintf(line, sizeof line, "  %-28s %12s\n", what, GroupDigits(static_cast<uint64_t>(count)).c_str());
      out_ << line;
    };
    out_ << "\nRecords (read back through the library, load level " << level << "):\n";
    row("prefectures", areas[KRV_LEVEL_PREFECTURE]);
    row("subprefectures", areas[KRV_LEVEL_SUBPREF]);
    row("counties, designated cities", areas[KRV_LEVEL_COUNTY]);
    row("municipalities", areas[KRV_LEVEL_MUNICIPALITY]);
    row("towns", towns);
    row("sections", sections);
    row("blocks and lots", blocks);
    row("residences", residences);
    row("postal codes", postal);
  }

  out_ << "\nTime:\n";
  for (const StepTime& step : times_) {
    char line[96];
    if (step.skipped) {
      std::snprintf(line, sizeof line, "  %-12s %10s\n", step.tool.c_str(), "skipped");
    } else {
      std::snprintf(line, sizeof line, "  %-12s %10s\n", step.tool.c_str(), Seconds(step.seconds).c_str());
    }
    out_ << line;
  }
  char line[96];
  std::snprintf(line, sizeof line, "  %-12s %10s\n", "total", Seconds(totalSeconds).c_str());
  out_ << line << std::flush;
}

int Builder::Run() {
  const auto start = Clock::now();
  if (!CheckSetup()) return 1;
  const std::string stage = stage_.string();
  const auto folder = [&](const char* name) { return (work_ / name).string(); };
  const auto failed = [&]() {
    err_ << "kurovia: build stopped; the DB folder " << db_.string() << " is unchanged, the work files are in "
         << work_.string() << '\n';
    return 1;
  };

  if (!Step("krvprep", {"--sources", sources_.string(), "--out", work_.string()})) return failed();
  if (!fs::is_regular_file(stage_ / FileName(KRV_FILE_GYOSEIMEI_CSV))) {
    err_ << "kurovia: the sources hold no area lists (areas/mt_pref_all.csv, areas/mt_city_all.csv): nothing can "
            "be built without them\n";
    return failed();
  }
  const auto any = [](std::string_view) { return true; };
  const bool postal = HasFiles(work_ / "postal", any);
  const bool sections = HasFiles(work_ / "aza", [](std::string_view n) { return EndsWith(n, ".csv"); });
  const bool blocks = HasFiles(work_ / "gaiku", [](std::string_view n) { return EndsWith(n, ".csv"); });
  const bool residences = HasFiles(work_ / "jukyo", [](std::string_view n) { return EndsWith(n, "gou.txt"); });

  if (!Step("areabuild", {stage})) return failed();
  if (!Step("areahash", {stage})) return failed();
  std::string postalDir = folder("postal");
  if (!postal) {
    out_ << "note: no postal list in the sources: the towns are the municipalities alone, no postal codes\n";
    postalDir = folder("empty-postal");
    std::string why;
    if (!MakeEmptySource(postalDir, "empty.csv", &why)) {
      err_ << "kurovia: " << why << '\n';
      return failed();
    }
  }
  if (!Step("townbuild", {stage, postalDir})) return failed();
  if (!Step("townhash", {stage})) return failed();
  if (sections) {
    if (!Step("sectbuild", {stage, folder("aza")})) return failed();
  } else if (blocks) {
    out_ << "note: no town-level data in the sources: an empty section list, as the blocks need the section file\n";
    std::string why;
    if (!MakeEmptySource(folder("empty-aza"), "01_2000.csv", &why)) {
      err_ << "kurovia: " << why << '\n';
      return failed();
    }
    if (!Step("sectbuild", {stage, folder("empty-aza")})) return failed();
  } else {
    Skip("sectbuild", "no town-level data in the sources (isj/town, abr/town)");
  }
  if (blocks) {
    if (!Step("blockbuild", {stage, folder("gaiku")})) return failed();
  } else {
    Skip("blockbuild", "no block or lot data in the sources (abr/rsdt, abr/parcel)");
  }
  if (blocks && residences) {
    if (!Step("housebuild", {stage, folder("jukyo")})) return failed();
  } else {
    Skip("housebuild", blocks ? "no residence data in the sources (abr/rsdt); the residences blockbuild wrote stay"
                              : "no block data to attach residences to");
  }

  if (!Install()) return failed();
  std::error_code ec;
  if (!options_.keepWork) {
    for (const char* dir : kWorkFolders) fs::remove_all(work_ / dir, ec);
    fs::remove(work_, ec);  // only when nothing else is in it
  } else {
    out_ << "the work files stay in " << work_.string() << '\n';
  }
  Summary(std::chrono::duration<double>(Clock::now() - start).count());
  return 0;
}

}  // namespace

int RunBuild(const BuildOptions& options, const std::string& toolDir, std::ostream& out, std::ostream& err) {
  Builder builder(options, toolDir, out, err);
  return builder.Run();
}

}  // namespace krv::cli
