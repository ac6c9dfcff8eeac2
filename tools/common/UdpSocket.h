#pragma once
// A bound UDP socket for the tools: one datagram per send, every datagram
// that arrives on the bound port received, waits bounded by a deadline.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "tools/common/Endpoint.h"

struct Datagram {
  std::string bytes;
  Endpoint from;
  // When the kernel took it in, not when it was read: a reply that waited in
  // the socket while the reader was busy still has its true time.
  std::chrono::system_clock::time_point arrived;
};

class UdpSocket {
 public:
  using Clock = std::chrono::steady_clock;

  // A socket bound to `local` (port 0: a free port) that stamps each
  // datagram with its arrival, or nothing with the reason in *error.
  static std::optional<UdpSocket> Bind(const Endpoint& local, std::string* error);

  UdpSocket(UdpSocket&& other) noexcept;
  UdpSocket& operator=(UdpSocket&& other) noexcept;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  ~UdpSocket();

  int Descriptor() const { return fd_; }
  // The bound address with the port the system picked.
  Endpoint Local() const;

  // Sends `bytes` as one datagram; false with the reason in *error.
  bool SendTo(std::string_view bytes, const Endpoint& to, std::string* error) const;
  // The next datagram that has arrived, without waiting; nothing when none has.
  std::optional<Datagram> TryReceive();
  // Waits until a datagram has arrived or the deadline passes.
  std::optional<Datagram> ReceiveUntil(Clock::time_point deadline);

 private:
  explicit UdpSocket(int fd) : fd_(fd) {}

  int fd_ = -1;
  std::string buffer_ = std::string(65536, '\0');  // the largest UDP datagram fits
};
