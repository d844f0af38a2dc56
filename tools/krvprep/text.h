// Text helpers of krvprep.  The tool works in UTF-8 inside and writes
// Shift-JIS (code page 932); every conversion between the two goes through
// Utf8ToSjis and SjisToUtf8, which use the library's conversion.
#ifndef KUROVIA_TOOLS_KRVPREP_TEXT_H
#define KUROVIA_TOOLS_KRVPREP_TEXT_H

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace krv::prep {

// Reads the code point at `*pos` and moves `*pos` past it.  A byte that does
// not start a well-formed UTF-8 sequence is returned as U+FFFD and skipped.
char32_t NextCodePoint(std::string_view text, std::size_t* pos);
void AppendUtf8(std::string* out, char32_t cp);
// Number of code points.
std::size_t CountCodePoints(std::string_view text);
// The first `count` code points of `text`.
std::string_view FirstCodePoints(std::string_view text, std::size_t count);
bool IsValidUtf8(std::string_view text);

// The conversions between UTF-8 and Shift-JIS (CP932).  False when the text
// holds a character the other side does not have (or is malformed).
bool Utf8ToSjis(std::string_view utf8, std::string* sjis);
bool SjisToUtf8(std::string_view sjis, std::string* utf8);

// Writes registry and position-reference texts in Shift-JIS.  Characters of
// the newer JIS X 0213 repertoire that the registry uses but CP932 lacks are
// replaced by the form CP932 has (簞 -> 箪, 屛 -> 屏, ...); the replacements
// made are counted for the summary.
class SjisEncoder {
 public:
  // The text with those replacements made (and counted); the other
  // characters unchanged.  Names are compared in this form.
  std::string Normalize(std::string_view utf8);
  // False when a character has no Shift-JIS form even after replacement;
  // `badChar` then receives it (UTF-8).
  bool Encode(std::string_view utf8, std::string* sjis, std::string* badChar = nullptr);
  // The replacements made so far: "簞->箪" -> count.
  const std::map<std::string, long>& replacements() const { return replacements_; }

 private:
  std::map<std::string, long> replacements_;
};

// Full-width katakana to full-width hiragana.  ヴ becomes う゛ and ヵ ヶ become
// か け, because CP932 has no hiragana for them.
std::string KatakanaToHiragana(std::string_view text);
// Half-width katakana (ｶﾞ) to full-width (ガ); other characters unchanged.
std::string HalfwidthKanaToFullwidth(std::string_view text);
// Full-width digits ０-９ to ASCII digits; other characters unchanged.
std::string FullwidthDigitsToAscii(std::string_view text);
// True when `text` is one or more ASCII digits.
bool IsAsciiNumber(std::string_view text);
// True when `text` holds an ASCII digit anywhere.
bool HasAsciiDigit(std::string_view text);

// 1 -> 一, 10 -> 十, 21 -> 二十一, 105 -> 百五 (1 to 9999).
std::string KanjiNumber(int value);
// Writes every chome number in kanji: 1丁目, １丁目 and 一丁目 all become
// 一丁目; text without digits before 丁目 is unchanged.
std::string NormalizeChome(std::string_view text);

// Strict decimal parsing: the whole field must be the number.
std::optional<double> ParseDecimal(std::string_view text);
std::optional<long> ParseInteger(std::string_view text);

}  // namespace krv::prep

#endif  // KUROVIA_TOOLS_KRVPREP_TEXT_H
