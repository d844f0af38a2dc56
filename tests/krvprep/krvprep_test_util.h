// Helpers of the krvprep tests: running the tool in-process, fixture files in
// the publishers' layouts (plain, Shift-JIS or xz) and reading outputs back
// as UTF-8 lines.
#ifndef KUROVIA_TESTS_KRVPREP_KRVPREP_TEST_UTIL_H
#define KUROVIA_TESTS_KRVPREP_KRVPREP_TEST_UTIL_H

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "test_support.h"

namespace krv::test {

struct PrepRun {
  int status = 0;
  std::string out;
  std::string err;
};
PrepRun RunPrep(const std::vector<std::string>& args);

// Writes `lines` joined by CRLF (as the publishers do).  `xz` compresses,
// `sjis` converts from the UTF-8 literals first.
void WriteSource(const std::filesystem::path& path, const std::vector<std::string>& lines, bool sjis = false,
                 bool xz = false);

// The lines of a Shift-JIS output file, in UTF-8, without line ends.
std::vector<std::string> ReadSjisLines(const std::filesystem::path& path);

// Lines of `text` that contain `needle`.
std::vector<std::string> LinesWith(const std::string& text, const std::string& needle);

}  // namespace krv::test

#endif  // KUROVIA_TESTS_KRVPREP_KRVPREP_TEST_UTIL_H
