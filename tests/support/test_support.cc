#include "test_support.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace krv::test {
namespace {

// Tests find the source tree and the built programs through KRV_SOURCE_DIR
// and KRV_BIN_DIR; the build's own directories stand in when they are unset.
const bool kDirectoriesSet = [] {
  setenv("KRV_SOURCE_DIR", KRV_DEFAULT_SOURCE_DIR, 0);
  setenv("KRV_BIN_DIR", KRV_DEFAULT_BIN_DIR, 0);
  return true;
}();

std::string Convert(const char* to, const char* from, std::string_view text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "iconv_open(%s, %s) failed\n", to, from);
    std::abort();
  }
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  char* outp = out.data();
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) {
    std::fprintf(stderr, "test text cannot be converted from %s to %s\n", from, to);
    std::abort();
  }
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::string Sjis(std::string_view utf8) { return Convert("CP932", "UTF-8", utf8); }
std::string Utf8(std::string_view sjis) { return Convert("UTF-8", "CP932", sjis); }

TempDir::TempDir() {
  const auto base = std::filesystem::temp_directory_path();
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = base / ("krvtest-" + std::to_string(getpid()) + "-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  std::fprintf(stderr, "cannot create a temporary directory\n");
  std::abort();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::abort();
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("KRV_SOURCE_DIR");
  return dir != nullptr && *dir != '\0' ? std::filesystem::path(dir) : std::filesystem::current_path();
}

std::optional<std::filesystem::path> SharedDataDir() {
  std::vector<std::filesystem::path> candidates;
  if (const char* dir = std::getenv("KRV_SHARED_DATA"); dir != nullptr && *dir != '\0') candidates.emplace_back(dir);
  candidates.push_back(SourceDir() / ".." / "shared" / "data");
  candidates.push_back(SourceDir() / ".." / ".." / "shared" / "data");
  for (const auto& c : candidates) {
    std::error_code ec;
    if (std::filesystem::is_directory(c / "areas", ec) && std::filesystem::is_directory(c / "postal", ec)) {
      return std::filesystem::weakly_canonical(c, ec);
    }
  }
  return std::nullopt;
}

}  // namespace krv::test
