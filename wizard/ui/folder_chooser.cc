#include "folder_chooser.h"

#include <iconv.h>

#include <QByteArray>
#include <QFile>

#include <array>
#include <cstring>
#include <string>

namespace krv::wizard {
namespace {

constexpr const char* kLibraryFileName = "libdlgutil.so";
constexpr int kResultSize = 1024;

// Dialog titles travel as Shift-JIS.
QByteArray ToShiftJis(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(static_cast<std::size_t>(utf8.size()) * 2 + 1, '\0');
  char* in = const_cast<char*>(utf8.constData());
  std::size_t inLeft = static_cast<std::size_t>(utf8.size());
  char* outp = out.data();
  std::size_t outLeft = out.size();
  const std::size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return utf8;
  return QByteArray(out.data(), static_cast<qsizetype>(out.size() - outLeft));
}

}  // namespace

FolderChooser::FolderChooser(const QString& programDir)
    : library_(programDir + QLatin1Char('/') + QLatin1String(kLibraryFileName)) {}

std::optional<QString> FolderChooser::Choose(const QString& prompt, const QString& initial, QString* error) {
  if (selectFolder_ == nullptr) {
    if (!library_.load()) {
      if (error != nullptr) *error = library_.errorString();
      return std::nullopt;
    }
    selectFolder_ = reinterpret_cast<SelectFolderProc>(library_.resolve("SelectFolder"));
    if (selectFolder_ == nullptr) {
      if (error != nullptr) *error = library_.errorString();
      return std::nullopt;
    }
  }
  const QByteArray title = ToShiftJis(prompt);
  const QByteArray start = QFile::encodeName(initial);
  std::array<char, kResultSize> result{};
  selectFolder_(nullptr, title.constData(), start.constData(), result.data(), kResultSize);
  return QFile::decodeName(QByteArray(result.data(), static_cast<qsizetype>(strnlen(result.data(), result.size()))));
}

}  // namespace krv::wizard
