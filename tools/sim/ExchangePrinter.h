#pragma once
// The simulator's line for each datagram it receives, sends, drops or fails
// to send, at most a set number of lines a second. Its output often goes to
// a file (scripts/run.sh does that), and a flood of requests would fill the
// disk: beyond the limit, the lines of the current second are only counted,
// and at the end of that second one line says how many were not printed.
//
//   14:03:28.000  [...]  not printed: 5127 received, 5127 sent  (more than 100 lines a second)
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class ExchangePrinter {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Kind { Received, Sent, Dropped, SendFailed };
  // Writes one line; `error` lines (failed sends) belong on standard error.
  using Write = std::function<void(const std::string& line, bool error)>;

  // `linesPerSecond` 0 prints every line.
  ExchangePrinter(std::uint64_t linesPerSecond, Write write);

  // Writes the line that `build` returns, unless this second's lines are
  // used up; then it is only counted, and never built.
  template <class Build>
  void Print(Kind kind, Clock::time_point now, Build&& build) {
    if (Admit(kind, now)) write_(build(), kind == Kind::SendFailed);
  }

  // Writes the summary of a second that has ended by `now`.
  void Tick(Clock::time_point now);
  // When Tick has a summary to write; nothing while no line is held back.
  std::optional<Clock::time_point> NextTick() const;
  // Writes the summary of the lines held back so far, without waiting for
  // the second to end (when the simulator stops).
  void Flush();

 private:
  bool Admit(Kind kind, Clock::time_point now);
  bool Holding() const;

  std::uint64_t limit_;
  Write write_;
  std::optional<Clock::time_point> secondEnds_;  // the second whose lines are counted
  std::uint64_t printed_ = 0;                    // lines printed in it
  std::array<std::uint64_t, 4> held_{};          // lines held back in it, by Kind
};
