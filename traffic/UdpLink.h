#pragma once
// wskPort: the UDP link to the instrument.
//
// It offers the operations the link supervision relies on (RemoteHost,
// RemotePort, LocalPort, State, Close, Bind, SendData) and the states
// 0 closed, 1 bound, 4 resolving a host name, 9 error. It is a plain OS
// socket, not a QUdpSocket: QUdpSocket wants each datagram read through it
// one by one on its own thread, which rules out draining the socket in
// batches with recvmmsg on a thread of the receiver's own.
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
// The link is configured, closed and bound on the window thread (the link
// supervision). Receiving is not its business: the socket watcher (the
// traffic session) is told of every socket that opens, and before a socket
// closes, so that its receive thread takes datagrams from exactly the
// sockets that are open. A receive error that the watcher meets comes back as
// Fail: the socket leaves state 1, and the supervision binds anew.
#include <QHostAddress>
#include <QObject>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/RunTimeError.h"

// Who receives from the link's socket.
class SocketWatcher {
 public:
  virtual ~SocketWatcher() = default;
  // A socket was bound: watch it from now on.
  virtual void SocketOpened(int fd) = 0;
  // The socket is about to close: let go of it before this returns.
  virtual void SocketClosing() = 0;
};

// A socket's error as the numbered error operators know from other consoles.
RunTimeError SocketError(int error);

class UdpLink : public QObject {
  Q_OBJECT

 public:
  enum : int { StateClosed = 0, StateBound = 1, StateResolving = 4, StateError = 9 };
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

  // The one watcher of the socket (not owned); nullptr: none.
  void SetWatcher(SocketWatcher* watcher) { watcher_ = watcher; }
  // The watcher met a receive error: the socket leaves state 1 (it stays open
  // until the supervision closes it and binds anew).
  void Fail();

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

 private:
  int fd_ = -1;
  int state_ = StateClosed;
  int localPort_ = 0;
  std::string remoteHost_;
  long remotePort_ = 0;
  SocketWatcher* watcher_ = nullptr;
  std::string localHost_;  // the local address of the last Bind
  std::map<std::string, HostLookup> hosts_;
  int lastLookupId_ = 0;
  // Counts the attempts to open the link: one ends when the link opens, or
  // by ForgetHostAddresses.
  std::uint64_t attempt_ = 0;
};
