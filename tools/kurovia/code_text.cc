#include "code_text.h"

#include <charconv>
#include <cstdio>

namespace krv::cli {
namespace {

constexpr std::size_t kCodeFields = 6;

std::optional<int32_t> ParseInt32(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  int32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

// Shift-JIS forms of the characters a postal code may hold besides ASCII.
constexpr unsigned char kSjisFullWidthDigitLead = 0x82;
constexpr unsigned char kSjisFullWidthZero = 0x4F;  // ０ .. ９ = 0x824F .. 0x8258
constexpr std::string_view kSjisPostMark = "\x81\xA7";    // 〒
constexpr std::string_view kSjisFullWidthHyphen = "\x81\x7C";  // － (also U+2212)
constexpr std::string_view kSjisHyphen = "\x81\x5D";           // ‐
constexpr std::string_view kSjisLongVowel = "\x81\x5B";        // ー, a common slip for the hyphen

}  // namespace

CodeText FormatCode(const AdrCode& code) {
  CodeText result;
  char* out = result.text;
  char* const end = result.text + sizeof result.text - 1;
  for (const int32_t value :
       {code.level, code.gyoseiCode, code.choCode, code.azaCode, code.gaikuCode, code.jukyoCode}) {
    if (out != result.text) *out++ = ':';
    out = std::to_chars(out, end, value).ptr;
  }
  *out = '\0';
  return result;
}

std::optional<AdrCode> ParseCode(const std::vector<std::string>& words) {
  std::vector<std::string_view> fields;
  if (words.size() == 1) {
    std::string_view text = words[0];
    for (;;) {
      const std::size_t colon = text.find(':');
      fields.push_back(text.substr(0, colon));
      if (colon == std::string_view::npos) break;
      text.remove_prefix(colon + 1);
    }
  } else {
    for (const std::string& word : words) fields.emplace_back(word);
  }
  if (fields.size() < 2 || fields.size() > kCodeFields) return std::nullopt;
  int32_t values[kCodeFields] = {0, 0, 0, 0, 0, 0};
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const auto value = ParseInt32(fields[i]);
    if (!value) return std::nullopt;
    values[i] = *value;
  }
  if (values[0] < KRV_LEVEL_PREFECTURE || values[0] > KRV_LEVEL_RESIDENCE) return std::nullopt;
  return AdrCode{values[0], values[1], values[2], values[3], values[4], values[5]};
}

std::optional<int> ParsePostalCodeSjis(std::string_view text) {
  if (text.substr(0, kSjisPostMark.size()) == kSjisPostMark) text.remove_prefix(kSjisPostMark.size());
  int value = 0;
  int digits = 0;
  bool hyphen = false;
  while (!text.empty()) {
    const auto c = static_cast<unsigned char>(text[0]);
    int digit = -1;
    std::size_t length = 1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c == kSjisFullWidthDigitLead && text.size() >= 2 &&
               static_cast<unsigned char>(text[1]) >= kSjisFullWidthZero &&
               static_cast<unsigned char>(text[1]) <= kSjisFullWidthZero + 9) {
      digit = static_cast<unsigned char>(text[1]) - kSjisFullWidthZero;
      length = 2;
    } else {
      const std::string_view two = text.substr(0, 2);
      const bool isHyphen = c == '-' || two == kSjisFullWidthHyphen || two == kSjisHyphen || two == kSjisLongVowel;
      if (!isHyphen || hyphen || digits != 3) return std::nullopt;
      hyphen = true;
      length = c == '-' ? 1 : 2;
    }
    if (digit >= 0) {
      if (++digits > 7) return std::nullopt;
      value = value * 10 + digit;
    }
    text.remove_prefix(length);
  }
  if (digits != 7) return std::nullopt;
  return value;
}

std::string FormatPostalCode(int postalCode) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d-%04d", postalCode / 10000 % 1000, postalCode % 10000);
  return text;
}

}  // namespace krv::cli
