// minimal_receiver: the console's receive work without a window, as the
// yardstick for the console's rate.
//
//   minimal_receiver <port> <log file> [--expect n] [--first n] [--address 127.x.y.z] [--quiet ms] [--wait s]
//                    [--store-folder DIR | --bare]
//
// Binds the loopback address and port with the console's 8 MiB receive
// buffer, drains arrivals with recvmmsg in slices of at most 4 ms, writes one
// log line per datagram (UTC time "HH:MM:SS:mmm", four blanks, the raw bytes,
// CR LF) to a buffer that goes to the file once per slice, lists each
// datagram in a traffic store as the console does (its bytes copied into the
// store's blocks, a 16-byte record, older blocks written to an unnamed file in
// --store-folder, default the temporary folder, by the store's writer thread;
// --bare leaves that out), and stops once the
// sender has been quiet for --quiet ms (default 1000) after the first arrival,
// or after --wait s (default 30) with nothing at all. Then it checks the file
// for the numbers first .. first+expect-1, complete and in order. Without
// --expect, the count received stands in for it, so a loss at the very end
// goes unseen.
//
// Prints "minimal_receiver ready port=P rcvbuf=B" once bound, and at the end
// "minimal_receiver received=N lost=L misplaced=M malformed=K complete=yes|no
// rate=R seconds=T". Exits 0 when complete, 4 when not, 5 when nothing came,
// 2 on a socket or file error, 1 on bad arguments or a non-loopback address.
#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "bench/load/LogFileCheck.h"
#include "bench/load/Loopback.h"
#include "traffic/TimeOfDay.h"
#include "traffic/TrafficStore.h"

namespace {

using Clock = std::chrono::steady_clock;

// The console's receive parameters, so that both do the same work.
constexpr int kReceiveBufferBytes = 8 * 1024 * 1024;
constexpr int kBatch = 32;
constexpr std::size_t kMaxDatagram = 65536;
constexpr auto kSliceBudget = std::chrono::milliseconds(4);

[[noreturn]] void Usage(const std::string& why) {
  std::fprintf(stderr,
               "minimal_receiver: %s\n"
               "usage: minimal_receiver <port> <log file> [--expect n] [--first n] [--address 127.x.y.z] "
               "[--quiet ms] [--wait s] [--store-folder DIR | --bare]\n",
               why.c_str());
  std::exit(1);
}

long long Whole(const char* text, long long low, long long high, const char* what) {
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < low || value > high) {
    Usage(std::string(what) + " out of range: " + text);
  }
  return value;
}

struct Options {
  int port = 0;
  std::string log;
  std::optional<std::uint64_t> expect;
  std::uint64_t first = 0;
  std::string address = "127.0.0.1";
  int quietMs = 1000;
  int waitS = 30;
  std::string storeFolder = "/tmp";
  bool bare = false;
};

