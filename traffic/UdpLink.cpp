#include "traffic/UdpLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QPointer>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>

#include "core/Platform.h"
#include "core/RunTimeError.h"

namespace {

int ParsePort(const std::string& text) {
  int port = 0;
  const char* end = text.data() + text.size();
  auto [next, error] = std::from_chars(text.data(), end, port);
  if (text.empty() || error != std::errc() || next != end) throw RunTimeError::TypeMismatch();
  if (port < 0 || port > 65535) throw RunTimeError::InvalidArgument();
  return port;
}

// The address a host text stands for by itself: empty is any address, an
// IPv4 literal itself, an IPv6 literal a null address (the link is IPv4).
// Nothing for a name, which must be looked up.
std::optional<QHostAddress> LiteralAddress(const std::string& host) {
  if (host.empty()) return QHostAddress(QHostAddress::AnyIPv4);
  QHostAddress literal;
  if (!literal.setAddress(QString::fromStdString(host))) return std::nullopt;
  return literal.protocol() == QAbstractSocket::IPv4Protocol ? literal : QHostAddress();
}

RunTimeError HostNotFound(const std::string& host) { return {11001, "Host not found: " + host}; }

sockaddr_in ToSockaddr(const QHostAddress& address, int port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  sa.sin_addr.s_addr = htonl(address.toIPv4Address());
  return sa;
}

}  // namespace

RunTimeError SocketError(int error) {
  int number = error;
  switch (error) {
    case EACCES: number = 10013; break;
    case EMSGSIZE: number = 10040; break;
    case EADDRINUSE: number = 10048; break;
    case EADDRNOTAVAIL: number = 10049; break;
    case ENETUNREACH: number = 10051; break;
    case EHOSTUNREACH: number = 10065; break;
    default: break;
  }
  return {number, std::strerror(error)};
}

UdpLink::UdpLink(QObject* parent) : QObject(parent) {}

UdpLink::~UdpLink() { Close(); }

void UdpLink::Close() {
  if (fd_ >= 0) {
    if (watcher_ != nullptr) watcher_->SocketClosing();
    ::close(fd_);
  }
  fd_ = -1;
  state_ = StateClosed;
  localPort_ = 0;
}

UdpLink::HostLookup& UdpLink::LookUpForThisAttempt(const std::string& name) {
  const auto found = hosts_.find(name);
  if (found == hosts_.end()) return StartLookup(name, false);
  HostLookup& lookup = found->second;
  if (lookup.attempt == attempt_) return lookup;
  if (!lookup.pending) return StartLookup(name, false);
  // Never two lookups of one name at once; but this answer may be older than
  // the reason for this attempt, so the name is asked once more after it.
  lookup.askAgain = true;
  lookup.attempt = attempt_;
  return lookup;
}

UdpLink::HostLookup& UdpLink::StartLookup(const std::string& name, bool afterNotFound) {
  const int id = ++lastLookupId_;
  HostLookup& lookup = hosts_[name];
  lookup = HostLookup{};
  lookup.id = id;
  lookup.attempt = attempt_;
  lookup.afterNotFound = afterNotFound;
  // The answer is taken by lookup id, so one meant for a lookup this link has
  // since replaced is dropped; and not at all once the link is gone.
  CurrentPlatform().LookUpHost(name,
                               [link = QPointer<UdpLink>(this), name, id](const std::vector<std::string>& addresses) {
                                 if (link != nullptr) link->HostLookedUp(name, id, addresses);
                               });
  return lookup;  // map nodes stay put; the answer may already be in
}

void UdpLink::HostLookedUp(const std::string& name, int id, const std::vector<std::string>& addresses) {
  const auto found = hosts_.find(name);
  if (found == hosts_.end() || found->second.id != id) return;
  HostLookup& lookup = found->second;
  if (lookup.askAgain) {
    // This answer may be older than the attempt that now wants the name.
    if (name == localHost_ || name == remoteHost_) {
      StartLookup(name, lookup.afterNotFound);
    } else {
      hosts_.erase(found);
    }
    return;
  }
  lookup.pending = false;
  lookup.address = QHostAddress();
  for (const std::string& text : addresses) {
    const QHostAddress address(QString::fromStdString(text));
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
      lookup.address = address;
      break;
    }
  }
}

