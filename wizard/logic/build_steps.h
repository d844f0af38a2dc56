// The seven build steps and the command that runs each one's tool.
#ifndef KUROVIA_WIZARD_LOGIC_BUILD_STEPS_H
#define KUROVIA_WIZARD_LOGIC_BUILD_STEPS_H

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

#include "folder_settings.h"

namespace krv::wizard {

constexpr int kStepCount = 7;

struct BuildStep {
  const char* tool;              // executable name in the program's directory
  const char* caption;           // check-box caption (UTF-8)
  std::optional<Folder> source;  // second argument, after the DB folder
};

// Steps in build order: each tool reads the DB files of those before it.
const BuildStep& StepInfo(int index);

// A tool's program path and its arguments, passed to the child process as a
// list: a folder with blanks in its path stays one argument.
struct ToolCommand {
  QString program;
  QStringList arguments;
};

ToolCommand MakeToolCommand(int index, const QString& programDir, const FolderValues& folders);
// The commands of the ticked steps, in build order.
std::vector<ToolCommand> MakeRunCommands(const std::array<bool, kStepCount>& ticked,
                                         const QString& programDir, const FolderValues& folders);

// The command as shown to the user: program and arguments joined by blanks.
QString CommandLineText(const ToolCommand& command);
// The line reported for a failed step, line break included.
QString ErrorLine(const QString& commandLine, const QString& errorText);

// Seconds a tool may run before it is stopped: 600, or the positive number
// in the environment variable KRV_WIZARD_TIMEOUT_SECONDS.
constexpr int kDefaultTimeLimitSeconds = 600;
constexpr const char* kTimeLimitVariable = "KRV_WIZARD_TIMEOUT_SECONDS";
int TimeLimitSeconds();

}  // namespace krv::wizard

#endif  // KUROVIA_WIZARD_LOGIC_BUILD_STEPS_H
