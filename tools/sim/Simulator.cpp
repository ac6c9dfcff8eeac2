#include "tools/sim/Simulator.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <utility>

#include "notation/Notation.h"
#include "tools/common/ExchangeLine.h"

namespace {

// Datagrams taken per wake-up at most, so that due replies and periodic
// lines keep their time under a flood of requests.
constexpr int kReceiveBatch = 64;

std::mt19937_64 SeededRandom(std::uint64_t seed, std::uint64_t kind, std::size_t index) {
  std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32U),
                         static_cast<std::uint32_t>(kind), static_cast<std::uint32_t>(index)};
  return std::mt19937_64(sequence);
}

std::string Milliseconds(std::chrono::microseconds time) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f ms", static_cast<double>(time.count()) / 1e3);
  return text;
}

}  // namespace

Simulator::Simulator(Rules rules, UdpSocket socket, FaultSettings faults, std::uint64_t seed, std::FILE* out,
                     std::uint64_t linesPerSecond)
    : rules_(std::move(rules)),
      socket_(std::move(socket)),
      faults_(faults),
      printer_(linesPerSecond, [out](const std::string& line, bool error) { PrintLine(error ? stderr : out, line); }) {
  for (std::size_t i = 0; i < rules_.rules.size(); ++i) ruleStates_.push_back({0, SeededRandom(seed, 1, i)});
  const Clock::time_point now = Clock::now();
  for (std::size_t i = 0; i < rules_.periodic.size(); ++i) {
    const bool waitsForStart = rules_.periodic[i].start.has_value();
    periodicStates_.push_back({!waitsForStart, now + rules_.periodic[i].every, 0, SeededRandom(seed, 2, i)});
  }
}