void UdpLink::ForgetUnusedHosts() {
  std::erase_if(hosts_, [this](const auto& entry) {
    return !entry.second.pending && entry.first != localHost_ && entry.first != remoteHost_;
  });
}

void UdpLink::Bind(const std::string& localPort, const std::string& localAddress) {
  Close();
  const int port = ParsePort(localPort);
  localHost_ = localAddress;
  ForgetUnusedHosts();
  // Only the local address takes part in the bind. The remote host is the
  // target of later sends: a name that is invalid or not yet resolved makes
  // those sends fail, never receiving.
  const std::optional<QHostAddress> literal = LiteralAddress(localAddress);
  QHostAddress local;
  if (literal) {
    local = *literal;
  } else {
    const HostLookup& lookup = LookUpForThisAttempt(localAddress);
    if (lookup.pending) {
      // After "not found" the link stays in error until the name is found,
      // rather than flicker between the two states at every tick.
      state_ = lookup.afterNotFound ? StateError : StateResolving;
      if (lookup.afterNotFound) throw HostNotFound(localAddress);
      throw RunTimeError(11002, "Resolving host name " + localAddress);
    }
    local = lookup.address;
    // A name not found is asked again at once; the next tick takes the answer.
    if (local.isNull()) StartLookup(localAddress, true);
  }
  if (local.isNull()) {
    state_ = StateError;
    throw HostNotFound(localAddress);
  }

  fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    state_ = StateError;
    throw SocketError(errno);
  }
  // A large receive buffer rides out bursts while the window is busy. The
  // forced variant goes past the system limit where the program may do so.
  const int size = kReceiveBufferBytes;
  if (::setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  // No address sharing: a port held by another socket makes the bind fail.
  const sockaddr_in sa = ToSockaddr(local, port);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    const int error = errno;
    Close();
    state_ = StateError;
    // The address is not one of the machine's: the name may have moved.
    if (error == EADDRNOTAVAIL && !literal) StartLookup(localAddress, true);
    throw SocketError(error);
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &length);
  localPort_ = ntohs(bound.sin_port);
  state_ = StateBound;
  // This attempt is over: the next bind or re-bind looks the names up again.
  ++attempt_;

  if (watcher_ != nullptr) watcher_->SocketOpened(fd_);
}

void UdpLink::SetRemotePort(long port) {
  if (port < 0 || port > 65535) throw RunTimeError::InvalidArgument();
  remotePort_ = port;
}

void UdpLink::SetRemoteHost(const std::string& host) {
  remoteHost_ = host;
  ForgetUnusedHosts();
  if (LiteralAddress(host)) return;
  // Looked up now, so that the answer is there by the first send; a name
  // not found is asked again.
  const auto found = hosts_.find(host);
  if (found != hosts_.end() && !found->second.pending && found->second.address.isNull()) {
    StartLookup(host, true);
  } else {
    LookUpForThisAttempt(host);
  }
}

void UdpLink::SendData(const std::string& bytes) {
  if (state_ != StateBound) throw RunTimeError(10057, "Socket is not connected");
  QHostAddress remote;
  if (const std::optional<QHostAddress> literal = LiteralAddress(remoteHost_)) {
    remote = *literal;
  } else {
    const auto found = hosts_.find(remoteHost_);
    if (found == hosts_.end() || found->second.pending) {
      if (found == hosts_.end()) StartLookup(remoteHost_, false);
      throw RunTimeError(11002, "Host name " + remoteHost_ + " is still being resolved");
    }
    remote = found->second.address;
    // Not found: asked again now, so the next send takes the fresh answer.
    if (remote.isNull()) StartLookup(remoteHost_, true);
  }
  if (remote.isNull()) throw HostNotFound(remoteHost_);
  const sockaddr_in to = ToSockaddr(remote, static_cast<int>(remotePort_));
  for (;;) {
    const ssize_t sent =
        ::sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent >= 0) return;
    if (errno == EINTR) continue;
    throw SocketError(errno);
  }
}

int UdpLink::ReceiveBufferBytes() const {
  if (fd_ < 0) return 0;
  int size = 0;
  socklen_t length = sizeof size;
  ::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, &length);
  return size;
}

void UdpLink::Fail() {
  if (state_ == StateBound) state_ = StateError;
}
