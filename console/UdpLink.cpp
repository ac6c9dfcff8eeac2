#include "console/UdpLink.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QHostInfo>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "core/RunTimeError.h"

namespace {

constexpr int kBatch = 32;                   // datagrams per recvmmsg call
constexpr std::size_t kMaxDatagram = 65536;  // larger than any UDP payload
// A name that failed to resolve is asked again after this long.
constexpr std::chrono::seconds kRetryResolve{5};

// Socket errors as the numbered errors operators know from other consoles.
RunTimeError SocketError(int error) {
  int number = error;
  switch (error) {
    case EACCES:
      number = 10013;
      break;
    case EMSGSIZE:
      number = 10040;
      break;
    case EADDRINUSE:
      number = 10048;
      break;
    case EADDRNOTAVAIL:
      number = 10049;
      break;
    case ENETUNREACH:
      number = 10051;
      break;
    case EHOSTUNREACH:
      number = 10065;
      break;
    default:
      break;
  }
  return {number, std::strerror(error)};
}

int ParsePort(const std::string& text) {
  int port = 0;
  const char* end = text.data() + text.size();
  auto [next, error] = std::from_chars(text.data(), end, port);
  if (text.empty() || error != std::errc() || next != end) throw RunTimeError::TypeMismatch();
  if (port < 0 || port > 65535) throw RunTimeError::InvalidArgument();
  return port;
}

sockaddr_in ToSockaddr(const QHostAddress& address, int port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  sa.sin_addr.s_addr = htonl(address.toIPv4Address());
  return sa;
}

}  // namespace

UdpLink::UdpLink(QObject* parent) : QObject(parent), buffers_(kBatch * kMaxDatagram) {}

UdpLink::~UdpLink() { Close(); }

void UdpLink::Close() {
  delete notifier_;
  notifier_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  state_ = StateClosed;
  localPort_ = 0;
}

const QHostAddress* UdpLink::Resolve(const std::string& host) {
  auto it = resolved_.find(host);
  if (it != resolved_.end()) {
    const Resolution& r = it->second;
    if (r.pending) return nullptr;
    if (!r.address.isNull()) return &r.address;
    if (std::chrono::steady_clock::now() - r.failedAt < kRetryResolve) return &r.address;  // null: failed
    resolved_.erase(it);
  }

  Resolution& entry = resolved_[host];
  QHostAddress literal;
  if (host.empty()) {
    entry = {false, QHostAddress(QHostAddress::AnyIPv4), {}};
    return &entry.address;
  }
  if (literal.setAddress(QString::fromStdString(host))) {
    entry = {false, literal.protocol() == QAbstractSocket::IPv4Protocol ? literal : QHostAddress(), {}};
    entry.failedAt = std::chrono::steady_clock::now();
    return &entry.address;
  }
  lookups_[QHostInfo::lookupHost(QString::fromStdString(host), this, SLOT(HostLookedUp(QHostInfo)))] = host;
  return nullptr;
}

void UdpLink::HostLookedUp(const QHostInfo& info) {
  const auto lookup = lookups_.find(info.lookupId());
  if (lookup == lookups_.end()) return;
  Resolution& r = resolved_[lookup->second];
  lookups_.erase(lookup);
  r.pending = false;
  r.address = QHostAddress();
  for (const QHostAddress& a : info.addresses()) {
    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
      r.address = a;
      break;
    }
  }
  r.failedAt = std::chrono::steady_clock::now();
}

void UdpLink::Bind(const std::string& localPort, const std::string& localAddress) {
  Close();
  const int port = ParsePort(localPort);
  // Only the local address takes part in the bind. The remote host is the
  // target of later sends: a name that is invalid or not yet resolved makes
  // those sends fail, never receiving.
  const QHostAddress* local = Resolve(localAddress);
  if (local == nullptr) {
    state_ = StateResolving;
    throw RunTimeError(11002, "Resolving host name");
  }
  if (local->isNull()) {
    state_ = StateError;
    throw RunTimeError(11001, "Host not found");
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
  const sockaddr_in sa = ToSockaddr(*local, port);
  if (::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    const int error = errno;
    Close();
    state_ = StateError;
    throw SocketError(error);
  }
  sockaddr_in bound{};
  socklen_t length = sizeof bound;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&bound), &length);
  localPort_ = ntohs(bound.sin_port);
  state_ = StateBound;

  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });
}

void UdpLink::SetRemotePort(long port) {
  if (port < 0 || port > 65535) throw RunTimeError::InvalidArgument();
  remotePort_ = port;
}

void UdpLink::SetRemoteHost(const std::string& host) {
  remoteHost_ = host;
  // Starts resolving a name now, so that it is ready by the first send.
  Resolve(host);
}

void UdpLink::SendData(const std::string& bytes) {
  if (state_ != StateBound) throw RunTimeError(10057, "Socket is not connected");
  const QHostAddress* remote = Resolve(remoteHost_);
  if (remote == nullptr) throw RunTimeError(11002, "Host name " + remoteHost_ + " is still being resolved");
  if (remote->isNull()) throw RunTimeError(11001, "Host not found: " + remoteHost_);
  const sockaddr_in to = ToSockaddr(*remote, static_cast<int>(remotePort_));
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

void UdpLink::Drain() {
  // The notifier stays quiet while a slice runs, so nothing inside a handler
  // can re-enter the drain.
  notifier_->setEnabled(false);
  QSocketNotifier* const notifier = notifier_;
  const auto deadline = std::chrono::steady_clock::now() + kSliceBudget;

  std::array<mmsghdr, kBatch> messages{};
  std::array<iovec, kBatch> vectors{};
  for (int i = 0; i < kBatch; ++i) {
    vectors[i] = {buffers_.data() + static_cast<std::size_t>(i) * kMaxDatagram, kMaxDatagram};
    messages[i].msg_hdr.msg_iov = &vectors[i];
    messages[i].msg_hdr.msg_iovlen = 1;
  }

  const int fd = fd_;
  bool failed = false;
  do {
    const int count = ::recvmmsg(fd, messages.data(), kBatch, MSG_DONTWAIT, nullptr);
    if (count < 0) failed = errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
    if (count <= 0) break;
    for (int i = 0; i < count; ++i) {
      if (onDatagram_)
        onDatagram_(std::string_view(static_cast<const char*>(vectors[i].iov_base), messages[i].msg_len));
    }
    // A handler may have closed the socket (a re-bind in a nested event loop).
    if (fd_ != fd) break;
  } while (std::chrono::steady_clock::now() < deadline);

  if (onBatchEnd_) onBatchEnd_();
  if (notifier_ != notifier || notifier_ == nullptr) return;
  if (failed) {
    // The socket stays readable with its error, so watching it would spin:
    // it leaves state 1, and the owner's supervision binds it anew.
    state_ = StateError;
    if (onFailure_) onFailure_();
    return;
  }
  notifier_->setEnabled(true);
}
