// Helpers shared by the test suites: Shift-JIS literals written as readable
// UTF-8, scratch directories and whole-file reads and writes.
#ifndef KUROVIA_TESTS_SUPPORT_TEST_SUPPORT_H
#define KUROVIA_TESTS_SUPPORT_TEST_SUPPORT_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace krv::test {

// UTF-8 text (as written in the test source) to Shift-JIS (code page 932).
// Aborts the test program on text that has no Shift-JIS form.
std::string Sjis(std::string_view utf8);
// Shift-JIS text to UTF-8, for readable failure messages.
std::string Utf8(std::string_view sjis);

// A fresh directory under the system temp directory, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string File(std::string_view name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// The source tree ($KRV_SOURCE_DIR; the working directory without it).
std::filesystem::path SourceDir();
// The public data folder with the national lists (areas/ and postal/):
// $KRV_SHARED_DATA, else shared/data beside the source tree or beside the
// folder of worktrees that holds it.  Nothing when none is there: the tests
// that need it skip.
std::optional<std::filesystem::path> SharedDataDir();

}  // namespace krv::test

#endif  // KUROVIA_TESTS_SUPPORT_TEST_SUPPORT_H
