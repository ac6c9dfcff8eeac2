#pragma once
// wskPort: the UDP link to the instrument.
//
// It offers the operations the link supervision relies on (RemoteHost,
// RemotePort, LocalPort, State, Close, Bind, SendData) and the states
// 0 closed, 1 bound, 4 resolving a host name, 9 error. It is a plain OS
// socket watched by a QSocketNotifier rather than a QUdpSocket: QUdpSocket
// stops notifying until each datagram is read through it one by one, which
// rules out draining the socket in batches with recvmmsg; under a flood of
// datagrams that batch is what keeps the one window thread ahead.
//
// Host names (the local address defaults to the machine's host name) are
// looked up through the platform without blocking, and again for every
// attempt to open the link: a name may have moved since (hosts file, DHCP).
// The answers of one attempt serve its binds until one of them opens the
// link; the next attempt (the link dropped, or ForgetHostAddresses) asks
// again. A name is never looked up twice at once: an attempt that finds a
// lookup from an earlier one under way waits for it and then asks once more,
// since that answer may predate whatever made it bind anew. A name that was
// not found is asked again at the next bind, re-bind or send. Only the local
// name takes part in Bind (which fails, leaving the socket resolving or in
// error, until it is found); the remote name is needed only by SendData,
// which fails while it is not found or not yet looked up.
//
// Receiving: when the socket is readable, pending datagrams are drained in
// one slice of at most kSliceBudget; each datagram goes to the datagram
// handler, and the end of the slice to the batch handler. A slice that runs
// out of time leaves the rest for the next pass of the event loop, so painting
// and input go on under any load. A receive error leaves the socket in the
// error state and tells the failure handler.
#include <QHostAddress>
#include <QObject>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;

class UdpLink : public QObject {
  Q_OBJECT

 public:
  enum : int { StateClosed = 0, StateBound = 1, StateResolving = 4, StateError = 9 };
  static constexpr std::chrono::milliseconds kSliceBudget{4};
  static constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;

  explicit UdpLink(QObject* parent = nullptr);
  ~UdpLink() override;
  UdpLink(const UdpLink&) = delete;
  UdpLink& operator=(const UdpLink&) = delete;

  int State() const { return state_; }
  const std::string& RemoteHost() const { return remoteHost_; }
  // The destination of later sends; a name is looked up at once unless a
  // lookup serving this attempt is under way or answered.
  void SetRemoteHost(const std::string& host);
  long RemotePort() const { return remotePort_; }
  // Throws RunTimeError for a number that is no UDP port.
  void SetRemotePort(long port);
  // The port the socket is bound to; 0 while closed.
  int LocalPort() const { return localPort_; }

  void Close();
  // Binds to the local address and port (decimal text). Throws RunTimeError
  // and leaves the socket closed, resolving or in the error state.
  void Bind(const std::string& localPort, const std::string& localAddress);
  // Host names answered so far serve no later bind or re-bind: the next ones
  // look them up again (the operator may have moved a name meanwhile).
  void ForgetHostAddresses() { ++attempt_; }
  // Sends one datagram to RemoteHost:RemotePort. Throws RunTimeError.
  void SendData(const std::string& bytes);

  void SetDatagramHandler(std::function<void(std::string_view)> handler) { onDatagram_ = std::move(handler); }
  void SetBatchEndHandler(std::function<void()> handler) { onBatchEnd_ = std::move(handler); }
  // Called when the socket fails on its own (a receive error); State() is then 9.
  void SetFailureHandler(std::function<void()> handler) { onFailure_ = std::move(handler); }

  // The receive buffer the kernel granted, in bytes (0 while closed).
  int ReceiveBufferBytes() const;

 private:
  // One host name's lookup and its answer.
  struct HostLookup {
    int id = 0;
    bool pending = true;
    QHostAddress address;        // the answer; null: the name is not known
    std::uint64_t attempt = 0;   // the attempt to open the link it serves
    bool askAgain = false;       // a later attempt wants it: look up once more when it ends
    bool afterNotFound = false;  // asked again after "not found": the link stays in error meanwhile
  };
  // The lookup of a name that serves the current attempt, started if needed.
  HostLookup& LookUpForThisAttempt(const std::string& name);
  // Looks the name up for the current attempt, replacing what was known of it.
  HostLookup& StartLookup(const std::string& name, bool afterNotFound);
  void HostLookedUp(const std::string& name, int id, const std::vector<std::string>& addresses);
  // Drops the answers for names neither end of the link uses any more.
  void ForgetUnusedHosts();
  void Drain();

 private:
  int fd_ = -1;
  int state_ = StateClosed;
  int localPort_ = 0;
  std::string remoteHost_;
  long remotePort_ = 0;
  QSocketNotifier* notifier_ = nullptr;
  std::string localHost_;  // the local address of the last Bind
  std::map<std::string, HostLookup> hosts_;
  int lastLookupId_ = 0;
  // Counts the attempts to open the link: one ends when the link opens, or
  // by ForgetHostAddresses.
  std::uint64_t attempt_ = 0;
  std::function<void(std::string_view)> onDatagram_;
  std::function<void()> onBatchEnd_;
  std::function<void()> onFailure_;
  std::vector<char> buffers_;
};
