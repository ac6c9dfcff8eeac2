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
  // The kernel stamps each datagram with its arrival (read in TryReceive).
  const int on = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
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
  iovec data{buffer_.data(), buffer_.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
  msghdr message{};
  message.msg_name = &datagram.from.address;
  message.msg_namelen = sizeof datagram.from.address;
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  const ssize_t size = ::recvmsg(fd_, &message, 0);
  // Errors reported on a datagram socket (a refused earlier send) are not
  // datagrams; they are skipped like an empty queue.
  if (size < 0) return std::nullopt;
  datagram.bytes.assign(buffer_.data(), static_cast<std::size_t>(size));
  datagram.arrived = std::chrono::system_clock::now();  // should the stamp be missing
  for (cmsghdr* header = CMSG_FIRSTHDR(&message); header; header = CMSG_NXTHDR(&message, header)) {
    if (header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_TIMESTAMPNS) {
      timespec stamp{};
      std::memcpy(&stamp, CMSG_DATA(header), sizeof stamp);
      datagram.arrived =
          std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
              std::chrono::seconds(stamp.tv_sec) + std::chrono::nanoseconds(stamp.tv_nsec)));
    }
  }
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
