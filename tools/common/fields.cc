#include "fields.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "sjis_scan.h"

namespace krv::tool {
namespace {

std::string_view Unquote(std::string_view field) {
  const std::size_t open = field.find('"');
  if (open == std::string_view::npos) return field;
  field.remove_prefix(open + 1);
  const std::size_t close = field.find('"');
  return close == std::string_view::npos ? field : field.substr(0, close);
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// `field` as a NUL-terminated text in `buffer` (cut to its size).
void CopyField(std::string_view field, char (&buffer)[256]) {
  const std::size_t length = field.size() < sizeof buffer ? field.size() : sizeof buffer - 1;
  // An empty view may have no data at all.
  if (length != 0) std::memcpy(buffer, field.data(), length);
  buffer[length] = '\0';
}

}  // namespace

std::size_t SplitFields(std::string_view line, std::string_view* fields, std::size_t maxFields,
                        std::size_t maxFieldBytes, Quotes quotes) {
  for (std::size_t i = 0; i < maxFields; ++i) fields[i] = std::string_view();
  std::size_t count = 0;
  std::size_t start = 0;
  std::size_t i = 0;
  while (count < maxFields && i < line.size()) {
    if (line[i] != ',') {
      i += CharLengthAt(line, i);
      continue;
    }
    std::string_view field = line.substr(start, i - start);
    if (quotes != Quotes::kNone) field = Unquote(field);
    fields[count++] = field.substr(0, maxFieldBytes);
    start = i = i + 1;
  }
  if (count < maxFields && start < line.size()) {
    std::string_view field = line.substr(start);
    if (quotes == Quotes::kAll) field = Unquote(field);
    fields[count++] = field.substr(0, maxFieldBytes);
  }
  return count;
}

int32_t ParseInt(std::string_view field) {
  std::size_t i = 0;
  while (i < field.size() && IsCSpace(field[i])) ++i;
  bool negative = false;
  if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
    negative = field[i] == '-';
    ++i;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
    value = value * 10 + (field[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) value = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

double ParseDouble(std::string_view field) {
  char buffer[256];
  CopyField(field, buffer);
  return std::strtod(buffer, nullptr);
}

int32_t TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t DegreesToArcMs(std::string_view field) { return TruncateToInt(ParseDouble(field) * 3600000.0); }

bool HoldsNumber(std::string_view field) {
  char buffer[256];
  CopyField(field, buffer);
  char* end = nullptr;
  std::strtod(buffer, &end);
  return end != buffer;
}

bool IsAsciiDigits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace krv::tool
