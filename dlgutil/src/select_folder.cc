// The folder chooser: Qt's own file dialog in folders-only mode, run modally
// inside the calling program's QApplication.
#include <iconv.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <string>

#include "dlgutil.h"

namespace {

constexpr const char* kAnswerVariable = "KRV_SELECT_FOLDER_ANSWER";

// Shift-JIS title to QString; a title that is not valid Shift-JIS is read in
// the locale's charset instead.
QString TitleText(const char* title) {
  if (title == nullptr || *title == '\0') return QString();
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    const std::size_t inSize = std::strlen(title);
    std::string out(inSize * 3 + 1, '\0');
    char* in = const_cast<char*>(title);
    std::size_t inLeft = inSize;
    char* outp = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc != static_cast<std::size_t>(-1)) {
      return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size() - outLeft));
    }
  }
  return QString::fromLocal8Bit(title);
}

// The folder the user picked, as file-system bytes; empty on cancel.
QByteArray AskForFolder(void* owner, const char* title, const char* initial) {
  if (const char* answer = std::getenv(kAnswerVariable)) return QByteArray(answer);

  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (app == nullptr || QThread::currentThread() != app->thread()) return QByteArray();

  const QString start = initial != nullptr ? QFile::decodeName(initial) : QString();
  QFileDialog dialog(static_cast<QWidget*>(owner), TitleText(title), start);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return QByteArray();
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return QByteArray();
  return QFile::encodeName(chosen.first());
}

}  // namespace

extern "C" void SelectFolder(void* owner, const char* title, const char* initial, char* result,
                             int32_t size) {
  if (result == nullptr || size <= 0) return;
  const auto capacity = static_cast<std::size_t>(size);
  std::memset(result, 0, capacity);
  try {
    const QByteArray folder = AskForFolder(owner, title, initial);
    // A path cut short would name another folder: one that does not fit
    // counts as no answer.
    if (static_cast<std::size_t>(folder.size()) < capacity) {
      std::memcpy(result, folder.constData(), static_cast<std::size_t>(folder.size()));
    }
  } catch (...) {
    std::memset(result, 0, capacity);
  }
}
