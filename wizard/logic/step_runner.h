// Runs the tools of the ticked build steps one after another as child
// processes, without blocking the caller's event loop: each step starts when
// the one before it has ended.
//
// A step fails when the tool writes anything to its standard error, runs
// past the time limit (it is then killed), cannot be started, or ends
// abnormally (a signal, or a non-zero exit status: the tools exit with 1
// when they printed an error message and 2 for their usage line).  A failed
// step adds an error line to the output; the run goes on with the next step
// either way.
#ifndef KUROVIA_WIZARD_LOGIC_STEP_RUNNER_H
#define KUROVIA_WIZARD_LOGIC_STEP_RUNNER_H

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <cstddef>
#include <memory>
#include <vector>

#include "build_steps.h"
#include "output_decoder.h"

namespace krv::wizard {

class StepRunner : public QObject {
  Q_OBJECT

 public:
  explicit StepRunner(QObject* parent = nullptr);
  ~StepRunner() override;
  StepRunner(const StepRunner&) = delete;
  StepRunner& operator=(const StepRunner&) = delete;

  // Starts a run; false, and nothing happens, while one is in progress.
  // Finished() follows at once (from the event loop) for an empty list.
  bool Start(std::vector<ToolCommand> commands, int timeLimitSeconds);
  bool IsRunning() const { return running_; }

 signals:
  void StepStarted(const QString& commandLine);
  // Standard output of the running tool as it arrives, and error lines.
  void Output(const QString& text);
  void StepEnded();
  void Finished();

 private:
  void StartNext();
  void ReadOutput();
  void OnErrorOccurred(QProcess::ProcessError error);
  void OnProcessFinished(int exitCode, QProcess::ExitStatus status);
  void OnTimeLimit();
  void EndStep(bool failed, const QString& errorText);
  void StopProcess();

  std::vector<ToolCommand> commands_;
  std::size_t next_ = 0;
  bool running_ = false;
  bool utf8_ = true;
  int timeLimitMs_ = 0;

  std::unique_ptr<QProcess> process_;
  QString commandLine_;
  std::unique_ptr<OutputDecoder> outputDecoder_;
  QByteArray errorBytes_;
  bool timedOut_ = false;
  QTimer timer_;
};

}  // namespace krv::wizard

#endif  // KUROVIA_WIZARD_LOGIC_STEP_RUNNER_H
