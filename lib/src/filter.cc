// Cleaning an address text before it is matched.  The walk compares names
// byte for byte from its read position and does not skip blanks, so a blank
// between two parts of an address would stop it.
#include <cstddef>

#include "arg_encoding.h"
#include "kurovia.h"
#include "sjis_text.h"

namespace krv {
namespace {

constexpr int kRemoveBlanks = 1;
// The cleaned text holds at most this many bytes, never half a character.
constexpr std::size_t kMaxCleanBytes = kTextBufferSize - 2;

bool IsBlank(const char* p, std::size_t length) {
  if (length == 1) return *p == ' ' || *p == '\t';
  return static_cast<unsigned char>(p[0]) == 0x81 && static_cast<unsigned char>(p[1]) == 0x40;  // "　"
}

void RemoveBlanks(const char* text, char (&clean)[kTextBufferSize]) {
  std::size_t used = 0;
  for (const char* p = text; *p != '\0';) {
    const std::size_t length = CharLength(p);
    if (!IsBlank(p, length)) {
      if (used + length > kMaxCleanBytes) break;
      for (std::size_t i = 0; i < length; ++i) clean[used++] = p[i];
    }
    p += length;
  }
  clean[used] = '\0';
}

}  // namespace
}  // namespace krv

extern "C" KRV_API int krvAdrFilter(int kind, const char* input, char* output, int size) {
  if (input == nullptr) return -1;
  char converted[krv::kTextBufferSize];  // used only for EUC-JP and UTF-8 input
  const char* text = krv::ArgToSjis(input, converted);
  if (text == nullptr) return -1;

  char clean[krv::kTextBufferSize];
  clean[0] = '\0';
  if (kind == krv::kRemoveBlanks) krv::RemoveBlanks(text, clean);

  // Shift-JIS output is cut to the buffer; a conversion that fails, also for
  // want of room, fails the call and leaves the output empty.
  const int result = krv::SjisToArg(clean, output, size);
  if (result != 0 && krv::CurrentArgEncoding() != krv::ArgEncoding::kShiftJis) {
    if (output != nullptr && size >= 1) output[0] = '\0';
    return -1;
  }
  return 0;
}
