// A small instrument stand-in for trying the console by hand: it listens on
// a loopback UDP port, prints every datagram it receives in the display form,
// and answers each with the frame STX "0,1,OK" ETX and its block check.
//
//   telvane_peer <address> <port> [seconds]
//
// Only loopback addresses (127.0.0.0/8) are accepted. It stops by itself
// after the given time (default 600 s).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "notation/BlockCheck.h"
#include "notation/Notation.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <127.x.x.x> <port> [seconds]\n", argv[0]);
    return 2;
  }
  sockaddr_in self{};
  self.sin_family = AF_INET;
  self.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
  if (inet_pton(AF_INET, argv[1], &self.sin_addr) != 1 || (ntohl(self.sin_addr.s_addr) >> 24) != 127) {
    std::fprintf(stderr, "%s: only loopback addresses (127.0.0.0/8) are allowed\n", argv[0]);
    return 2;
  }
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 600;

  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0) {
    std::perror("bind");
    return 1;
  }
  std::string answer = fkt_SpecialCharsToRaw("<STX>0,1,OK<ETX>");
  answer.push_back(static_cast<char>(fkt_CalcBlockCheck(answer)));
  std::printf("listening on %s:%s for %d s\n", argv[1], argv[2], seconds);
  std::fflush(stdout);

  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::string buffer(65536, '\0');
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
    if (n < 0) continue;
    std::printf("received %zd bytes: %s\n", n, fkt_RawToSpecialChars(buffer.substr(0, static_cast<std::size_t>(n))).c_str());
    std::fflush(stdout);
    // Answer only loopback senders.
    if ((ntohl(from.sin_addr.s_addr) >> 24) == 127) {
      ::sendto(fd, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
  }
  ::close(fd);
  return 0;
}
