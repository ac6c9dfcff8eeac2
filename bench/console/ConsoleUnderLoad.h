#pragma once
// The real console, headless, with its link open on a loopback port and its
// data log on, and load trials against it: a udp_load process sends numbered
// datagrams, and afterwards the traffic list and the log file must hold every
// number, in order.
//
// The console reads its settings from a temporary folder the bench writes
// first (both addresses 127.0.0.1), so it never sees the built-in defaults.
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/console/BenchPlatform.h"
#include "bench/load/SequenceCheck.h"

class QCheckBox;
class TrafficView;
class frmMain;

// The console could not be brought into the state a measurement needs.
class BenchFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TrialResult {
  double requestedRate = 0;
  std::uint64_t planned = 0;  // datagrams the sender was asked for
  std::uint64_t sent = 0;
  double sendRate = 0;    // as the sender achieved it
  bool senderOk = false;  // exited normally having sent everything
  std::string senderReport;
  std::optional<SequenceCheck> list;
  std::optional<SequenceCheck> log;
  std::string logError;
  double cpuSeconds = 0;  // the console's CPU time during the trial
  double senderCpuSeconds = 0;
  double otherCpuSeconds = 0;      // everything else on the machine meanwhile
  double wallSeconds = 0;          // from the sender's start to the last arrival
  std::vector<double> latenessMs;  // of the probe timer, while datagrams arrived

  // The sender kept within 2 % of the requested rate.
  bool SenderKeptPace() const { return senderOk && sendRate >= requestedRate * 0.98; }
  bool Lossless() const { return list && list->Complete() && log && log->Complete(); }
};

class ConsoleUnderLoad {
 public:
  // address: the loopback address for the console's local and remote
  // address; port 0 picks a free port.
  ConsoleUnderLoad(const std::string& address, int port);
  ~ConsoleUnderLoad();
  ConsoleUnderLoad(const ConsoleUnderLoad&) = delete;
  ConsoleUnderLoad& operator=(const ConsoleUnderLoad&) = delete;

  // The folders for the list's file, instead of the console's own; before Start.
  void SetStoreFolders(std::vector<std::string> folders) { platform_.storeFolders = std::move(folders); }

  // Shows the window and waits for the supervision tick to open the link.
  // Throws BenchFailure if it does not.
  void Start();

  // Runs the event loop for the given time.
  static void Idle(double seconds);
  // Waits (running the event loop, at most `limit` seconds) until the rest
  // of the machine uses less than a quarter of a core, so that other
  // people's work does not end up in the figures. False if it never did.
  static bool WaitForQuietMachine(double limit);

  // Lists `count` numbered datagrams through the receive path directly (no
  // socket, logging off), as a list that already holds traffic.
  void Prefill(std::uint64_t count);
  // The same with `count` datagrams of `bytes` random bytes each.
  void PrefillRandom(std::uint64_t count, std::size_t bytes);
  // What "Delete list" does.
  void ClearList();
  // Waits until the list's store has written what it handed to its file.
  void SettleList();
  std::uint64_t Entries() const;
  int ReceiveBufferBytes() const;
  bool LinkOpen() const;
  frmMain& Window() { return *window_; }
  // The bench's own temporary folder (settings, log, files it writes).
  std::string Folder() const { return folder_.path().toStdString(); }
  // What the console's save dialog answers from now on.
  void AnswerSaveDialog(const std::string& path) { platform_.saveAnswer = path; }
  TrafficView& View();
  // Where the list's file stands: bytes on disk.
  std::uint64_t ListFileBytes() const;
  // Moves the console's link to a port that another socket holds, so that
  // every supervision tick fails to bind (the busy-port case).
  void OccupyPort();

  // Points the console's sends at a socket of the bench that takes them and
  // never reads, instead of at the console's own port; waits for the re-bind.
  void RedirectSends();
  // How long a trial waits for other work on the machine to end before it
  // measures anyway (default 300 s).
  void SetQuietWait(double seconds) { quietWait_ = seconds; }
  double QuietWait() const { return quietWait_; }
  // Told true once the sender of a trial has started, false once it is done.
  void SetDuringLoad(std::function<void(bool)> during) { duringLoad_ = std::move(during); }

  // Whether udp_load runs with --gso (for rates beyond one send per datagram).
  void SetSenderGso(bool on) { gso_ = on; }

  // What the window thread does during each trial, from a second after the
  // sender starts: nothing; block for 5 s (a hung paint, say); hold the
  // settings dialog open until the sender is done; resize the window every
  // 20 ms, larger and smaller; or "Save list as..." the whole list.
  enum class Meanwhile { Nothing, Stall, SettingsDialog, Resize, SaveList };
  void SetMeanwhile(Meanwhile meanwhile) { meanwhile_ = meanwhile; }
  // Keeps the newest entries in view during each trial, as an operator
  // watching the stream would (the view scrolled to the end every 16 ms).
  void SetFollow(bool on) { follow_ = on; }

  // One load run at `rate` per second for `seconds`, the log restarted
  // (emptied) first. probeLatency adds a 10 ms timer whose lateness is
  // recorded while datagrams arrive.
  TrialResult RunTrial(double rate, double seconds, bool probeLatency);

  // The cost of one receive batch without the socket: `perBatch` datagrams
  // through the receive path, one commit, and the event loop until the view
  // has caught up, with the view scrolled to the end of the list.
  // Milliseconds per batch, for `batches` batches.
  std::vector<double> TimeBatches(int batches, int perBatch);
  // Milliseconds of `count` full repaints of the list view where it stands.
  std::vector<double> TimeRepaints(int count);
  // Sends `rate` single numbered datagrams per second for `seconds` from a
  // thread of the bench, and measures for each the time from its send to the
  // model's taking it in (what the view shows), in ms.
  std::vector<double> ListingDelays(double rate, double seconds);

 private:
  void WriteSettings() const;
  // The window thread's part of a trial of `seconds` (SetMeanwhile).
  void DoMeanwhile(double seconds);
  void SetLogging(bool on);
  std::optional<SequenceCheck> CheckList(std::uint64_t from, std::uint64_t expected) const;

  QTemporaryDir folder_;
  std::string address_;
  int port_ = 0;
  std::string logPath_;
  BenchPlatform platform_;
  std::unique_ptr<frmMain> window_;
  QCheckBox* logging_ = nullptr;
  bool gso_ = false;
  Meanwhile meanwhile_ = Meanwhile::Nothing;
  bool follow_ = false;
  int occupier_ = -1;  // the socket holding the port of OccupyPort
  double quietWait_ = 300;
  int sink_ = -1;  // the socket taking the console's sends (RedirectSends)
  std::function<void(bool)> duringLoad_;
};
