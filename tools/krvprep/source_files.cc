#include "source_files.h"

#include <algorithm>
#include <cctype>
#include <map>

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

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "NN_YYYY.csv" (NN one or two digits): the prefecture and the year.
bool IsjName(const std::string& name, int* pref, int* year) {
  const std::size_t bar = name.find('_');
  if (bar == std::string::npos || bar == 0 || bar > 2 || name.size() != bar + 9) return false;
  const std::string_view n(name);
  if (!AllDigits(n.substr(0, bar)) || !AllDigits(n.substr(bar + 1, 4)) || n.substr(bar + 5) != ".csv") return false;
  *pref = std::stoi(name.substr(0, bar));
  *year = std::stoi(name.substr(bar + 1, 4));
  return true;
}

// "<base>_prefNN.csv", "<base>_cityNNNNNN.csv" and their "<base>_pos_..."
// files: the scope ("pref13", "city465054") and whether it is the position
// file.
bool AbrName(const std::string& name, const std::string& base, std::string* scope, bool* positions) {
  std::string_view n(name);
  if (n.substr(0, base.size() + 1) != base + "_") return false;
  n.remove_prefix(base.size() + 1);
  *positions = n.substr(0, 4) == "pos_";
  if (*positions) n.remove_prefix(4);
  if (n.size() < 4 || n.substr(n.size() - 4) != ".csv") return false;
  n.remove_suffix(4);
  const bool pref = n.size() == 6 && n.substr(0, 4) == "pref" && AllDigits(n.substr(4));
  const bool city = n.size() == 10 && n.substr(0, 4) == "city" && AllDigits(n.substr(4));
  if (!pref && !city) return false;
  *scope = std::string(n);
  return true;
}

std::string Relative(const std::filesystem::path& path, const std::filesystem::path& base) {
  std::error_code ec;
  const auto rel = std::filesystem::relative(path, base, ec);
  return ec || rel.empty() ? path.string() : rel.string();
}

}  // namespace

std::vector<IsjFile> FindIsjTownFiles(const std::filesystem::path& sourceDir, Report& report) {
  std::vector<IsjFile> found;
  const auto dir = sourceDir / "isj" / "town";
  for (const auto& path : FilesBelow(dir)) {
    int pref = 0;
    int year = 0;
    if (IsjName(Lower(NameWithoutXz(path)), &pref, &year) && pref >= 1 && pref <= 47) {
      found.push_back(IsjFile{pref, year, path});
      continue;
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
  std::map<std::string, AbrPair> pairs;  // folder + scope -> pair
  std::vector<std::pair<std::string, std::filesystem::path>> positions;
  for (const auto& path : FilesBelow(dir)) {
    std::string scope;
    bool isPositions = false;
    const std::string key = path.parent_path().string() + "/";
    if (!AbrName(Lower(NameWithoutXz(path)), base, &scope, &isPositions)) {
      report.Note(Relative(path, dir.parent_path().parent_path()) + " is not a " + base +
                  " master or position file: left out");
    } else if (isPositions) {
      positions.emplace_back(key + scope, path);
    } else {
      pairs[key + scope].master = path;
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