Options Parse(int argc, char** argv) {
  if (argc < 3) Usage("missing arguments");
  Options o;
  o.port = static_cast<int>(Whole(argv[1], 1, 65535, "port"));
  o.log = argv[2];
  for (int i = 3; i < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--bare") {
      o.bare = true;
      --i;
      continue;
    }
    if (i + 1 >= argc) Usage("no value after " + flag);
    const char* value = argv[i + 1];
    if (flag == "--expect") {
      o.expect = static_cast<std::uint64_t>(Whole(value, 1, 10'000'000'000LL, "expect"));
    } else if (flag == "--first") {
      o.first = static_cast<std::uint64_t>(Whole(value, 0, 9'999'999'999LL, "first"));
    } else if (flag == "--address") {
      o.address = value;
    } else if (flag == "--quiet") {
      o.quietMs = static_cast<int>(Whole(value, 10, 60'000, "quiet"));
    } else if (flag == "--store-folder") {
      o.storeFolder = value;
    } else if (flag == "--wait") {
      o.waitS = static_cast<int>(Whole(value, 1, 600, "wait"));
    } else {
      Usage("unknown option " + flag);
    }
  }
  return o;
}

// "HH:MM:SS:mmm" of the current UTC time.
void AppendTimeStamp(std::string& out) {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  const auto ms = static_cast<unsigned>(now.tv_sec % 86400) * 1000U + static_cast<unsigned>(now.tv_nsec / 1000000);
  const unsigned parts[4] = {ms / 3600000U, ms / 60000U % 60U, ms / 1000U % 60U, ms % 1000U};
  char stamp[12];
  for (std::size_t i = 0; i < 3; ++i) {
    stamp[i * 3] = static_cast<char>('0' + parts[i] / 10);
    stamp[i * 3 + 1] = static_cast<char>('0' + parts[i] % 10);
    stamp[i * 3 + 2] = ':';
  }
  stamp[9] = static_cast<char>('0' + parts[3] / 100);
  stamp[10] = static_cast<char>('0' + parts[3] / 10 % 10);
  stamp[11] = static_cast<char>('0' + parts[3] % 10);
  out.append(stamp, sizeof stamp);
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr = RequireLoopback("minimal_receiver", o.address);
  local.sin_port = htons(static_cast<std::uint16_t>(o.port));

  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::perror("minimal_receiver: socket");
    return 2;
  }
  const int size = kReceiveBufferBytes;
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    std::perror("minimal_receiver: bind");
    return 2;
  }
  const int log = ::open(o.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (log < 0) {
    std::fprintf(stderr, "minimal_receiver: %s: %s\n", o.log.c_str(), std::strerror(errno));
    return 2;
  }
  int granted = 0;
  socklen_t length = sizeof granted;
  ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &granted, &length);
  std::printf("minimal_receiver ready port=%d rcvbuf=%d\n", o.port, granted);
  std::fflush(stdout);

  std::vector<char> buffers(kBatch * kMaxDatagram);
  std::array<mmsghdr, kBatch> messages{};
  std::array<iovec, kBatch> vectors{};
  for (int i = 0; i < kBatch; ++i) {
    vectors[i] = {buffers.data() + static_cast<std::size_t>(i) * kMaxDatagram, kMaxDatagram};
    messages[i].msg_hdr.msg_iov = &vectors[i];
    messages[i].msg_hdr.msg_iovlen = 1;
  }

  std::optional<TrafficStore> store;
  if (!o.bare) store.emplace(std::vector<std::string>{o.storeFolder}, TrafficStore::Limits{});
  std::string pending;
  std::uint64_t received = 0;
  Clock::time_point firstArrival;
  Clock::time_point lastArrival;
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    const int timeout = received == 0 ? o.waitS * 1000 : o.quietMs;
    const int ready = ::poll(&p, 1, timeout);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;  // quiet long enough, or nothing came at all

    const auto deadline = Clock::now() + kSliceBudget;
    do {
      const int count = ::recvmmsg(fd, messages.data(), kBatch, MSG_DONTWAIT, nullptr);
      if (count <= 0) break;
      lastArrival = Clock::now();
      if (received == 0) firstArrival = lastArrival;
      // One hold of the store's lock per batch, as the console takes it.
      std::optional<TrafficStore::Batch> batch;
      if (store) batch.emplace(*store);
      for (int i = 0; i < count; ++i) {
        if (batch) {
          batch->Append(EntryKind::IncomingDisplay, UtcMicroseconds(),
                        std::string_view(static_cast<const char*>(vectors[i].iov_base), messages[i].msg_len));
        }
        AppendTimeStamp(pending);
        pending.append("    ");
        pending.append(static_cast<const char*>(vectors[i].iov_base), messages[i].msg_len);
        pending.append("\r\n");
      }
      received += static_cast<std::uint64_t>(count);
    } while (Clock::now() < deadline);
    if (!WriteAll(log, pending)) {
      std::fprintf(stderr, "minimal_receiver: writing %s: %s\n", o.log.c_str(), std::strerror(errno));
      return 2;
    }
    pending.clear();
  }
  ::close(fd);
  if (::close(log) != 0) {
    std::fprintf(stderr, "minimal_receiver: closing %s: %s\n", o.log.c_str(), std::strerror(errno));
    return 2;
  }
  if (received == 0) {
    std::fprintf(stderr, "minimal_receiver: nothing arrived within %d s\n", o.waitS);
    return 5;
  }

  std::string error;
  const std::optional<SequenceCheck> check = CheckLoadLog(o.log, o.first, o.expect.value_or(received), &error);
  if (!check) {
    std::fprintf(stderr, "minimal_receiver: %s\n", error.c_str());
    return 2;
  }
  const double seconds = std::chrono::duration<double>(lastArrival - firstArrival).count();
  const double rate = seconds > 0 ? static_cast<double>(received - 1) / seconds : 0;
  std::printf(
      "minimal_receiver received=%llu lost=%llu misplaced=%llu malformed=%llu complete=%s rate=%.0f seconds=%.3f\n",
      static_cast<unsigned long long>(check->Received()), static_cast<unsigned long long>(check->Lost()),
      static_cast<unsigned long long>(check->Misplaced()), static_cast<unsigned long long>(check->Malformed()),
      check->Complete() ? "yes" : "no", rate, seconds);
  if (!check->Complete()) std::printf("minimal_receiver first fault: %s\n", check->FirstFault().c_str());
  return check->Complete() ? 0 : 4;
}
