#pragma once
// The instrument stand-in at work: every datagram that arrives is printed
// (up to a number of lines a second, ExchangePrinter.h), matched against the
// rules in order and answered by the first rule that matches; periodic rules
// send on their own clock. Replies and periodic lines go through one queue
// ordered by the time they are due, so delays never hold up other requests.
//
// Faults are decided per datagram sent, from a random source of each rule
// seeded from the run's seed and the rule's place, so the same seed and the
// same requests give the same faults and values, however periodic lines and
// requests interleave.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "tools/common/UdpSocket.h"
#include "tools/sim/ExchangePrinter.h"
#include "tools/sim/RulesFile.h"

struct FaultSettings {
  double dropPercent = 0;               // replies not sent
  double corruptPercent = 0;            // replies whose {BCC} is wrong
  double duplicatePercent = 0;          // replies sent twice
  std::chrono::microseconds jitter{0};  // up to this much added to each answer's delay
};

class Simulator {
 public:
  // Prints to `out` at most `linesPerSecond` lines a second (0: no limit).
  Simulator(Rules rules, UdpSocket socket, FaultSettings faults, std::uint64_t seed, std::FILE* out,
            std::uint64_t linesPerSecond);

  // Serves until `stopFd` becomes readable (a signalfd for SIGINT and SIGTERM).
  void Run(int stopFd);

  std::uint64_t Received() const { return received_; }
  std::uint64_t Sent() const { return sent_; }

 private:
  using Clock = std::chrono::steady_clock;

  struct RuleState {
    std::uint64_t count = 0;
    std::mt19937_64 random;
  };
  struct PeriodicState {
    bool running = false;
    Clock::time_point next;
    std::uint64_t count = 0;
    std::mt19937_64 random;
  };
  struct Outgoing {
    Clock::time_point due;
    std::uint64_t order = 0;  // keeps the replies of one answer in their order
    std::string bytes;
    Endpoint to;
    std::string note;
    bool drop = false;
    bool operator>(const Outgoing& other) const { return due != other.due ? due > other.due : order > other.order; }
  };

  void Handle(const Datagram& datagram, Clock::time_point now);
  std::string StartOrStopPeriodic(const std::string& request, Clock::time_point now);
  void Answer(std::size_t rule, const std::vector<std::string>& captures, const Endpoint& to, Clock::time_point now);
  void RunPeriodic(Clock::time_point now);
  void Schedule(const RuleLine& line, const std::vector<std::string>& captures, std::uint64_t count,
                std::mt19937_64& random, const Endpoint& to, Clock::time_point due, const std::string& note);
  void SendDue(Clock::time_point now);
  std::optional<Clock::time_point> NextWake() const;
  static bool Chance(double percent, std::mt19937_64& random);

  Rules rules_;
  UdpSocket socket_;
  FaultSettings faults_;
  ExchangePrinter printer_;
  std::vector<RuleState> ruleStates_;
  std::vector<PeriodicState> periodicStates_;
  std::priority_queue<Outgoing, std::vector<Outgoing>, std::greater<>> queue_;
  std::uint64_t order_ = 0;
  std::optional<Endpoint> lastPeer_;
  std::uint64_t received_ = 0;
  std::uint64_t sent_ = 0;
};
