// krvCharConv in every mode, with destination sizes from the input.
//
// Input: the mode (byte 0: 0 to 3, and a few values outside them), the
// destination size (bytes 1 and 2, little-endian, signed), then the source
// text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kurovia.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const int mode = static_cast<int>(data[0] % 7) - 1;
  const int dstSize = static_cast<int16_t>(data[1] | data[2] << 8);
  const std::string src(reinterpret_cast<const char*>(data + 3), size - 3);

  // Exactly dstSize bytes, so that a write past the end is caught.
  std::vector<char> dst(dstSize > 0 ? static_cast<std::size_t>(dstSize) : 0);
  const int rc = krvCharConv(mode, src.c_str(), dst.data(), dstSize);
  Check(rc == 0 || rc == -1 || rc == -2);
  if (rc == 0 && mode >= 0 && mode <= 3 && dstSize > 0) {
    Check(std::memchr(dst.data(), '\0', dst.size()) != nullptr);
  }

  // Shift-JIS that converted to UTF-8 converts back, and that text gives the
  // same UTF-8 again (code page 932 maps some characters of two codes to
  // one, so the Shift-JIS itself may differ).
  if (mode == 2 && rc == 0 && dstSize > 0) {
    std::vector<char> sjis(src.size() + 1);
    Check(krvCharConv(3, dst.data(), sjis.data(), static_cast<int>(sjis.size())) == 0);
    std::vector<char> utf8(dst.size());
    Check(krvCharConv(2, sjis.data(), utf8.data(), static_cast<int>(utf8.size())) == 0);
    Check(std::strcmp(utf8.data(), dst.data()) == 0);
  }
  return 0;
}
