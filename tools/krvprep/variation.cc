#include "variation.h"

#include <set>
#include <utility>

namespace krv::prep {

namespace {
// The hash builders keep each side to 29 bytes and read at most 500 lines
// that hold a comma.
constexpr std::size_t kMaxSideBytes = 29;
constexpr int kMaxLines = 500;
const std::string kOutput = "krv_variation.csv";
}  // namespace

void VariationList::Load(std::string_view utf8, const std::filesystem::path& source, Report& report) {
  std::set<std::pair<std::string, std::string>> seen;
  long lineNumber = 0;
  std::size_t start = 0;
  while (start < utf8.size()) {
    std::size_t end = utf8.find('\n', start);
    if (end == std::string_view::npos) end = utf8.size();
    std::string_view line = utf8.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    ++report.For(kOutput).read;

    std::string sjisLine;
    if (!Utf8ToSjis(line, &sjisLine)) {
      report.Row(kOutput, source, lineNumber, "no Shift-JIS form", line);
      continue;
    }
    const std::size_t comma = line.find(',');
    const std::string_view first = comma == std::string_view::npos ? line : line.substr(0, comma);
    const bool comment = comma == std::string_view::npos || first.find('#') != std::string_view::npos ||
                         first.find("＃") != std::string_view::npos;
    if (!comment) {
      const std::string_view second = line.substr(comma + 1);
      std::string a;
      std::string b;
      Utf8ToSjis(first, &a);
      Utf8ToSjis(second, &b);
      const char* fault = nullptr;
      if (first.empty() || second.empty()) {
        fault = "empty side";
      } else if (a.size() > kMaxSideBytes || b.size() > kMaxSideBytes) {
        fault = "side longer than 29 bytes";
      } else if (b.find(a) != std::string::npos) {
        fault = "second side contains the first (the expansion would not end)";
      } else if (!seen.emplace(a, b).second) {
        fault = "pair given twice";
      }
      if (fault != nullptr) {
        report.Row(kOutput, source, lineNumber, fault, line);
        continue;
      }
    }
    if (comma != std::string_view::npos) {
      if (lineCount_ == kMaxLines) {
        report.Row(kOutput, source, lineNumber, "beyond the 500 lines the hash builders read", line);
        continue;
      }
      ++lineCount_;
    }
    if (!comment) {
      ++pairCount_;
      std::size_t pa = 0;
      std::size_t pb = comma + 1;
      const char32_t ca = NextCodePoint(line, &pa);
      const char32_t cb = NextCodePoint(line, &pb);
      if (pa == comma && pb == line.size()) Join(ca, cb);
    }
    fileText_ += sjisLine;
    fileText_ += '\n';
    ++report.For(kOutput).written;
  }
}

char32_t VariationList::Find(char32_t c) const {
  auto it = parent_.find(c);
  while (it != parent_.end() && it->second != c) {
    c = it->second;
    it = parent_.find(c);
  }
  return c;
}

void VariationList::Join(char32_t a, char32_t b) {
  const char32_t ra = Find(a);
  const char32_t rb = Find(b);
  if (ra == rb) return;
  // The smaller code point represents the class, so the result does not
  // depend on the order of the pairs.
  const char32_t low = ra < rb ? ra : rb;
  const char32_t high = ra < rb ? rb : ra;
  parent_[low] = low;
  parent_[high] = low;
}

std::string VariationList::Fold(std::string_view utf8) const {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) AppendUtf8(&out, Find(NextCodePoint(utf8, &pos)));
  return out;
}

}  // namespace krv::prep
