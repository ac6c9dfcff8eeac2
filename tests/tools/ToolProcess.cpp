#include "tests/tools/ToolProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

SimProcess::SimProcess(const QStringList& arguments, const std::string& rules) {
  QStringList all{"--listen", "127.0.0.1:0"};
  all += arguments;
  if (!rules.empty()) {
    const QString path = folder_.filePath("rules.ini");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(rules.data(), static_cast<qint64>(rules.size()));
    file.close();
    all << "--rules" << path;
  }
  process_.start(TELVANE_SIM, all);
  const QRegularExpression ready(R"(listening on (127\.0\.0\.1:\d+))");
  while (address_.isEmpty() && (process_.canReadLine() || process_.waitForReadyRead(5000))) {
    if (!process_.canReadLine()) continue;
    const QRegularExpressionMatch match = ready.match(QString::fromUtf8(process_.readLine()));
    if (match.hasMatch()) address_ = match.captured(1);
  }
}

SimProcess::~SimProcess() {
  if (process_.state() != QProcess::NotRunning) {
    process_.terminate();
    process_.waitForFinished(5000);
  }
}

bool SimProcess::WaitFor(const std::string& part) {
  const QDeadlineTimer deadline(20000);
  for (;;) {
    printed_ += process_.readAllStandardOutput().toStdString();
    if (printed_.find(part) != std::string::npos) return true;
    if (deadline.hasExpired() || !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) return false;
  }
}

int SimProcess::Stop(std::string* out) {
  process_.terminate();
  process_.waitForFinished(5000);
  *out = printed_ + process_.readAllStandardOutput().toStdString();
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

SendSession::SendSession(const SimProcess& sim, const QStringList& arguments) {
  process_.start(TELVANE_SEND, QStringList{"--to", sim.Address()} + arguments);
  process_.waitForStarted(5000);
}

void SendSession::Write(const std::string& text) {
  process_.write(text.data(), static_cast<qint64>(text.size()));
  process_.waitForBytesWritten(5000);
}

SendResult SendSession::Finish() {
  process_.closeWriteChannel();
  process_.waitForFinished(30000);
  return {process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1,
          process_.readAllStandardOutput().toStdString(), process_.readAllStandardError().toStdString()};
}

SendResult RunTool(const QString& program, const QStringList& arguments, const std::string* input) {
  QProcess tool;
  tool.start(program, arguments);
  tool.waitForStarted(5000);
  if (input) tool.write(input->data(), static_cast<qint64>(input->size()));
  tool.closeWriteChannel();
  tool.waitForFinished(30000);
  return {tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1, tool.readAllStandardOutput().toStdString(),
          tool.readAllStandardError().toStdString()};
}

SendResult RunSend(const SimProcess& sim, const QStringList& arguments, const std::string* input) {
  return RunTool(TELVANE_SEND, QStringList{"--to", sim.Address()} + arguments, input);
}

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}
