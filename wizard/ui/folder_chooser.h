// The folder dialog of the wizard, borrowed from libdlgutil.so.  The library
// is loaded from the program's directory at the first request and its
// SelectFolder is bound by name.
#ifndef KUROVIA_WIZARD_UI_FOLDER_CHOOSER_H
#define KUROVIA_WIZARD_UI_FOLDER_CHOOSER_H

#include <QLibrary>
#include <QString>

#include <optional>

#include "dlgutil.h"

namespace krv::wizard {

class FolderChooser {
 public:
  explicit FolderChooser(const QString& programDir);

  // The folder the user chose, or the empty string when the dialog was
  // cancelled; nullopt when the library cannot be loaded (`error` then says
  // why).
  std::optional<QString> Choose(const QString& prompt, const QString& initial, QString* error);

 private:
  QLibrary library_;
  SelectFolderProc selectFolder_ = nullptr;
};

}  // namespace krv::wizard

#endif  // KUROVIA_WIZARD_UI_FOLDER_CHOOSER_H
