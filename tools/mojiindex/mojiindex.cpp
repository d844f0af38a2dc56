#include "mojiindex.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <string_view>
#include <utility>
#include <vector>

#include "kurovia.h"
#include "layout.h"
#include "moji_index_writer.h"

namespace krv::tools {
namespace {

constexpr std::size_t kFieldCount = 5;  // text, v1, v2, v3, v4

// Splits a line at commas and takes one pair of enclosing double quotes off
// each field.  Shift-JIS trail bytes are never ',' or '"', so splitting the
// bytes is safe.
std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t start = 0;;) {
    const std::size_t comma = line.find(',', start);
    std::string_view field = line.substr(start, comma - start);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
      field = field.substr(1, field.size() - 2);
    }
    fields.push_back(field);
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

bool ParseInt32(std::string_view text, int32_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

}  // namespace

int RunMojiIndex(const std::string& dbDir, const std::string& csvPath, std::ostream& out) {
  if (krvDbSetPath(dbDir.c_str()) != 0) {
    out << "mojiindex: DB folder path too long: " << dbDir << "\n";
    return 1;
  }
  const std::string target = krvDbFilePath(KRV_FILE_MOJI_IDX);

  std::ifstream csv(csvPath, std::ios::binary);
  if (!csv) {
    out << "mojiindex: cannot open " << csvPath << "\n";
    return 1;
  }

  std::vector<format::MojiIndexSource> sources;
  int badLines = 0;
  int lineNo = 0;
  for (std::string line; std::getline(csv, line);) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string_view> fields = SplitFields(line);
    format::MojiIndexSource source;
    bool ok = fields.size() == kFieldCount;
    for (std::size_t i = 1; ok && i < kFieldCount; ++i) {
      ok = ParseInt32(fields[i], source.record.value[i - 1]);
    }
    if (!ok) {
      out << "mojiindex: line " << lineNo << ": expected text and four integers\n";
      ++badLines;
      continue;
    }
    const std::string text(fields[0]);
    for (const char* p = text.c_str(); *p != '\0';) {
      if (IsSjisKanji(p)) {
        source.charKeys.push_back(format::MojiCharKey(p));
        p += 2;
      } else {
        ++p;
      }
    }
    sources.push_back(std::move(source));
  }
  if (csv.bad()) {
    out << "mojiindex: cannot read " << csvPath << "\n";
    return 1;
  }
  if (badLines != 0) {
    out << "mojiindex: " << badLines << " bad line(s); " << target << " not written\n";
    return 1;
  }

  switch (format::SaveMojiIndex(target.c_str(), sources)) {
    case format::MojiIndexWriteResult::kOk:
      out << "mojiindex: " << sources.size() << " record(s) written to " << target << "\n";
      return 0;
    case format::MojiIndexWriteResult::kTooLarge:
      out << "mojiindex: too many records or characters for one index; " << target
          << " not written\n";
      return 1;
    case format::MojiIndexWriteResult::kWriteFailed:
      break;
  }
  out << "mojiindex: cannot write " << target << "\n";
  out << "mojiindex: " << target << " left as it was\n";
  return 1;
}

}  // namespace krv::tools