void Simulator::Run(int stopFd) {
  std::array<pollfd, 2> watched{{{socket_.Descriptor(), POLLIN, 0}, {stopFd, POLLIN, 0}}};
  for (;;) {
    const Clock::time_point now = Clock::now();
    RunPeriodic(now);
    SendDue(now);
    printer_.Tick(now);
    timespec timeout{};
    const std::optional<Clock::time_point> wake = NextWake();
    if (wake) {
      const auto left = std::max(std::chrono::nanoseconds(0), std::chrono::nanoseconds(*wake - Clock::now()));
      timeout.tv_sec = static_cast<time_t>(left.count() / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(left.count() % 1'000'000'000);
    }
    if (::ppoll(watched.data(), watched.size(), wake ? &timeout : nullptr, nullptr) < 0) continue;
    if (watched[1].revents != 0) {
      printer_.Flush();
      return;
    }
    if (watched[0].revents != 0) {
      for (int i = 0; i < kReceiveBatch; ++i) {
        const std::optional<Datagram> datagram = socket_.TryReceive();
        if (!datagram) break;
        Handle(*datagram, Clock::now());
      }
    }
  }
}

void Simulator::Handle(const Datagram& datagram, Clock::time_point now) {
  ++received_;
  lastPeer_ = datagram.from;
  std::vector<std::string> captures;
  std::size_t rule = 0;
  while (rule < rules_.rules.size() && !rules_.rules[rule].request.Match(datagram.bytes, &captures)) ++rule;
  const bool matched = rule < rules_.rules.size();
  const std::string periodicNote = StartOrStopPeriodic(datagram.bytes, now);
  printer_.Print(ExchangePrinter::Kind::Received, now, [&] {
    const std::string note =
        JoinNotes(JoinNotes(BadBlockCheckNote(datagram.bytes), matched ? "rule " + rules_.rules[rule].name : "no rule"),
                  periodicNote);
    return ExchangeLine(kInTag, datagram.from.Text(), fkt_RawToSpecialChars(datagram.bytes), note);
  });
  if (matched) Answer(rule, captures, datagram.from, now);
}

std::string Simulator::StartOrStopPeriodic(const std::string& request, Clock::time_point now) {
  std::string note;
  std::vector<std::string> unused;
  for (std::size_t i = 0; i < rules_.periodic.size(); ++i) {
    const PeriodicRule& periodic = rules_.periodic[i];
    PeriodicState& state = periodicStates_[i];
    if (!state.running && periodic.start && periodic.start->Match(request, &unused)) {
      state.running = true;
      state.next = now;
      note = JoinNotes(note, "starts " + periodic.name);
    } else if (state.running && periodic.stop && periodic.stop->Match(request, &unused)) {
      state.running = false;
      note = JoinNotes(note, "stops " + periodic.name);
    }
  }
  return note;
}

void Simulator::Answer(std::size_t rule, const std::vector<std::string>& captures, const Endpoint& to,
                       Clock::time_point now) {
  const Rule& answering = rules_.rules[rule];
  RuleState& state = ruleStates_[rule];
  ++state.count;
  std::chrono::microseconds jitter{0};
  if (faults_.jitter.count() > 0) {
    jitter =
        std::chrono::microseconds(std::uniform_int_distribution<std::int64_t>(0, faults_.jitter.count())(state.random));
  }
  const std::string note =
      "rule " + answering.name + (faults_.jitter.count() > 0 ? ", jitter " + Milliseconds(jitter) : "");
  for (const TimedLine& reply : answering.replies) {
    Schedule(reply.line, captures, state.count, state.random, to, now + answering.delay + reply.after + jitter, note);
  }
}

void Simulator::RunPeriodic(Clock::time_point now) {
  for (std::size_t i = 0; i < rules_.periodic.size(); ++i) {
    const PeriodicRule& periodic = rules_.periodic[i];
    PeriodicState& state = periodicStates_[i];
    if (!state.running || state.next > now) continue;
    // A tick that comes late is sent once, and the clock starts again from
    // now rather than sending every missed tick in a burst.
    state.next = std::max(state.next + periodic.every, now);
    const std::optional<Endpoint> to = periodic.to ? periodic.to : lastPeer_;
    if (!to) continue;  // nobody to send to until a first datagram arrives
    ++state.count;
    for (const TimedLine& send : periodic.sends) {
      Schedule(send.line, {}, state.count, state.random, *to, now + send.after, "periodic " + periodic.name);
    }
  }
}

void Simulator::Schedule(const RuleLine& line, const std::vector<std::string>& captures, std::uint64_t count,
                         std::mt19937_64& random, const Endpoint& to, Clock::time_point due, const std::string& note) {
  RuleLine::Expansion reply = line.Expand(captures, count, random, Chance(faults_.corruptPercent, random));
  const bool drop = Chance(faults_.dropPercent, random);
  const bool duplicate = !drop && Chance(faults_.duplicatePercent, random);
  const std::string fullNote = JoinNotes(note, reply.blockCheckCorrupted ? "block check corrupted" : "");
  queue_.push({due, order_++, reply.bytes, to, fullNote, drop});
  if (duplicate) queue_.push({due, order_++, std::move(reply.bytes), to, JoinNotes(fullNote, "duplicate"), false});
}

void Simulator::SendDue(Clock::time_point now) {
  while (!queue_.empty() && queue_.top().due <= now) {
    const Outgoing outgoing = queue_.top();
    queue_.pop();
    std::string_view tag = kTagDrop;
    ExchangePrinter::Kind kind = ExchangePrinter::Kind::Dropped;
    if (!outgoing.drop) {
      std::string error;
      if (!socket_.SendTo(outgoing.bytes, outgoing.to, &error)) {
        printer_.Print(ExchangePrinter::Kind::SendFailed, now, [&] { return "telvane-sim: " + error; });
        continue;
      }
      ++sent_;
      tag = kOutTag;
      kind = ExchangePrinter::Kind::Sent;
    }
    printer_.Print(kind, now, [&] {
      return ExchangeLine(tag, outgoing.to.Text(), fkt_RawToSpecialChars(outgoing.bytes), outgoing.note);
    });
  }
}

std::optional<Simulator::Clock::time_point> Simulator::NextWake() const {
  std::optional<Clock::time_point> wake = printer_.NextTick();
  if (!queue_.empty() && (!wake || queue_.top().due < *wake)) wake = queue_.top().due;
  for (const PeriodicState& state : periodicStates_) {
    if (state.running && (!wake || state.next < *wake)) wake = state.next;
  }
  return wake;
}

bool Simulator::Chance(double percent, std::mt19937_64& random) {
  // Nothing is drawn for 0 % and 100 %, so switching a fault fully on or off
  // leaves every other random choice of a run as it was.
  if (percent <= 0) return false;
  if (percent >= 100) return true;
  return std::uniform_real_distribution<double>(0, 100)(random) < percent;
}
