// Splitting a Shift-JIS path into drive, directory, base name and extension.
#include <cstddef>
#include <cstring>

#include "dlgutil.h"
#include "sjis_text.h"

namespace {

constexpr std::size_t kDriveSize = 3;
constexpr std::size_t kPartSize = 256;

// Copies the `length` bytes at `from` into `out` (room for `size` bytes with
// the NUL).  A longer part is cut before the first character that would not
// fit, so a double-byte character is never split.
void CopyPart(char* out, std::size_t size, const char* from, std::size_t length) {
  if (out == nullptr) return;
  std::size_t kept = 0;
  while (kept < length) {
    const std::size_t step = krv::IsDoubleByte(from + kept) && kept + 1 < length ? 2 : 1;
    if (kept + step > size - 1) break;
    kept += step;
  }
  std::memcpy(out, from, kept);
  out[kept] = '\0';
}

}  // namespace

extern "C" void SplitPath(const char* path, char* drive, char* dir, char* name, char* ext) {
  if (path == nullptr) path = "";
  const std::size_t length = std::strlen(path);
  const std::size_t dirStart = (path[0] != '\0' && path[1] == ':') ? 2 : 0;

  std::size_t nameStart = dirStart;
  std::size_t extStart = length;
  for (std::size_t i = dirStart; path[i] != '\0';) {
    if (krv::IsDoubleByte(path + i)) {
      i += 2;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/') {
      nameStart = i + 1;
      extStart = length;
    } else if (path[i] == '.') {
      extStart = i;
    }
    ++i;
  }

  CopyPart(drive, kDriveSize, path, dirStart);
  CopyPart(dir, kPartSize, path + dirStart, nameStart - dirStart);
  CopyPart(name, kPartSize, path + nameStart, extStart - nameStart);
  CopyPart(ext, kPartSize, path + extStart, length - extStart);
}
