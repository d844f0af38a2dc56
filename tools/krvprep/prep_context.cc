#include "prep_context.h"

#include <vector>

namespace krv::prep {

std::optional<TextPoint> CheckPoint(const std::string& lat, const std::string& lon) {
  if (lat.empty() && lon.empty()) return TextPoint{};
  const auto a = ParseDecimal(lat);
  const auto b = ParseDecimal(lon);
  if (!a || !b || *a < 20 || *a > 46 || *b < 122 || *b > 154) return std::nullopt;
  return TextPoint{lat, lon};
}

std::optional<std::string> MunicipalityColumn(const PrepContext& ctx, int code, const std::string& sourceName) {
  const auto it = ctx.areas.municipalities.find(code);
  if (it != ctx.areas.municipalities.end()) return it->second;
  if (ctx.areas.present() || sourceName.empty()) return std::nullopt;
  return sourceName;
}

bool IsSourceFileName(const std::string& name, std::string_view tail) {
  const auto digit = [&](std::size_t i) { return name[i] >= '0' && name[i] <= '9'; };
  if (name.size() != 3 + tail.size() || !digit(0) || !digit(1) || name[2] != '_') return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (tail[i] == '#' ? !digit(3 + i) : name[3 + i] != tail[i]) return false;
  }
  return true;
}

void RemoveStaleFiles(const std::filesystem::path& dir, std::string_view tail, const std::set<std::string>& keep,
                      Report& report) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec)) return;
  std::vector<std::filesystem::path> stale;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(ec) && IsSourceFileName(name, tail) && keep.count(name) == 0) {
      stale.push_back(entry.path());
    }
  }
  for (const auto& path : stale) {
    if (std::filesystem::remove(path, ec)) report.Note("removed " + path.string() + " of an earlier run");
  }
}

bool OpenRegistryTable(CsvTable* table, const std::filesystem::path& path,
                       const std::vector<std::string_view>& required, const std::string& what, Report& report) {
  if (!table->Open(path)) {
    report.Error(path.string() + ": " + (table->error().empty() ? "empty file" : table->error()));
    return false;
  }
  const std::string missing = table->Missing(required);
  if (!missing.empty()) {
    report.Error(path.string() + ": not " + what + " (no column " + missing + ")");
    return false;
  }
  return true;
}

int YearOf(const std::string& date) {
  if (date.size() < 4) return 0;
  const auto year = ParseInteger(std::string_view(date).substr(0, 4));
  return year && *year >= 1900 && *year <= 2050 ? static_cast<int>(*year) : 0;
}

}  // namespace krv::prep
