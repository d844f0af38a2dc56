#include "text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "kurovia.h"

namespace krv::prep {

char32_t NextCodePoint(std::string_view text, std::size_t* pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const std::size_t i = *pos;
  const unsigned char c0 = byte(i);
  std::size_t length = 0;
  char32_t cp = 0;
  if (c0 < 0x80) {
    *pos = i + 1;
    return c0;
  }
  if (c0 >= 0xC2 && c0 <= 0xDF) {
    length = 2;
    cp = c0 & 0x1Fu;
  } else if (c0 >= 0xE0 && c0 <= 0xEF) {
    length = 3;
    cp = c0 & 0x0Fu;
  } else if (c0 >= 0xF0 && c0 <= 0xF4) {
    length = 4;
    cp = c0 & 0x07u;
  }
  if (length == 0 || i + length > text.size()) {
    *pos = i + 1;
    return U'\uFFFD';
  }
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char c = byte(i + k);
    if ((c & 0xC0u) != 0x80u) {
      *pos = i + 1;
      return U'\uFFFD';
    }
    cp = (cp << 6) | (c & 0x3Fu);
  }
  const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *pos = i + 1;
    return U'\uFFFD';
  }
  *pos = i + length;
  return cp;
}

void AppendUtf8(std::string* out, char32_t cp) {
  const auto put = [out](unsigned value) { out->push_back(static_cast<char>(value)); };
  if (cp < 0x80) {
    put(cp);
  } else if (cp < 0x800) {
    put(0xC0u | (cp >> 6));
    put(0x80u | (cp & 0x3Fu));
  } else if (cp < 0x10000) {
    put(0xE0u | (cp >> 12));
    put(0x80u | ((cp >> 6) & 0x3Fu));
    put(0x80u | (cp & 0x3Fu));
  } else {
    put(0xF0u | (cp >> 18));
    put(0x80u | ((cp >> 12) & 0x3Fu));
    put(0x80u | ((cp >> 6) & 0x3Fu));
    put(0x80u | (cp & 0x3Fu));
  }
}

std::size_t CountCodePoints(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); ++count) NextCodePoint(text, &pos);
  return count;
}

std::string_view FirstCodePoints(std::string_view text, std::size_t count) {
  std::size_t pos = 0;
  for (std::size_t k = 0; k < count && pos < text.size(); ++k) NextCodePoint(text, &pos);
  return text.substr(0, pos);
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    if (NextCodePoint(text, &pos) == U'\uFFFD' &&
        text.substr(start, pos - start) != "\xEF\xBF\xBD") {
      return false;
    }
  }
  return true;
}

namespace {

// One conversion of a whole text through the library's code page 932
// tables (krvCharConv modes 2 and 3); false on any character the target
// lacks, on malformed input and on an embedded NUL.
bool Convert(int mode, std::string_view text, std::size_t room, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  if (text.find('\0') != std::string_view::npos || room > static_cast<std::size_t>(INT32_MAX)) return false;
  const std::string input(text);
  std::string buffer(room, '\0');
  if (krvCharConv(mode, input.c_str(), buffer.data(), static_cast<int>(buffer.size())) != 0) return false;
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  *out = std::move(buffer);
  return true;
}

// Characters the address registry writes in their JIS X 0213 form, which
// CP932 does not have, with the older form that CP932 has and that the
// postal list and the position reference data use.
struct Replacement {
  char32_t from;
  char32_t to;
};
constexpr Replacement kReplacements[] = {
    {0x7C1E, 0x7BAA},   // 簞 -> 箪
    {0x5C5B, 0x5C4F},   // 屛 -> 屏
    {0x525D, 0x5265},   // 剝 -> 剥
    {0x9830, 0x982C},   // 頰 -> 頬
    {0x20B9F, 0x53F1},  // 𠮟 -> 叱
    {0x5861, 0x586B},   // 塡 -> 填
    {0x6451, 0x63B4},   // 摑 -> 掴
    {0x8523, 0x848B},   // 蔣 -> 蒋
    {0x91AC, 0x91A4},   // 醬 -> 醤
    {0x9DD7, 0x9D0E},   // 鷗 -> 鴎
    {0x881F, 0x874B},   // 蠟 -> 蝋
    {0x7626, 0x75E9},   // 瘦 -> 痩
    {0x7E6B, 0x7E4B},   // 繫 -> 繋
    {0x4FF1, 0x5036},   // 俱 -> 倶
    {0x9EB5, 0x9EBA},   // 麵 -> 麺
    {0x6F51, 0x6E8C},   // 潑 -> 溌
    {0x20BB7, 0x5409},  // 𠮷 -> 吉
    {0x2123D, 0x571F},  // 𡈽 -> 土
};

}  // namespace

bool Utf8ToSjis(std::string_view utf8, std::string* sjis) { return Convert(3, utf8, utf8.size() + 1, sjis); }

// A Shift-JIS byte becomes at most three UTF-8 bytes (half-width kana).
bool SjisToUtf8(std::string_view sjis, std::string* utf8) { return Convert(2, sjis, sjis.size() * 3 + 1, utf8); }

std::string SjisEncoder::Normalize(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const char32_t cp = NextCodePoint(utf8, &pos);
    char32_t replaced = cp;
    if (cp >= 0x4E00) {
      for (const auto& r : kReplacements) {
        if (r.from != cp) continue;
        replaced = r.to;
        std::string note;
        AppendUtf8(&note, r.from);
        note += "->";
        AppendUtf8(&note, r.to);
        ++replacements_[note];
      }
    }
    AppendUtf8(&out, replaced);
  }
  return out;
}

