#include "step_runner.h"

#include <QMetaObject>

#include <utility>

namespace krv::wizard {

StepRunner::StepRunner(QObject* parent) : QObject(parent) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &StepRunner::OnTimeLimit);
}

StepRunner::~StepRunner() { StopProcess(); }

bool StepRunner::Start(std::vector<ToolCommand> commands, int timeLimitSeconds) {
  if (running_) return false;
  commands_ = std::move(commands);
  next_ = 0;
  running_ = true;
  utf8_ = LocaleUsesUtf8();
  timeLimitMs_ = (timeLimitSeconds > 0 ? timeLimitSeconds : kDefaultTimeLimitSeconds) * 1000;
  QMetaObject::invokeMethod(this, &StepRunner::StartNext, Qt::QueuedConnection);
  return true;
}

void StepRunner::StartNext() {
  if (next_ >= commands_.size()) {
    commands_.clear();
    running_ = false;
    emit Finished();
    return;
  }
  const ToolCommand& command = commands_[next_++];
  commandLine_ = CommandLineText(command);
  outputDecoder_ = std::make_unique<OutputDecoder>(utf8_);
  errorBytes_.clear();
  timedOut_ = false;
  emit StepStarted(commandLine_);

  process_ = std::make_unique<QProcess>();
  connect(process_.get(), &QProcess::readyReadStandardOutput, this, &StepRunner::ReadOutput);
  connect(process_.get(), &QProcess::readyReadStandardError, this,
          [this] { errorBytes_ += process_->readAllStandardError(); });
  connect(process_.get(), &QProcess::errorOccurred, this, &StepRunner::OnErrorOccurred);
  connect(process_.get(), &QProcess::finished, this, &StepRunner::OnProcessFinished);
  timer_.start(timeLimitMs_);
  // The tools read nothing: their standard input is closed.
  process_->start(command.program, command.arguments, QIODevice::ReadOnly);
}

void StepRunner::ReadOutput() {
  if (process_ == nullptr) return;
  const QString text = outputDecoder_->Decode(process_->readAllStandardOutput());
  if (!text.isEmpty()) emit Output(text);
}

void StepRunner::OnErrorOccurred(QProcess::ProcessError error) {
  // Every other error is followed by finished().
  if (error == QProcess::FailedToStart && process_ != nullptr) EndStep(true, process_->errorString());
}

void StepRunner::OnProcessFinished(int exitCode, QProcess::ExitStatus status) {
  if (process_ == nullptr) return;
  ReadOutput();
  const QString rest = outputDecoder_->Finish();
  if (!rest.isEmpty()) emit Output(rest);
  errorBytes_ += process_->readAllStandardError();

  if (timedOut_) {
    EndStep(true, QStringLiteral("timeout"));
  } else if (!errorBytes_.isEmpty()) {
    OutputDecoder errorDecoder(utf8_);
    EndStep(true, errorDecoder.Decode(errorBytes_) + errorDecoder.Finish());
  } else if (status == QProcess::CrashExit) {
    EndStep(true, process_->errorString());
  } else if (exitCode != 0) {
    EndStep(true, QStringLiteral("exit status %1").arg(exitCode));
  } else {
    EndStep(false, QString());
  }
}

void StepRunner::OnTimeLimit() {
  if (process_ == nullptr) return;
  timedOut_ = true;
  // finished() follows and ends the step.
  process_->kill();
}

void StepRunner::EndStep(bool failed, const QString& errorText) {
  timer_.stop();
  if (failed) emit Output(ErrorLine(commandLine_, errorText));
  process_->disconnect(this);
  // Called from the process's own signals: it goes once they have returned.
  process_.release()->deleteLater();
  emit StepEnded();
  QMetaObject::invokeMethod(this, &StepRunner::StartNext, Qt::QueuedConnection);
}

void StepRunner::StopProcess() {
  if (process_ == nullptr) return;
  process_->disconnect(this);
  if (process_->state() != QProcess::NotRunning) {
    process_->kill();
    process_->waitForFinished();
  }
  process_.reset();
}

}  // namespace krv::wizard
