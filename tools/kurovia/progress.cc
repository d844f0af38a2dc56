#include "progress.h"

#include <cmath>
#include <cstdio>

namespace krv::cli {
namespace {

constexpr int kBarWidth = 20;
constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

}  // namespace

std::string GroupDigits(uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
  return digits;
}

std::string ClockTime(double seconds) {
  if (!(seconds >= 0) || seconds > 360000) return "--:--";
  const auto total = static_cast<long>(std::lround(seconds));
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

Progress::Progress(std::ostream* out, uint64_t totalBytes)
    : out_(out), totalBytes_(totalBytes), start_(std::chrono::steady_clock::now()), lastDraw_(start_) {}

std::string Progress::Line(uint64_t lines, uint64_t bytes, uint64_t totalBytes, double seconds) {
  std::string line;
  double share = -1;
  if (totalBytes > 0) {
    share = static_cast<double>(bytes > totalBytes ? totalBytes : bytes) / static_cast<double>(totalBytes);
    const int filled = static_cast<int>(share * kBarWidth);
    line += '[';
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    char percent[16];
    std::snprintf(percent, sizeof percent, "] %5.1f%%  ", share * 100);
    line += percent;
  }
  line += GroupDigits(lines) + " lines";
  if (seconds > 0) {
    line += "  " + GroupDigits(static_cast<uint64_t>(static_cast<double>(lines) / seconds)) + "/s";
    if (share > 0 && share < 1) line += "  ETA " + ClockTime(seconds * (1 - share) / share);
  }
  return line;
}

void Progress::Draw(uint64_t lines, uint64_t bytes, bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  std::string line = Line(lines, bytes, totalBytes_, seconds);
  const std::size_t width = line.size();
  if (width < lastWidth_) line.append(lastWidth_ - width, ' ');
  lastWidth_ = width;
  *out_ << '\r' << line << std::flush;
}

void Progress::Finish(uint64_t lines, uint64_t bytes) {
  if (out_ == nullptr) return;
  Draw(lines, bytes, true);
  *out_ << '\n' << std::flush;
}

}  // namespace krv::cli
