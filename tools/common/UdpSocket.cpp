#include "tools/common/UdpSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

std::optional<UdpSocket> UdpSocket::Bind(const Endpoint& local, std::string* error) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    *error = std::string("cannot open a UDP socket: ") + std::strerror(errno);
    return std::nullopt;
  }
  UdpSocket socket(fd);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local.address), sizeof local.address) != 0) {
    *error = "cannot bind " + local.Text() + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return socket;
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), buffer_(std::move(other.buffer_)) {}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    buffer_ = std::move(other.buffer_);
  }
  return *this;
}

UdpSocket::~UdpSocket() {
  if (fd_ >= 0) ::close(fd_);
}

Endpoint UdpSocket::Local() const {
  Endpoint local;
  socklen_t length = sizeof local.address;
  ::getsockname(fd_, reinterpret_cast<sockaddr*>(&local.address), &length);
  return local;
}

bool UdpSocket::SendTo(std::string_view bytes, const Endpoint& to, std::string* error) const {
  // A full send buffer is the only reason a datagram socket waits here; one
  // short wait for room keeps bursts of replies whole.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const ssize_t sent = ::sendto(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&to.address), sizeof to.address);
    if (sent >= 0) return true;
    if (errno != EAGAIN || attempt > 0) break;
    pollfd ready{fd_, POLLOUT, 0};
    ::poll(&ready, 1, 100);
  }
  *error = "cannot send to " + to.Text() + ": " + std::strerror(errno);
  return false;
}

std::optional<Datagram> UdpSocket::TryReceive() {
  Datagram datagram;
  socklen_t length = sizeof datagram.from.address;
  const ssize_t size = ::recvfrom(fd_, buffer_.data(), buffer_.size(), 0,
                                  reinterpret_cast<sockaddr*>(&datagram.from.address), &length);
  // Errors reported on a datagram socket (a refused earlier send) are not
  // datagrams; they are skipped like an empty queue.
  if (size < 0) return std::nullopt;
  datagram.bytes.assign(buffer_.data(), static_cast<std::size_t>(size));
  return datagram;
}

std::optional<Datagram> UdpSocket::ReceiveUntil(Clock::time_point deadline) {
  for (;;) {
    if (std::optional<Datagram> datagram = TryReceive()) return datagram;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return std::nullopt;
    pollfd ready{fd_, POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(left.count()));
  }
}
