#include "krvprep_test_util.h"

#include <lzma.h>

#include <cstdlib>
#include <sstream>

#include "krvprep.h"
#include "test_support.h"

namespace krv::test {

PrepRun RunPrep(const std::vector<std::string>& args) {
  std::ostringstream out;
  std::ostringstream err;
  PrepRun run;
  run.status = krv::prep::RunKrvprep(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

void WriteSource(const std::filesystem::path& path, const std::vector<std::string>& lines, bool sjis, bool xz) {
  std::string text;
  for (const auto& line : lines) text += (sjis ? Sjis(line) : line) + "\r\n";
  std::filesystem::create_directories(path.parent_path());
  if (!xz) {
    WriteFile(path.string(), text);
    return;
  }
  std::string packed(lzma_stream_buffer_bound(text.size()), '\0');
  std::size_t used = 0;
  const lzma_ret rc = lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr,
                                              reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                              reinterpret_cast<uint8_t*>(packed.data()), &used, packed.size());
  if (rc != LZMA_OK) std::abort();
  packed.resize(used);
  WriteFile(path.string(), packed);
}

std::vector<std::string> ReadSjisLines(const std::filesystem::path& path) {
  const std::string text = Utf8(ReadFile(path.string()));
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& needle) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find(needle) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

}  // namespace krv::test
