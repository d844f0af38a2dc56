// The text encodings kurovia reads and writes, and walking their characters.
//
// The library takes and returns address texts in its argument encoding
// (UTF-8, Shift-JIS or EUC-JP) and counts what it matched in characters of
// the Shift-JIS text, a double-byte character counting one.  Every Shift-JIS
// character has exactly one form in the other two encodings, so the same
// count walks the text in the encoding the user chose.
#ifndef KUROVIA_TOOLS_KUROVIA_TEXT_ENCODING_H
#define KUROVIA_TOOLS_KUROVIA_TEXT_ENCODING_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace krv::cli {

enum class Encoding { kUtf8, kSjis, kEucJp };

// "utf8" (also "utf-8"), "sjis" (also "shift_jis", "cp932"), "eucjp" (also
// "euc-jp"), compared without case; nullopt for anything else.
std::optional<Encoding> ParseEncoding(std::string_view name);

// The name krvSetArgEncoding understands for the encoding.
const char* LibraryEncodingName(Encoding encoding);

// Bytes of the character that starts `text` (at least 1 for a non-empty
// text, never more than text.size()).
std::size_t CharLength(Encoding encoding, std::string_view text);

// `text` after its first `chars` characters (all of it consumed gives "").
std::string_view SkipChars(Encoding encoding, std::string_view text, int chars);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// True when `text` is well-formed in `encoding` and holds no NUL byte.
// Shift-JIS: single bytes 0x01-0x7F and 0xA1-0xDF, lead bytes 0x81-0x9F and
// 0xE0-0xFC each with a trail byte 0x40-0xFC other than 0x7F.  EUC-JP: ASCII,
// two bytes 0xA1-0xFE, 0x8E with 0xA1-0xDF, 0x8F with two bytes 0xA1-0xFE.
bool IsValidText(Encoding encoding, std::string_view text);

// Converts UTF-8 to Shift-JIS (code page 932) or back with the library's
// converter.  False when the text has no form in the target.
bool Utf8ToSjis(std::string_view utf8, std::string* sjis);
bool SjisToUtf8(std::string_view sjis, std::string* utf8);

// Converts `text` from `encoding` to Shift-JIS; false when it cannot.
bool ToSjis(Encoding encoding, std::string_view text, std::string* sjis);

}  // namespace krv::cli

#endif  // KUROVIA_TOOLS_KUROVIA_TEXT_ENCODING_H
