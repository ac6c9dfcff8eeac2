#pragma once
// The tools run as an operator's script runs them: telvane-sim on a free
// loopback port (found from its first line), telvane-send as one process per
// call with its exit status and output.
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

struct SendResult {
  int status = -1;
  std::string out;
  std::string err;
};

class SimProcess {
 public:
  // Starts the simulator with `arguments` and, unless empty, a rules file
  // with `rules`, and waits for its "listening on" line.
  explicit SimProcess(const QStringList& arguments, const std::string& rules = "");
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // "127.0.0.1:PORT", empty when the simulator did not start.
  QString Address() const { return address_; }
  // Waits until it has printed `part` (at most 20 s); false if it did not.
  bool WaitFor(const std::string& part);
  // Stops it with SIGTERM; its exit status, and all it printed in *out.
  int Stop(std::string* out);

 private:
  QTemporaryDir folder_;
  QProcess process_;
  QString address_;
  std::string printed_;  // read by WaitFor
};

// telvane-send reading standard input as a script feeds it, line by line.
class SendSession {
 public:
  SendSession(const SimProcess& sim, const QStringList& arguments);
  void Write(const std::string& text);
  // Closes its standard input and waits for it to end.
  SendResult Finish();

 private:
  QProcess process_;
};

// Runs a tool to its end, feeding it `input` on standard input when given.
SendResult RunTool(const QString& program, const QStringList& arguments, const std::string* input = nullptr);
// Runs telvane-send against the simulator.
SendResult RunSend(const SimProcess& sim, const QStringList& arguments, const std::string* input = nullptr);

// How often `part` occurs in `text`.
int Occurrences(const std::string& text, const std::string& part);
