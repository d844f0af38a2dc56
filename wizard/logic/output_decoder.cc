#include "output_decoder.h"

#include <langinfo.h>

#include <cerrno>
#include <cstring>

namespace krv::wizard {
namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

}  // namespace

bool LocaleUsesUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
}

OutputDecoder::OutputDecoder(bool utf8) : cd_(iconv_open("UTF-8", utf8 ? "UTF-8" : "CP932")) {}

OutputDecoder::~OutputDecoder() {
  if (cd_ != kNoConverter) iconv_close(cd_);
}

QString OutputDecoder::Decode(const QByteArray& bytes) {
  pending_ += bytes;
  if (cd_ == kNoConverter) {
    const QString text = QString::fromLocal8Bit(pending_);
    pending_.clear();
    return text;
  }
  QByteArray out;
  char* in = pending_.data();
  std::size_t inLeft = static_cast<std::size_t>(pending_.size());
  char buffer[4096];
  while (inLeft > 0) {
    char* outp = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t rc = iconv(cd_, &in, &inLeft, &outp, &outLeft);
    out.append(buffer, static_cast<qsizetype>(sizeof buffer - outLeft));
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;  // the buffer was full
    if (errno != EILSEQ) break;    // EINVAL: a character continues in the next piece
    out.append(kReplacement);
    ++in;
    --inLeft;
  }
  pending_ = QByteArray(in, static_cast<qsizetype>(inLeft));
  return QString::fromUtf8(out);
}

QString OutputDecoder::Finish() {
  QString text;
  if (!pending_.isEmpty()) text = QString::fromUtf8(kReplacement);
  pending_.clear();
  if (cd_ != kNoConverter) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  return text;
}

}  // namespace krv::wizard
