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
// resolved asynchronously and cached per text, so the window thread never
// blocks. Only the local name takes part in Bind (which fails, leaving the
// socket closed, until it is resolved); the remote name is needed only by
// SendData, which fails while it is unresolved or invalid.
//
// Receiving: when the socket is readable, pending datagrams are drained in
// one slice of at most kSliceBudget; each datagram goes to the datagram
// handler, and the end of the slice to the batch handler. A slice that runs
// out of time leaves the rest for the next pass of the event loop, so painting
// and input go on under any load. A receive error leaves the socket in the
// error state and tells the failure handler.
#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <chrono>
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
  // The destination of later sends; a name starts resolving at once.
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
  // Sends one datagram to RemoteHost:RemotePort. Throws RunTimeError.
  void SendData(const std::string& bytes);

  void SetDatagramHandler(std::function<void(std::string_view)> handler) { onDatagram_ = std::move(handler); }
  void SetBatchEndHandler(std::function<void()> handler) { onBatchEnd_ = std::move(handler); }
  // Called when the socket fails on its own (a receive error); State() is then 9.
  void SetFailureHandler(std::function<void()> handler) { onFailure_ = std::move(handler); }

  // The receive buffer the kernel granted, in bytes (0 while closed).
  int ReceiveBufferBytes() const;

 private:
  struct Resolution {
    bool pending = true;
    QHostAddress address;
    std::chrono::steady_clock::time_point failedAt;
  };
  // The address for a text, or nothing yet (lookup started or pending).
  const QHostAddress* Resolve(const std::string& host);
  void Drain();

 private slots:
  // The end of a lookup started by Resolve. (A slot named by its signature,
  // not a functor: the functor form hands Qt an object that static analysis
  // cannot see it take over, and reports as a leak.)
  void HostLookedUp(const QHostInfo& info);

 private:
  int fd_ = -1;
  int state_ = StateClosed;
  int localPort_ = 0;
  std::string remoteHost_;
  long remotePort_ = 0;
  QSocketNotifier* notifier_ = nullptr;
  std::map<std::string, Resolution> resolved_;
  std::map<int, std::string> lookups_;  // lookup id -> the text being resolved
  std::function<void(std::string_view)> onDatagram_;
  std::function<void()> onBatchEnd_;
  std::function<void()> onFailure_;
  std::vector<char> buffers_;
};
