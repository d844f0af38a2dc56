// The Shift-JIS text helpers and the address filter on texts of any content:
// NumStr2Int, LastCharIsNumeric, IsSjisKanji, sjispbrk, the kana conversions,
// krvStrcpy and krvStrcat, Int2ZenkakuStr, krvAdrFilter (each argument
// encoding), krvSetArgEncoding.
//
// Input: the function (byte 0), a buffer size (bytes 1 and 2, little-endian,
// signed), a value (bytes 3 to 6), then its texts (a second text after a 0
// byte).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kurovia.h"

namespace {

const char* const kEncodings[] = {"Shift_JIS", "EUC-JP", "UTF-8"};

void Check(bool holds) {
  if (!holds) std::abort();
}

// Exactly `size` bytes, so that a write past the end is caught.
std::vector<char> Buffer(int size) { return std::vector<char>(size > 0 ? static_cast<std::size_t>(size) : 0); }

bool TerminatedWithin(const std::vector<char>& buffer) {
  return std::memchr(buffer.data(), '\0', buffer.size()) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 7) return 0;
  const int function = data[0] % 9;
  const int bufferSize = static_cast<int16_t>(data[1] | data[2] << 8);
  int32_t value;
  std::memcpy(&value, data + 3, sizeof value);
  const std::string rest(reinterpret_cast<const char*>(data + 7), size - 7);
  // The texts: up to the first 0 byte, and what follows it.
  const std::string text = rest.c_str();
  const std::string second = text.size() < rest.size() ? std::string(rest.c_str() + text.size() + 1) : std::string();
  const std::size_t length = text.size();

  switch (function) {
    case 0: {
      int consumed = -1;
      NumStr2Int(text.c_str(), &consumed);
      Check(consumed >= 0 && static_cast<std::size_t>(consumed) <= length);
      NumStr2Int(text.c_str(), nullptr);
      break;
    }
    case 1:
      Check(LastCharIsNumeric(text.c_str()) == 0 || length > 0);
      for (std::size_t i = 0; i < length; ++i) IsSjisKanji(text.c_str() + i);
      break;
    case 2: {
      const char* found = sjispbrk(text.c_str(), second.c_str());
      Check(found == nullptr || (found >= text.c_str() && found < text.c_str() + length));
      break;
    }
    case 3: {
      std::vector<char> dst = Buffer(bufferSize);
      const int rc = krvKanaHan2Zen(text.c_str(), dst.data(), bufferSize);
      Check(rc < 0 || (bufferSize > 0 && rc < bufferSize && dst[static_cast<std::size_t>(rc)] == '\0'));
      break;
    }
    case 4: {
      std::vector<char> dst = Buffer(bufferSize);
      const int rc = krvKanaZen2Han(text.c_str(), dst.data(), bufferSize);
      if (bufferSize > 0) Check(TerminatedWithin(dst) && rc < bufferSize);
      break;
    }
    case 5: {
      std::vector<char> dst = Buffer(bufferSize);
      if (bufferSize > 0) {
        const std::size_t keep = static_cast<std::size_t>(bufferSize) - 1;
        std::memcpy(dst.data(), second.data(), std::min(keep, second.size()));
        dst[std::min(keep, second.size())] = '\0';
      }
      const int copied = krvStrcpy(dst.data(), text.c_str(), bufferSize);
      if (bufferSize > 0) Check(copied != -2 && TerminatedWithin(dst));
      const int appended = krvStrcat(dst.data(), second.c_str(), bufferSize);
      if (bufferSize > 0) Check(appended != -2 && TerminatedWithin(dst));
      break;
    }
    case 6: {
      std::vector<char> dst = Buffer(bufferSize);
      if (Int2ZenkakuStr(value, dst.data(), bufferSize) == 0) Check(TerminatedWithin(dst));
      break;
    }
    case 7: {
      std::vector<char> dst = Buffer(bufferSize);
      Check(krvSetArgEncoding(kEncodings[static_cast<uint32_t>(value) % 3]) == 0);
      const int rc = krvAdrFilter(static_cast<int>(static_cast<uint32_t>(value) % 3), text.c_str(), dst.data(), bufferSize);
      Check(rc == 0 || rc == -1);
      krvSetArgEncoding("Shift_JIS");
      break;
    }
    default:
      if (krvSetArgEncoding(text.c_str()) == 0) krvSetArgEncoding("Shift_JIS");
      break;
  }
  return 0;
}
