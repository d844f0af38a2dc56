#include "store_fixture.h"

#include <cctype>
#include <stdexcept>

namespace krv::test {

std::string Hex(const std::string& text) {
  std::string bytes;
  int pending = -1;
  for (const char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) throw std::invalid_argument("not hex: " + text);
    const int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    if (pending < 0) {
      pending = v;
    } else {
      bytes.push_back(static_cast<char>(pending * 16 + v));
      pending = -1;
    }
  }
  if (pending >= 0) throw std::invalid_argument("odd hex digits: " + text);
  return bytes;
}

}  // namespace krv::test
