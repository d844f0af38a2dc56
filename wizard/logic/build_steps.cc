#include "build_steps.h"

#include <QByteArray>
#include <QLatin1Char>
#include <QLatin1String>

#include <cstdlib>

namespace krv::wizard {
namespace {

const std::array<BuildStep, kStepCount> kSteps = {{
    {"areabuild", "行政区域レコード", std::nullopt},
    {"areahash", "行政区域ハッシュテーブル", std::nullopt},
    {"townbuild", "町大字レコード", Folder::kCho},
    {"townhash", "町大字ハッシュテーブル", std::nullopt},
    {"sectbuild", "丁目字レコード", Folder::kAza},
    {"blockbuild", "地番街区符号レコード", Folder::kGaiku},
    {"housebuild", "枝番住居番号レコード", Folder::kJukyo},
}};

// Long enough for any build, short enough for a QTimer interval in ms.
constexpr long kLargestTimeLimitSeconds = 7L * 24 * 3600;

}  // namespace

const BuildStep& StepInfo(int index) { return kSteps.at(static_cast<std::size_t>(index)); }

ToolCommand MakeToolCommand(int index, const QString& programDir, const FolderValues& folders) {
  const BuildStep& step = StepInfo(index);
  ToolCommand command;
  command.program = programDir + QLatin1Char('/') + QLatin1String(step.tool);
  command.arguments << folders[static_cast<std::size_t>(IndexOf(Folder::kDb))];
  if (step.source) command.arguments << folders[static_cast<std::size_t>(IndexOf(*step.source))];
  return command;
}

std::vector<ToolCommand> MakeRunCommands(const std::array<bool, kStepCount>& ticked,
                                         const QString& programDir, const FolderValues& folders) {
  std::vector<ToolCommand> commands;
  for (int i = 0; i < kStepCount; ++i) {
    if (ticked[static_cast<std::size_t>(i)]) commands.push_back(MakeToolCommand(i, programDir, folders));
  }
  return commands;
}

QString CommandLineText(const ToolCommand& command) {
  QStringList parts{command.program};
  parts += command.arguments;
  return parts.join(QLatin1Char(' '));
}

QString ErrorLine(const QString& commandLine, const QString& errorText) {
  return QStringLiteral("コマンド実行エラー：　") + commandLine + QLatin1Char(' ') + errorText +
         QLatin1Char('\n');
}

int TimeLimitSeconds() {
  const char* text = std::getenv(kTimeLimitVariable);
  if (text == nullptr || *text == '\0') return kDefaultTimeLimitSeconds;
  char* end = nullptr;
  const long seconds = std::strtol(text, &end, 10);
  if (*end != '\0' || seconds <= 0 || seconds > kLargestTimeLimitSeconds) return kDefaultTimeLimitSeconds;
  return static_cast<int>(seconds);
}

}  // namespace krv::wizard
