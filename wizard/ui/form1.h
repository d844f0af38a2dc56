// Form1, the wizard's one window.  It only connects widgets to the wizard's
// logic: the settings file, the step commands and the step runner.
//
// Object names follow the window's control names so that tests and tools can
// find each control: w_dbFolder, cmdDbFolder, ..., cmdMake, cmdEnd,
// w_message2, w_message; the check boxes of the control array w_makeItem(i)
// are named w_makeItem_0 to w_makeItem_6.
#ifndef KUROVIA_WIZARD_UI_FORM1_H
#define KUROVIA_WIZARD_UI_FORM1_H

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <array>

#include "build_steps.h"
#include "folder_chooser.h"
#include "folder_settings.h"
#include "step_runner.h"

namespace krv::wizard {

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // `programDir` holds the tools, libdlgutil.so and dbwizard.ini: the
  // executable's directory in the program, a scratch directory in tests.
  Form1(const QString& programDir, int timeLimitSeconds, QWidget* parent = nullptr);

  bool IsRunning() const { return runner_.IsRunning(); }

 signals:
  void RunFinished();

 private:
  void BuildControls();
  void LoadSettings();
  void OnFolderEdited(Folder folder);
  void OnFolderButton(Folder folder);
  void OnMake();
  void OnRunFinished();
  void AppendMessage(const QString& text);
  void StoreFolder(Folder folder, const QString& value);
  QLineEdit& BoxOf(Folder folder) { return folderBoxes_[static_cast<std::size_t>(IndexOf(folder))]; }

  const QString programDir_;
  const QString iniPath_;
  const int timeLimitSeconds_;
  bool loading_ = false;
  bool iniWriteFailed_ = false;

  // Frames come before the controls inside them: members are destroyed in
  // reverse order, children first.
  QGroupBox frame1_;
  QGroupBox frame2_;
  std::array<QLabel, kFolderCount> folderLabels_;
  std::array<QLineEdit, kFolderCount> folderBoxes_;
  std::array<QPushButton, kFolderCount> folderButtons_;
  std::array<QCheckBox, kStepCount> makeItems_;
  QPushButton cmdMake_;
  QPushButton cmdEnd_;
  QLineEdit message2_;
  QPlainTextEdit message_;

  FolderChooser chooser_;
  StepRunner runner_;
};

}  // namespace krv::wizard

#endif  // KUROVIA_WIZARD_UI_FORM1_H
