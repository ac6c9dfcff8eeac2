// udp_load: sends numbered 64-byte datagrams to a loopback port at a steady
// rate for a bounded time, from a process of its own.
//
//   udp_load <port> <rate per second> <seconds> [--delay ms] [--first n] [--address 127.x.y.z] [--gso]
//
// Sends exactly round(rate * seconds) datagrams, numbered from --first
// (default 0), datagram i falling due at start + i / rate. Datagrams that are
// due go out together in one sendmmsg call, so the pace stays exact at rates
// far beyond what one send call per datagram could reach. That way tops out
// near 300,000 per second here, as each datagram still travels the loopback
// path on its own; --gso hands the kernel the due datagrams as one buffer to
// be cut into 64-byte datagrams (UDP segmentation offload), which goes
// several times faster. The receiver sees the same datagrams. A run that cannot
// keep up is cut off at 1.5 times its planned length plus one second; the
// tool never runs on unbounded.
//
// Prints one line: "udp_load sent=N seconds=T rate=R requested=Q", and exits
// 0 when everything was sent, 3 when the run was cut off, 2 on a send error
// and 1 on bad arguments or an address outside 127.0.0.0/8.
#include <arpa/inet.h>
#include <netinet/udp.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "bench/load/LoadDatagram.h"
#include "bench/load/Loopback.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBatch = 64;  // datagrams per send call at most; also the kernel's segment limit
#ifndef UDP_SEGMENT
constexpr int UDP_SEGMENT = 103;  // older C library headers lack it
#endif
constexpr double kMaxRate = 10'000'000;
constexpr double kMaxSeconds = 600;

[[noreturn]] void Usage(const char* why) {
  std::fprintf(
      stderr,
      "udp_load: %s\n"
      "usage: udp_load <port> <rate per second> <seconds> [--delay ms] [--first n] [--address 127.x.y.z] [--gso]\n",
      why);
  std::exit(1);
}

double Number(const char* text, double low, double high, const char* what) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || !(value >= low && value <= high)) {
    Usage((std::string(what) + " out of range: " + text).c_str());
  }
  return value;
}

struct Options {
  int port = 0;
  double rate = 0;
  double seconds = 0;
  double delayMs = 0;
  std::uint64_t first = 0;
  std::string address = "127.0.0.1";
  bool gso = false;
};

Options Parse(int argc, char** argv) {
  if (argc < 4) Usage("missing arguments");
  Options o;
  o.port = static_cast<int>(Number(argv[1], 1, 65535, "port"));
  o.rate = Number(argv[2], 1, kMaxRate, "rate");
  o.seconds = Number(argv[3], 0.001, kMaxSeconds, "seconds");
  for (int i = 4; i < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--gso") {
      o.gso = true;
      --i;
      continue;
    }
    if (i + 1 >= argc) Usage(("no value after " + flag).c_str());
    if (flag == "--delay") {
      o.delayMs = Number(argv[i + 1], 0, 60'000, "delay");
    } else if (flag == "--first") {
      o.first = static_cast<std::uint64_t>(Number(argv[i + 1], 0, static_cast<double>(kLoadMaxNumber), "first"));
    } else if (flag == "--address") {
      o.address = argv[i + 1];
    } else {
      Usage(("unknown option " + flag).c_str());
    }
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr = RequireLoopback("udp_load", o.address);
  to.sin_port = htons(static_cast<std::uint16_t>(o.port));

  const auto total = static_cast<std::uint64_t>(std::llround(o.rate * o.seconds));
  if (total == 0 || o.first + total - 1 > kLoadMaxNumber) Usage("the numbers do not fit ten digits");

  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::perror("udp_load: socket");
    return 2;
  }
  // Sleeps of tens of microseconds pace the sends; the default timer slack
  // of 50 us would stretch each of them.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

  if (o.gso) {
    const int segment = kLoadDatagramBytes;
    if (::setsockopt(fd, IPPROTO_UDP, UDP_SEGMENT, &segment, sizeof segment) != 0) {
      std::perror("udp_load: UDP_SEGMENT");
      return 2;
    }
  }

  // With --gso, message 0 carries the whole batch, which lies in one piece.
  std::array<char, kBatch * kLoadDatagramBytes> payload{};
  std::array<iovec, kBatch> vectors{};
  std::array<mmsghdr, kBatch> messages{};
  for (int i = 0; i < kBatch; ++i) {
    vectors[i] = {payload.data() + static_cast<std::size_t>(i) * kLoadDatagramBytes, kLoadDatagramBytes};
    messages[i].msg_hdr.msg_name = &to;
    messages[i].msg_hdr.msg_namelen = sizeof to;
    messages[i].msg_hdr.msg_iov = &vectors[i];
    messages[i].msg_hdr.msg_iovlen = 1;
  }

  // Sleep at least this many datagram intervals between calls, so that fast
  // rates send in small batches instead of one call per datagram.
  const double grain = std::max(1.0, std::min<double>(kBatch, o.rate / 20'000));
  const auto start = Clock::now() + std::chrono::microseconds(std::llround(o.delayMs * 1000));
  const auto cutOff = start + std::chrono::microseconds(std::llround((o.seconds * 1.5 + 1) * 1e6));
  std::this_thread::sleep_until(start);

  std::uint64_t sent = 0;
  bool cut = false;
  while (sent < total) {
    const auto now = Clock::now();
    if (now > cutOff) {
      cut = true;
      break;
    }
    const double elapsed = std::chrono::duration<double>(now - start).count();
    const auto due = std::min<std::uint64_t>(total, static_cast<std::uint64_t>(elapsed * o.rate) + 1);
    if (sent >= due) {
      const double wake = (static_cast<double>(sent) + grain - 1) / o.rate;
      std::this_thread::sleep_until(start + std::chrono::nanoseconds(std::llround(wake * 1e9)));
      continue;
    }
    const int count = static_cast<int>(std::min<std::uint64_t>(due - sent, kBatch));
    for (int i = 0; i < count; ++i) {
      FormatLoadDatagram(o.first + sent + static_cast<std::uint64_t>(i), static_cast<char*>(vectors[i].iov_base));
    }
    if (o.gso) vectors[0].iov_len = static_cast<std::size_t>(count) * kLoadDatagramBytes;
    const int calls = o.gso ? 1 : count;  // messages to hand over
    int done = 0;
    while (done < calls) {
      const int n = ::sendmmsg(fd, messages.data() + done, static_cast<unsigned>(calls - done), 0);
      if (n > 0) {
        done += n;
      } else if (errno == EINTR || errno == EAGAIN || errno == ENOBUFS) {
        // The local queue is full for a moment; try again shortly.
        std::this_thread::sleep_for(std::chrono::microseconds(20));
      } else {
        std::fprintf(stderr, "udp_load: sendmmsg: %s after %llu datagrams\n", std::strerror(errno),
                     static_cast<unsigned long long>(sent));
        ::close(fd);
        return 2;
      }
    }
    sent += static_cast<std::uint64_t>(count);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  ::close(fd);

  // The achieved rate counts the time from the first datagram's due time to
  // the last send, over the intervals between the datagrams sent.
  const double rate = sent > 1 ? static_cast<double>(sent - 1) / seconds : 0;
  std::printf("udp_load sent=%llu seconds=%.3f rate=%.0f requested=%.0f%s\n", static_cast<unsigned long long>(sent),
              seconds, rate, o.rate, cut ? " cut-off=yes" : "");
  return cut ? 3 : 0;
}
