#include "postal_list.h"

#include <algorithm>
#include <cctype>

#include "csv_source.h"
#include "text.h"

namespace krv::prep {

namespace {

const std::string kOutput = "postal";

// Postal codes (divided by 1000) whose lines townbuild skips before it
// checks the name lengths: large buildings with a code per floor.
constexpr int kSkippedPostalGroups[] = {9806, 3306, 1006, 1046, 1076, 1056, 1086, 1066, 1636, 1356, 1506,
                                        1706, 1631, 2206, 2617, 4506, 5316, 5306, 5406, 1057, 2208, 1630};
constexpr std::size_t kMaxTownBytes = 30;
constexpr std::size_t kMaxKanaBytes = 28;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool IsPostalName(const std::filesystem::path& path) {
  const std::string name = Lower(NameWithoutXz(path));
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".csv") == 0;
}

std::size_t SjisBytes(const std::string& utf8) {
  std::string sjis;
  return Utf8ToSjis(utf8, &sjis) ? sjis.size() : utf8.size();
}

// The cut townbuild makes on the names of Iwate's 地割 towns (names that say
// 地割 outside their parenthesis): before the first of 第１２３４５６７８９ in
// the name, before the first of 1-9 in the reading.
void CutChiwari(std::string* name, std::string* kana) {
  static const std::u32string kNameStops = U"第１２３４５６７８９";
  for (std::size_t pos = 0; pos < name->size();) {
    const std::size_t at = pos;
    if (kNameStops.find(NextCodePoint(*name, &pos)) != std::u32string::npos) {
      name->resize(at);
      break;
    }
  }
  const std::size_t digit = kana->find_first_of("123456789");
  if (digit != std::string::npos) kana->resize(digit);
}

}  // namespace

bool ReadPostalTowns(const std::filesystem::path& file, Report& report, PostalTowns* towns) {
  LineReader reader;
  if (!reader.Open(file)) {
    report.Error(file.string() + ": " + reader.error());
    return false;
  }
  std::string line;
  bool inParenthesis = false;
  std::map<int, std::set<std::string>> seen;
  std::set<std::string> tooLong;
  while (reader.Next(&line)) {
    const auto f = SplitCsvLine(line);
    if (reader.line_number() == 1 && (f.size() != 15 || f[2].size() != 7 || !IsAsciiNumber(f[2]))) {
      return false;
    }
    ++report.For(kOutput).read;
    std::string name;
    std::string kana;
    const auto code = f.size() == 15 ? ParseInteger(f[0]) : std::nullopt;
    if (!code || !SjisToUtf8(f[8], &name) || !SjisToUtf8(f[5], &kana)) {
      std::string shown;
      if (!SjisToUtf8(line, &shown)) shown = line;
      report.Warning(file.string() + ":" + std::to_string(reader.line_number()) +
                     ": not a postal-list line (townbuild will read it all the same): " + shown);
      continue;
    }
    // Lines that only continue the parenthesis of the line before.
    if (inParenthesis) {
      if (name.find("）") != std::string::npos) inParenthesis = false;
      continue;
    }
    std::string muni;
    SjisToUtf8(f[7], &muni);
    towns->municipalities[static_cast<int>(*code)].insert(muni);
    if (name.find("以下に") != std::string::npos || name.find("次に") != std::string::npos || name.empty()) {
      continue;
    }
    const std::size_t open = name.find("（");
    if (open != std::string::npos) {
      inParenthesis = name.find("）", open) == std::string::npos;
      name.resize(open);
    }
    const std::size_t kanaOpen = kana.find('(');
    if (kanaOpen != std::string::npos) kana.resize(kanaOpen);
    if (f[9] == "0" && name.find("地割") != std::string::npos) {
      CutChiwari(&name, &kana);
    }
    const long postal = ParseInteger(f[2]).value_or(0);
    const bool skipped =
        std::find(std::begin(kSkippedPostalGroups), std::end(kSkippedPostalGroups), postal / 1000) !=
        std::end(kSkippedPostalGroups);
    if (!skipped) {
      // The half-width reading is one byte a character in Shift-JIS.
      std::string kanaSjis;
      Utf8ToSjis(kana, &kanaSjis);
      if (SjisBytes(name) > kMaxTownBytes || kanaSjis.size() > kMaxKanaBytes) {
        ++report.For(kOutput).notes["lines with a town name or reading longer than townbuild takes"];
        if (tooLong.insert(name).second) {
          report.Warning(file.string() + ":" + std::to_string(reader.line_number()) +
                         ": town name or reading longer than townbuild takes (30/28 bytes), here and on the "
                         "next lines of this town: " +
                         name);
        }
      }
    }
    if (name.empty()) continue;
    if (seen[static_cast<int>(*code)].insert(name).second) towns->towns[static_cast<int>(*code)].push_back(name);
  }
  if (!reader.error().empty()) report.Error(file.string() + ": " + reader.error());
  return true;
}

void PreparePostal(const std::filesystem::path& sourceDir, const std::filesystem::path& outDir, Report& report,
                   PostalTowns* towns) {
  const auto dir = sourceDir / "postal";
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) {
    report.Note("no postal/ folder: no postal list written");
    return;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  const auto outPostal = outDir / "postal";
  for (const auto& file : files) {
    if (!IsPostalName(file)) {
      report.Note("postal/" + file.filename().string() + " is not a .csv or .csv.xz file: left out");
      continue;
    }
    std::filesystem::create_directories(outPostal, ec);
    const auto target = outPostal / NameWithoutXz(file);
    std::string error;
    const long before = report.For(kOutput).read;
    if (!CopyDecompressed(file, target, &error)) {
      report.Error(file.string() + ": " + error);
      if (std::filesystem::exists(target, ec)) report.Note(target.string() + " left as it was");
      continue;
    }
    if (!ReadPostalTowns(target, report, towns)) {
      std::filesystem::remove(target, ec);
      report.Note("postal/" + file.filename().string() + " is not in the 15-column postal-list layout: left out");
      continue;
    }
    report.For(kOutput).written += report.For(kOutput).read - before;
    report.Note("postal list " + target.string() + " written");
  }
}

}  // namespace krv::prep
