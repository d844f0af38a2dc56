// Turns the tools' console output into text.  The tools print in the
// terminal's charset: UTF-8 when the locale's codeset is UTF-8, Shift-JIS
// otherwise; a child process inherits the wizard's locale, so the wizard
// reads with the same rule.
#ifndef KUROVIA_WIZARD_LOGIC_OUTPUT_DECODER_H
#define KUROVIA_WIZARD_LOGIC_OUTPUT_DECODER_H

#include <iconv.h>

#include <QByteArray>
#include <QString>

namespace krv::wizard {

// True when the current LC_CTYPE locale's codeset is UTF-8.
bool LocaleUsesUtf8();

// Decodes a byte stream that arrives in pieces: a character cut at the end
// of one piece is completed by the next.  Bytes that are not valid in the
// charset become U+FFFD.
class OutputDecoder {
 public:
  explicit OutputDecoder(bool utf8);
  ~OutputDecoder();
  OutputDecoder(const OutputDecoder&) = delete;
  OutputDecoder& operator=(const OutputDecoder&) = delete;

  QString Decode(const QByteArray& bytes);
  // The end of the stream: an unfinished character left over becomes U+FFFD.
  QString Finish();

 private:
  iconv_t cd_;
  QByteArray pending_;
};

}  // namespace krv::wizard

#endif  // KUROVIA_WIZARD_LOGIC_OUTPUT_DECODER_H
