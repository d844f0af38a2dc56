#include "chimeibuild.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <vector>

#include "chimei25k_writer.h"
#include "kurovia.h"

namespace krv::tools {
namespace {

constexpr std::size_t kFieldCount = 6;  // name, attr1, attr2, attr3, lat, lon
constexpr int64_t kMillisecondsPerDegree = 3600000;
constexpr int kMaxDecimals = 12;
constexpr int32_t kMaxLatitude = 90;
constexpr int32_t kMaxLongitude = 180;

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

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
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseDegrees(std::string_view text, int32_t limitDegrees, int32_t& milliseconds) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Whole degrees, then the decimals as a fraction of 10^12.
  int64_t degrees = 0;
  std::size_t i = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    degrees = degrees * 10 + (text[i] - '0');
    if (degrees > limitDegrees) return false;
  }
  bool anyDigit = i != 0;
  int64_t fraction = 0;
  int decimals = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      anyDigit = true;
      if (decimals < kMaxDecimals) {
        fraction = fraction * 10 + (text[i] - '0');
        ++decimals;
      }
    }
  }
  if (!anyDigit || i != text.size()) return false;
  for (; decimals < kMaxDecimals; ++decimals) fraction *= 10;

  if (degrees == limitDegrees && fraction != 0) return false;

  // fraction < 10^12, so fraction * 3,600,000 < 3.6 * 10^18 fits int64.
  constexpr int64_t kFractionScale = 1000000000000;
  const int64_t value =
      degrees * kMillisecondsPerDegree + fraction * kMillisecondsPerDegree / kFractionScale;
  milliseconds = static_cast<int32_t>(negative ? -value : value);
  return true;
}

int RunChimeiBuild(const std::string& dbDir, const std::string& csvPath, std::ostream& out) {
  if (krvDbSetPath(dbDir.c_str()) != 0) {
    out << "chimeibuild: DB folder path too long: " << dbDir << "\n";
    return 1;
  }
  const std::string recordPath = krvDbFilePath(KRV_FILE_CHIMEI25K_REC);
  const std::string hashPath = krvDbFilePath(KRV_FILE_CHIMEI25K_HSH);

  std::ifstream csv(csvPath, std::ios::binary);
  if (!csv) {
    out << "chimeibuild: cannot open " << csvPath << "\n";
    return 1;
  }

  std::vector<Chimei25kRecord> records;
  int badLines = 0;
  int lineNo = 0;
  for (std::string line; std::getline(csv, line);) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    const std::vector<std::string_view> fields = SplitFields(line);
    Chimei25kRecord record{};
    const char* problem = nullptr;
    if (fields.size() != kFieldCount) {
      problem = "expected name, three integers, latitude and longitude";
    } else if (fields[0].empty() || fields[0].size() >= sizeof record.name ||
               fields[0].find('\0') != std::string_view::npos) {
      problem = "the name must hold 1 to 47 bytes";
    } else if (!ParseInt32(fields[1], record.attr1) || !ParseInt32(fields[2], record.attr2) ||
               !ParseInt32(fields[3], record.attr3)) {
      problem = "the attributes must be integers";
    } else if (!ParseDegrees(fields[4], kMaxLatitude, record.pointX) ||
               !ParseDegrees(fields[5], kMaxLongitude, record.pointY)) {
      problem = "latitude and longitude must be decimal degrees";
    }
    if (problem != nullptr) {
      out << "chimeibuild: line " << lineNo << ": " << problem << "\n";
      ++badLines;
      continue;
    }
    std::memcpy(record.name, fields[0].data(), fields[0].size());
    records.push_back(record);
  }
  if (csv.bad()) {
    out << "chimeibuild: cannot read " << csvPath << "\n";
    return 1;
  }
  if (badLines != 0) {
    out << "chimeibuild: " << badLines << " bad line(s); nothing written\n";
    return 1;
  }

  const format::Chimei25kSaveResult saved = format::SaveChimei25kFiles(recordPath.c_str(), hashPath.c_str(), records);
  if (saved != format::Chimei25kSaveResult::kOk) {
    out << "chimeibuild: cannot write "
        << (saved == format::Chimei25kSaveResult::kRecordsFailed ? recordPath : hashPath) << "\n";
    out << "chimeibuild: " << recordPath << " and " << hashPath << " left as they were\n";
    return 1;
  }
  out << "chimeibuild: " << records.size() << " place(s) written to " << recordPath << " and "
      << hashPath << "\n";
  return 0;
}

}  // namespace krv::tools
