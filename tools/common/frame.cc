#include "frame.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "kurovia.h"
#include "sjis_scan.h"

namespace krv::tool {
namespace {

// Extension of a path: from the last "." of its file name to its end.
std::string_view Extension(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < nameStart) return {};
  return path.substr(dot);
}

bool Contains(std::string_view text, const char* part) {
  return part != nullptr && text.find(part) != std::string_view::npos;
}

// One "%d" conversion as the C library's scanf reads it: white space, an
// optional sign, at least one digit.  Advances `i`; false when no digit.
bool ScanInt(std::string_view text, std::size_t& i, int* value) {
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const std::size_t digitsStart = i;
  long long v = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    v = std::min(v * 10 + (text[i] - '0'), 10000000000LL);
    ++i;
  }
  if (i == digitsStart) return false;
  v = negative ? -v : v;
  *value = static_cast<int>(std::clamp(v, -2147483648LL, 2147483647LL));
  return true;
}

}  // namespace

std::vector<SourcePath> ScanSourceDir(const std::string& sourceDir, std::size_t maxFiles) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(fs::path(sourceDir), ec);
  if (ec) return {};
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    std::error_code typeError;
    if (it->is_directory(typeError)) continue;
    names.push_back(it->path().filename().native());
  }
  std::sort(names.begin(), names.end());
  if (names.size() > maxFiles) names.resize(maxFiles);
  std::vector<SourcePath> paths;
  paths.reserve(names.size());
  for (const std::string& name : names) {
    SourcePath source;
    source.path = sourceDir + "/" + name;
    source.lower = source.path;
    LowerAscii(source.lower);
    paths.push_back(std::move(source));
  }
  return paths;
}

SourceType ChooseSourceType(const FrameConstants& constants, const std::string& lowerPath) {
  const std::string_view extension = Extension(lowerPath);
  if (extension.empty()) return SourceType::kNone;
  if (Contains(extension, constants.mainExtension)) return SourceType::kMain;
  if (Contains(extension, constants.secondExtension) &&
      (constants.secondPathPart == nullptr || Contains(lowerPath, constants.secondPathPart))) {
    return SourceType::kSecond;
  }
  return SourceType::kNone;
}

std::string TimeText(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char text[64];
  // Weekday and month names of the C locale; the tools never set LC_TIME.
  if (std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local) == 0) return {};
  return text;
}

FileNameCheck CheckSourceFileName(const std::string& lowerPath, int* prefNo, int* year) {
  std::string_view name(lowerPath);
  const std::size_t slash = name.rfind('/');
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  std::size_t i = 0;
  int first = 0;
  int second = 0;
  if (!ScanInt(name, i, &first) || i >= name.size() || name[i] != '_') return FileNameCheck::kBadFormat;
  ++i;
  if (!ScanInt(name, i, &second)) return FileNameCheck::kBadFormat;
  *prefNo = first;
  *year = second;
  if (first < 1 || first > 47) return FileNameCheck::kBadPrefecture;
  if (second < 1900 || second > 2050) return FileNameCheck::kBadYear;
  return FileNameCheck::kOk;
}

int RunFrame(const FrameConstants& constants, FrameTool& tool, const std::vector<std::string>& args,
             Output& out) {
  if (args.size() < 2) {
    out.Info(constants.usage);
    return kExitUsage;
  }
  const std::string& dbDir = args[0];
  const std::string& sourceDir = args[1];
  // Each step runs only when every step before it succeeded.
  [&] {
    if (!tool.Prepare(out)) return;
    const int loaded = krvDbLoad(dbDir.c_str(), constants.loadLevel);
    if (loaded < 0) {
      if (constants.loadFailureShowsText) {
        const char* text = krvDbErrorText();
        out.Error(constants.loadFailure, {Arg::Raw(text != nullptr ? text : "")});
      } else {
        out.Error(constants.loadFailure, {loaded});
      }
      return;
    }
    if (sourceDir.size() > kMaxSourceDirBytes) {
      out.Error(constants.directoryTooLong);
      return;
    }
    const std::vector<SourcePath> sources = ScanSourceDir(sourceDir, constants.maxFiles);
    if (sources.empty()) {
      out.Error(constants.noFile);
      return;
    }
    if (!tool.OpenEarlyOutputs(out)) return;
    const SourceType type = ChooseSourceType(constants, sources.front().lower);
    if (type == SourceType::kNone) {
      out.Error(constants.unsupportedType);
      return;
    }
    if (!tool.OpenOutputs(out, type)) return;
    tool.ResetCounters();
    out.Info("stat time = %s\n", {Arg::Raw(TimeText(std::time(nullptr)))});
    for (const SourcePath& source : sources) {
      out.Info("**** start : file name = %s **** \n", {Arg::Path(source.lower)});
      const FileCounts counts = tool.ReadFile(out, type, source);
      if (tool.RunStopped()) return;
      switch (counts.count) {
        case 0:
          out.Info(constants.fileEndLine, {Arg::Path(source.lower)});
          break;
        case 1:
          out.Info(constants.fileEndLine, {Arg::Path(source.lower), counts.values[0]});
          break;
        default:
          out.Info(constants.fileEndLine,
                   {Arg::Path(source.lower), counts.values[0], counts.values[1]});
          break;
      }
    }
    if (!tool.WriteOutputs(out)) return;
    if (constants.printsEndTime) out.Info("end time = %s\n", {Arg::Raw(TimeText(std::time(nullptr)))});
  }();
  tool.NoteUnwrittenOutputs(out);
  krvDbEnd();
  tool.CleanUp();
  return out.ExitStatus();
}

void NoteUnwrittenOutput(Output& out, const format::DbFileWriter& file) {
  if (!file.committed()) NoteUnwrittenOutput(out, file.target());
}

void NoteUnwrittenOutput(Output& out, const std::string& target) {
  std::error_code ec;
  if (target.empty() || !std::filesystem::exists(target, ec)) return;
  // On a line of its own, also after a message printed without a line end.
  out.Info("%s前回のファイルはそのまま残っています。 : %s\n",
           {Arg::Raw(out.at_line_start() ? "" : "\n"), Arg::Path(target)});
}

std::vector<std::string> ArgList(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

int ToolMain(int argc, char** argv, int (*run)(const std::vector<std::string>& args, Output& out)) {
  Output out(TerminalCharset(), stdout, stderr);
  try {
    return run(ArgList(argc, argv), out);
  } catch (const std::exception& e) {
    // Working memory that cannot be had, mostly; the DB files of an earlier
    // build stay as they were.
    std::fprintf(stderr, "Error : %s\n", e.what());
    return kExitError;
  }
}

}  // namespace krv::tool
