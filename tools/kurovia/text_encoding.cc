#include "text_encoding.h"

#include <climits>

#include "kurovia.h"

namespace krv::cli {
namespace {

constexpr int kEucToSjis = 1;
constexpr int kSjisToUtf8 = 2;
constexpr int kUtf8ToSjis = 3;

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsSjisTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Length of a well-formed UTF-8 sequence at the start of `text`, 0 when it
// is not one.
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char c = byte(0);
  if (c < 0x80) return 1;
  std::size_t length = 0;
  unsigned min = 0;
  unsigned value = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2, min = 0x80, value = c & 0x1Fu;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3, min = 0x800, value = c & 0x0Fu;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4, min = 0x10000, value = c & 0x07u;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0u) != 0x80u) return 0;
    value = (value << 6) | (byte(i) & 0x3Fu);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

bool Convert(int mode, std::string_view src, std::size_t growth, std::string* dst) {
  const std::string in(src);
  if (in.find('\0') != std::string::npos || in.size() > INT_MAX / 4) return false;
  dst->assign(in.size() * growth + 1, '\0');
  if (krvCharConv(mode, in.c_str(), dst->data(), static_cast<int>(dst->size())) != 0) {
    dst->clear();
    return false;
  }
  dst->resize(std::char_traits<char>::length(dst->c_str()));
  return true;
}

}  // namespace

std::optional<Encoding> ParseEncoding(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "utf8" || lower == "utf-8") return Encoding::kUtf8;
  if (lower == "sjis" || lower == "shift_jis" || lower == "shift-jis" || lower == "cp932") return Encoding::kSjis;
  if (lower == "eucjp" || lower == "euc-jp") return Encoding::kEucJp;
  return std::nullopt;
}

const char* LibraryEncodingName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kSjis:
      return "sjis";
    case Encoding::kEucJp:
      return "eucjp";
    case Encoding::kUtf8:
      break;
  }
  return "utf8";
}

std::size_t CharLength(Encoding encoding, std::string_view text) {
  if (text.empty()) return 0;
  const auto c = static_cast<unsigned char>(text[0]);
  std::size_t length = 1;
  switch (encoding) {
    case Encoding::kSjis:
      // As the library counts: a lead byte followed by a trail byte is one
      // character, any other byte is one on its own.
      if (text.size() >= 2 && IsSjisLead(c) && IsSjisTrail(static_cast<unsigned char>(text[1]))) length = 2;
      break;
    case Encoding::kEucJp:
      // JIS X 0208 (two bytes), half-width katakana (0x8E and one byte) and
      // JIS X 0212 (0x8F and two bytes) each become one Shift-JIS character.
      if (c >= 0xA1 && c <= 0xFE) {
        length = 2;
      } else if (c == 0x8E) {
        length = 2;
      } else if (c == 0x8F) {
        length = 3;
      }
      break;
    case Encoding::kUtf8: {
      const std::size_t n = Utf8SequenceLength(text);
      length = n == 0 ? 1 : n;
      break;
    }
  }
  return length < text.size() ? length : text.size();
}

std::string_view SkipChars(Encoding encoding, std::string_view text, int chars) {
  for (int i = 0; i < chars && !text.empty(); ++i) text.remove_prefix(CharLength(encoding, text));
  return text;
}

bool IsValidUtf8(std::string_view text) {
  while (!text.empty()) {
    // Runs of ASCII are the common case.
    if (static_cast<unsigned char>(text[0]) < 0x80) {
      std::size_t ascii = 1;
      while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) ++ascii;
      text.remove_prefix(ascii);
      continue;
    }
    const std::size_t n = Utf8SequenceLength(text);
    if (n == 0) return false;
    text.remove_prefix(n);
  }
  return true;
}

bool IsValidText(Encoding encoding, std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return false;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto euc = [&](std::size_t i) { return i < text.size() && byte(i) >= 0xA1 && byte(i) <= 0xFE; };
  switch (encoding) {
    case Encoding::kUtf8:
      return IsValidUtf8(text);
    case Encoding::kSjis:
      for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = byte(i);
        if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;
        if (!IsSjisLead(c) || i + 1 >= text.size() || !IsSjisTrail(byte(i + 1))) return false;
        ++i;
      }
      return true;
    case Encoding::kEucJp:
      for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = byte(i);
        if (c < 0x80) continue;
        if (c >= 0xA1 && c <= 0xFE) {
          if (!euc(i + 1)) return false;
          i += 1;
        } else if (c == 0x8E) {
          if (i + 1 >= text.size() || byte(i + 1) < 0xA1 || byte(i + 1) > 0xDF) return false;
          i += 1;
        } else if (c == 0x8F) {
          if (!euc(i + 1) || !euc(i + 2)) return false;
          i += 2;
        } else {
          return false;
        }
      }
      return true;
  }
  return false;
}

bool Utf8ToSjis(std::string_view utf8, std::string* sjis) { return Convert(kUtf8ToSjis, utf8, 1, sjis); }

bool SjisToUtf8(std::string_view sjis, std::string* utf8) { return Convert(kSjisToUtf8, sjis, 3, utf8); }

bool ToSjis(Encoding encoding, std::string_view text, std::string* sjis) {
  switch (encoding) {
    case Encoding::kSjis:
      if (text.find('\0') != std::string_view::npos) return false;
      sjis->assign(text);
      return true;
    case Encoding::kEucJp:
      return Convert(kEucToSjis, text, 1, sjis);
    case Encoding::kUtf8:
      break;
  }
  return Utf8ToSjis(text, sjis);
}

}  // namespace krv::cli
