#include "report.h"

#include <fstream>

#include "text.h"

namespace krv::prep {

Report::Counts& Report::For(const std::string& output) {
  auto it = counts_.find(output);
  if (it == counts_.end()) {
    order_.push_back(output);
    it = counts_.emplace(output, Counts{}).first;
  }
  return it->second;
}

void Report::Note(std::string_view text) { out_ << "note: " << text << '\n'; }

void Report::Warning(std::string_view text) { err_ << "krvprep: warning: " << text << '\n'; }

void Report::Row(const std::string& output, const std::filesystem::path& file, long line, std::string_view what,
                 std::string_view row, bool rowIsSjis) {
  ++For(output).reported;
  std::string shown;
  if (!rowIsSjis || !SjisToUtf8(row, &shown)) shown = std::string(row);
  if (shown.size() > 160) shown = std::string(FirstCodePoints(shown, 80)) + "...";
  err_ << "krvprep: " << file.string() << ':' << line << ": " << what << ": " << shown << '\n';
}

void Report::Error(std::string_view text) {
  failed_ = true;
  err_ << "krvprep: error: " << text << '\n';
}

void Report::Summary(const std::map<std::string, long>& replacements) {
  out_ << "summary:\n";
  for (const auto& name : order_) {
    const Counts& c = counts_.at(name);
    out_ << "  " << name << ": rows read " << c.read << ", lines written " << c.written << ", rows reported "
         << c.reported << '\n';
    for (const auto& [what, count] : c.notes) out_ << "    " << what << ": " << count << '\n';
  }
  if (!replacements.empty()) {
    out_ << "  characters replaced to fit Shift-JIS:";
    for (const auto& [what, count] : replacements) out_ << ' ' << what << " (" << count << ')';
    out_ << '\n';
  }
}

bool WriteOutputFile(const std::filesystem::path& path, const std::string& content, Report& report) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  auto temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
      std::filesystem::remove(temp, ec);
      report.Error("cannot write " + path.string());
      return false;
    }
  }
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    const std::string why = ec.message();
    std::filesystem::remove(temp, ec);
    report.Error("cannot write " + path.string() + ": " + why);
    return false;
  }
  return true;
}

}  // namespace krv::prep
