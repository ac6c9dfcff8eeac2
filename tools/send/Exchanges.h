#pragma once
// telvane-send's exchanges, one per line: the line goes out as one datagram,
// the replies that arrive within the wait are printed and checked, and the
// run keeps the worst outcome as its exit status.
//
// A datagram belongs to an exchange by the time the kernel took it in, not
// the time it was read: an exchange owns what arrives after its line was sent
// and before its wait ends. Whatever arrives outside every exchange is a late
// reply, reported on standard error (before the next line is sent, and at the
// end) and never counted. UDP replies carry nothing that names their request,
// so a late reply is put down to the oldest line that got no reply at all, the
// instrument answering in order, and otherwise to the line it followed; a
// reply inside a later exchange while such a line is waiting is that
// exchange's, with a note that it may be the earlier line's.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "tools/common/RuleLine.h"
#include "tools/common/UdpSocket.h"

// The exit statuses of a run; when several apply, the highest.
enum ExitStatus { kReplied = 0, kNoReply = 1, kBadBlockCheck = 2, kUnexpectedReply = 3 };

struct SendOptions {
  bool bcc = false;  // append the block check to each line
  std::chrono::microseconds wait = std::chrono::milliseconds(500);
  std::string waitText = "500ms";  // as given, for messages
  std::uint64_t count = 1;         // replies to wait for; 0: every reply until the wait ends
  // With a pattern, only matching replies count, `count` of them are needed,
  // and a run that gets others instead ends with kUnexpectedReply.
  std::optional<RuleLine> expect;
  bool raw = false;
  bool quiet = false;
  bool numberLines = false;  // name lines by number (standard input)
};

class Exchanges {
 public:
  Exchanges(SendOptions options, UdpSocket socket, const Endpoint& to);

  // One exchange for line `number`. Throws RunTimeError when the line is no
  // valid notation; nothing is sent then.
  void Run(const std::string& line, int number);
  // Reports what has arrived since the last exchange ended.
  void Finish() { TakeLate(); }

  int Status() const { return worst_; }

 private:
  using SystemClock = std::chrono::system_clock;
  struct SentLine {
    int number = 0;
    SystemClock::time_point at;
  };

  bool Prints() const { return !options_.quiet && !options_.raw; }
  void Worst(int status) { worst_ = std::max(worst_, status); }
  void TakeLate();
  void ReportLate(const Datagram& datagram);
  // Prints a reply inside the exchange of `sent`; true when it counts.
  bool TakeReply(const Datagram& datagram, const SentLine& sent);
  void Conclude(const SentLine& sent, std::uint64_t counted, std::uint64_t others);
  // "line 3: " on standard input, nothing for the one line of the command line.
  std::string Prefix(int number) const;
  // The datagram in display form, with where it came from when that is not
  // where the lines go, and a wrong block check.
  std::string Shown(const Datagram& datagram) const;

  SendOptions options_;
  UdpSocket socket_;
  Endpoint to_;
  int worst_ = kReplied;
  std::optional<SentLine> last_;     // the line sent last
  std::deque<SentLine> unanswered_;  // lines whose wait ended without any reply, oldest first
  std::optional<Datagram> held_;     // read during an exchange, but arrived after its wait
};
