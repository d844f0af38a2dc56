#include "source_files.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <regex>

#include "csv_source.h"

namespace krv::prep {

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Regular files directly in `dir` and in its immediate sub-folders.
std::vector<std::filesystem::path> FilesBelow(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.is_regular_file(ec)) {
      files.push_back(entry.path());
    } else if (entry.is_directory(ec)) {
      for (const auto& inner : std::filesystem::directory_iterator(entry.path(), ec)) {
        if (inner.is_regular_file(ec)) files.push_back(inner.path());
      }
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string Relative(const std::filesystem::path& path, const std::filesystem::path& base) {
  std::error_code ec;
  const auto rel = std::filesystem::relative(path, base, ec);
  return ec || rel.empty() ? path.string() : rel.string();
}

}  // namespace

std::vector<IsjFile> FindIsjTownFiles(const std::filesystem::path& sourceDir, Report& report) {
  static const std::regex kName(R"((\d{1,2})_(\d{4})\.csv)");
  std::vector<IsjFile> found;
  const auto dir = sourceDir / "isj" / "town";
  for (const auto& path : FilesBelow(dir)) {
    const std::string name = Lower(NameWithoutXz(path));
    std::smatch m;
    if (std::regex_match(name, m, kName)) {
      const int pref = std::stoi(m[1]);
      const int year = std::stoi(m[2]);
      if (pref >= 1 && pref <= 47) {
        found.push_back(IsjFile{pref, year, path});
        continue;
      }
    }
    const std::string lower = Lower(path.filename().string());
    if (lower.size() > 4 && (lower.compare(lower.size() - 4, 4, ".xml") == 0 ||
                             lower.compare(lower.size() - 5, 5, ".html") == 0)) {
      continue;  // the publisher's metadata and format note
    }
    report.Note(Relative(path, sourceDir) + " is not a town-level file NN_YYYY.csv: left out");
  }
  return found;
}

std::vector<AbrPair> FindAbrPairs(const std::filesystem::path& dir, const std::string& base, Report& report) {
  const std::regex kMaster(base + R"(_((pref\d{2})|(city\d{6}))\.csv)");
  const std::regex kPositions(base + R"(_pos_((pref\d{2})|(city\d{6}))\.csv)");
  std::map<std::string, AbrPair> pairs;  // folder + scope -> pair
  std::vector<std::pair<std::string, std::filesystem::path>> positions;
  for (const auto& path : FilesBelow(dir)) {
    const std::string name = Lower(NameWithoutXz(path));
    std::smatch m;
    const std::string folder = path.parent_path().string() + "/";
    if (std::regex_match(name, m, kMaster)) {
      pairs[folder + m[1].str()].master = path;
    } else if (std::regex_match(name, m, kPositions)) {
      positions.emplace_back(folder + m[1].str(), path);
    } else {
      report.Note(Relative(path, dir.parent_path().parent_path()) + " is not a " + base +
                  " master or position file: left out");
    }
  }
  for (const auto& [key, path] : positions) {
    auto it = pairs.find(key);
    if (it == pairs.end()) {
      report.Note(path.string() + " has no master file beside it: left out");
      continue;
    }
    it->second.positions = path;
  }
  std::vector<AbrPair> out;
  for (auto& [key, pair] : pairs) {
    if (!pair.positions) report.Note(pair.master.string() + " has no position file beside it: written without points");
    out.push_back(std::move(pair));
  }
  return out;
}

}  // namespace krv::prep