bool SjisEncoder::Encode(std::string_view utf8, std::string* sjis, std::string* badChar) {
  if (Utf8ToSjis(utf8, sjis)) return true;
  const std::string replaced = Normalize(utf8);
  if (Utf8ToSjis(replaced, sjis)) return true;
  if (badChar != nullptr) {
    badChar->clear();
    std::string probe;
    for (std::size_t pos = 0; pos < replaced.size();) {
      const std::size_t start = pos;
      NextCodePoint(replaced, &pos);
      const std::string_view one = std::string_view(replaced).substr(start, pos - start);
      if (!Utf8ToSjis(one, &probe)) {
        *badChar = std::string(one);
        break;
      }
    }
  }
  sjis->clear();
  return false;
}

std::string KatakanaToHiragana(std::string_view text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t cp = NextCodePoint(text, &pos);
    switch (cp) {
      case U'ヴ':
        out += "う゛";
        continue;
      case U'ヵ':
        out += "か";
        continue;
      case U'ヶ':
        out += "け";
        continue;
      case U'ヷ':
        out += "わ゛";
        continue;
      case U'ヸ':
        out += "ゐ゛";
        continue;
      case U'ヹ':
        out += "ゑ゛";
        continue;
      case U'ヺ':
        out += "を゛";
        continue;
      default:
        break;
    }
    AppendUtf8(&out, cp >= U'ァ' && cp <= U'ン' ? cp - 0x60 : cp);
  }
  return out;
}

std::string HalfwidthKanaToFullwidth(std::string_view text) {
  // U+FF61 .. U+FF9F in order.
  static constexpr char32_t kBase[] = {
      U'。', U'「', U'」', U'、', U'・', U'ヲ', U'ァ', U'ィ', U'ゥ', U'ェ', U'ォ', U'ャ', U'ュ',
      U'ョ', U'ッ', U'ー', U'ア', U'イ', U'ウ', U'エ', U'オ', U'カ', U'キ', U'ク', U'ケ', U'コ',
      U'サ', U'シ', U'ス', U'セ', U'ソ', U'タ', U'チ', U'ツ', U'テ', U'ト', U'ナ', U'ニ', U'ヌ',
      U'ネ', U'ノ', U'ハ', U'ヒ', U'フ', U'ヘ', U'ホ', U'マ', U'ミ', U'ム', U'メ', U'モ', U'ヤ',
      U'ユ', U'ヨ', U'ラ', U'リ', U'ル', U'レ', U'ロ', U'ワ', U'ン', U'゛', U'゜'};
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t cp = NextCodePoint(text, &pos);
    if (cp < 0xFF61 || cp > 0xFF9F) {
      AppendUtf8(&out, cp);
      continue;
    }
    char32_t full = kBase[cp - 0xFF61];
    std::size_t next = pos;
    const char32_t mark = pos < text.size() ? NextCodePoint(text, &next) : 0;
    const bool voiceable = (full >= U'カ' && full <= U'ト' && full != U'ッ') || (full >= U'ハ' && full <= U'ホ');
    if (mark == 0xFF9E && (voiceable || full == U'ウ')) {  // ﾞ
      full = full == U'ウ' ? U'ヴ' : full + 1;
      pos = next;
    } else if (mark == 0xFF9F && full >= U'ハ' && full <= U'ホ') {  // ﾟ
      full += 2;
      pos = next;
    }
    AppendUtf8(&out, full);
  }
  return out;
}

std::string FullwidthDigitsToAscii(std::string_view text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const char32_t cp = NextCodePoint(text, &pos);
    AppendUtf8(&out, cp >= U'０' && cp <= U'９' ? cp - U'０' + U'0' : cp);
  }
  return out;
}

bool IsAsciiNumber(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool HasAsciiDigit(std::string_view text) {
  for (const char c : text) {
    if (c >= '0' && c <= '9') return true;
  }
  return false;
}

std::string KanjiNumber(int value) {
  static constexpr std::string_view kDigits[] = {"", "一", "二", "三", "四", "五", "六", "七", "八", "九"};
  static constexpr std::string_view kUnits[] = {"千", "百", "十", ""};
  if (value <= 0 || value > 9999) return std::to_string(value);
  std::string out;
  int divisor = 1000;
  for (const auto unit : kUnits) {
    const int digit = value / divisor % 10;
    if (digit > 0) {
      if (digit > 1 || unit.empty()) out += kDigits[digit];
      out += unit;
    }
    divisor /= 10;
  }
  return out;
}

std::string NormalizeChome(std::string_view text) {
  static constexpr std::string_view kChome = "丁目";
  std::string out;
  std::size_t done = 0;
  for (std::size_t at = text.find(kChome); at != std::string_view::npos; at = text.find(kChome, at + kChome.size())) {
    // Walk back over the digits (ASCII or full-width, three bytes each).
    std::size_t start = at;
    int value = 0;
    int scale = 1;
    bool any = false;
    while (start > done) {
      if (text[start - 1] >= '0' && text[start - 1] <= '9') {
        value += (text[start - 1] - '0') * scale;
        start -= 1;
      } else if (start >= done + 3 && text.substr(start - 3, 2) == "\xEF\xBC" &&
                 static_cast<unsigned char>(text[start - 1]) >= 0x90 &&
                 static_cast<unsigned char>(text[start - 1]) <= 0x99) {
        value += (static_cast<unsigned char>(text[start - 1]) - 0x90) * scale;
        start -= 3;
      } else {
        break;
      }
      any = true;
      if (scale > 1000) break;
      scale *= 10;
    }
    if (!any || value == 0) continue;
    out.append(text.substr(done, start - done));
    out += KanjiNumber(value);
    done = at;
  }
  out.append(text.substr(done));
  return out;
}

std::optional<double> ParseDecimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<long> ParseInteger(std::string_view text) {
  if (text.empty()) return std::nullopt;
  long value = 0;
  const auto* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

}  // namespace krv::prep
