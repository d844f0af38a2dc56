// A one-line progress bar for long batches, redrawn in place on a terminal:
//
//   [##########----------]  48.2%  512,340 lines  61,200/s  ETA 0:08
//
// With an unknown input size (a pipe) the bar, the share and the ETA are
// left out.  The clock is read only every few hundred lines and the line is
// redrawn at most five times a second.
#ifndef KUROVIA_TOOLS_KUROVIA_PROGRESS_H
#define KUROVIA_TOOLS_KUROVIA_PROGRESS_H

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace krv::cli {

class Progress {
 public:
  // `out` is null when no progress is shown.  `totalBytes` is 0 when the
  // size of the input is unknown.
  Progress(std::ostream* out, uint64_t totalBytes);

  // After each line: the lines done and the bytes of input consumed.
  void Update(uint64_t lines, uint64_t bytes) {
    if (out_ != nullptr && (lines & 0xFF) == 0) Draw(lines, bytes, false);
  }
  // The last state, then a line break.
  void Finish(uint64_t lines, uint64_t bytes);

  // The text of the bar for a state (exposed for the tests).
  static std::string Line(uint64_t lines, uint64_t bytes, uint64_t totalBytes, double seconds);

 private:
  void Draw(uint64_t lines, uint64_t bytes, bool force);

  std::ostream* out_;
  uint64_t totalBytes_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  std::size_t lastWidth_ = 0;
};

// 1234567 -> "1,234,567".
std::string GroupDigits(uint64_t value);
// Seconds as "m:ss" or "h:mm:ss".
std::string ClockTime(double seconds);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_PROGRESS_H
