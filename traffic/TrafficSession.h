#pragma once
// The traffic session: everything between the socket and the window. It owns
// the link (wskPort), the list's entries (the model over the store), the data
// log and the counters, and carries the receive path and the list and log
// part of the send path. The window shows what the session holds and turns
// the operator's actions into calls on it.
//
// Threads. The session has a receive thread of its own. While the link's
// socket is open, that thread waits for it, drains it with recvmmsg in
// batches, and for each datagram checks its frames, counts it, appends its
// entry to the store and its line to the data log, which it writes once per
// drained batch. It tells the window thread that entries arrived
// (EntriesArrived, at most one notice on its way at a time); the window thread
// shows them at its own pace and never handles a datagram. Nothing the window
// thread does, or fails to do, holds the receive thread up: the socket is
// drained into the store however long the window takes to paint.
//
// The receive path runs under one mutex, from taking a batch out of the
// socket to its last log line, and so do sending, "Delete list", switching
// the log and reading the counters, which the window thread does itself. Each
// of them thus falls between two batches, never inside one: an [OUT] entry
// follows every datagram taken from the socket before the send, a cleared
// list holds nothing taken before the click, and the log switch and the
// display kind (Peculiar) take effect from the next datagram on. Time stamps
// are taken under the same mutex, so they stay in list order. A datagram is
// never dropped on the way: it is in the socket's buffer until the receive
// thread takes it, and in the store once the mutex is let go.
//
// The socket itself is still configured, closed and bound by the window's
// link supervision (UdpLink); the session watches each socket that opens and
// lets go of it before it closes.
#include <QByteArray>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/SafeFile.h"
#include "traffic/DataLog.h"
#include "traffic/TrafficCounters.h"
#include "traffic/TrafficListModel.h"
#include "traffic/UdpLink.h"

class TrafficSession : public QObject, private SocketWatcher {
  Q_OBJECT

 public:
  // The store's file goes into the platform's scratch folders.
  explicit TrafficSession(QObject* parent = nullptr);
  TrafficSession(std::vector<std::string> folders, TrafficStore::Limits limits, QObject* parent = nullptr);
  ~TrafficSession() override;
  TrafficSession(const TrafficSession&) = delete;
  TrafficSession& operator=(const TrafficSession&) = delete;

  UdpLink& Link() { return *link_; }
  TrafficListModel& List() { return *list_; }
  const TrafficListModel& List() const { return *list_; }

  // How datagrams are listed and logged from the next one on: with 1 the
  // list shows the display form and the log the raw bytes, otherwise the
  // other way round.
  void SetPeculiar(std::uint8_t peculiar) { peculiar_.store(peculiar, std::memory_order_relaxed); }

  // The list part of a send: when `transmit` (the link is open) the datagram
  // `raw` goes out first; then the line is listed (as typed, `line`, or as
  // the raw bytes, after the display kind) and counted. Returns the entry's
  // number, or nothing when the store is not listing (its memory limit).
  // Throws RunTimeError when the datagram cannot go out; nothing is listed then.
  std::optional<std::uint64_t> Send(const std::string& line, const std::string& raw, bool transmit);

  // Handles a datagram as if it had arrived on the socket now; for tests and
  // benchmarks that fill the list without a peer.
  void ReceiveData(std::string_view datagram);

  // The data log. Starting empties the file (the safe way, see SafeFile.h).
  FileStatus StartLog(const std::string& path);
  // Writes what is pending and closes; false (with the reason) if a write failed.
  bool StopLog(std::string* reason);
  bool Logging() const;

  // "Delete list": the entries and the counters.
  void Clear();

  // The counters now, the rate over about the last second (nowMs: a monotonic
  // clock in milliseconds).
  CounterReadings ReadCounters(std::int64_t nowMs);

 signals:
  // Entries arrived; TrafficListModel::Commit shows them.
  void EntriesArrived();
  // Writing the data log failed; logging is off. Path and reason are bytes
  // in the 8-bit code page.
  void LogFailed(const QByteArray& path, const QByteArray& reason);
  // The socket failed while being drained; the link has left state 1.
  void LinkFailed();

 private:
  // SocketWatcher: the window thread opens and closes the link's sockets.
  void SocketOpened(int fd) override;
  void SocketClosing() override;

  // The receive thread.
  struct Buffers;
  void ReceiveLoop();
  // Drains the socket until it is empty; false if it failed.
  bool Drain(Buffers& buffers);
  // One datagram's entry, count and log line; under receiving_.
  void Handle(TrafficStore::Batch& batch, std::string_view datagram);
  // Writes the log's pending lines; switches the log off if that fails.
  void FlushLog();
  void TellArrivals();
  // The window thread waits for receiving_ between two batches; this keeps
  // the receive thread from taking it back at once under a flood.
  std::unique_lock<std::mutex> LockAsWindow() const;
  void Wake() const;

  UdpLink* link_ = nullptr;
  TrafficListModel* list_ = nullptr;
  std::atomic<std::uint8_t> peculiar_ = 1;

  // Held by the receive path and by whatever must fall between two batches.
  mutable std::mutex receiving_;
  // Under receiving_: the socket being drained (-1: none), the counters and the log.
  int socket_ = -1;
  TrafficCounters counters_;
  DataLog log_;
  mutable std::atomic<int> windowWaiting_ = 0;

  // The socket the receive thread is to wait for, and the one it waits for
  // now (-1: none); SocketClosing waits for waitEnded_.
  std::mutex waitMutex_;
  std::condition_variable waitEnded_;
  int watched_ = -1;
  int waitingOn_ = -1;
  std::atomic<bool> stopping_ = false;
  std::atomic<bool> arrivalsTold_ = false;  // an EntriesArrived is on its way
  int wakeFd_ = -1;                         // an eventfd that ends the receive thread's wait
  std::thread thread_;
};
