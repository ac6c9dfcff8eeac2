#include "tools/sim/ExchangePrinter.h"

#include <algorithm>
#include <utility>

#include "tools/common/ExchangeLine.h"

ExchangePrinter::ExchangePrinter(std::uint64_t linesPerSecond, Write write)
    : limit_(linesPerSecond), write_(std::move(write)) {}

bool ExchangePrinter::Admit(Kind kind, Clock::time_point now) {
  if (limit_ == 0) return true;
  Tick(now);
  if (!secondEnds_) {
    // A second starts with the first line after a quiet one, so a lone
    // exchange is always printed.
    secondEnds_ = now + std::chrono::seconds(1);
    printed_ = 0;
  }
  if (printed_ < limit_) {
    ++printed_;
    return true;
  }
  ++held_[static_cast<std::size_t>(kind)];
  return false;
}

void ExchangePrinter::Tick(Clock::time_point now) {
  if (!secondEnds_ || now < *secondEnds_) return;
  Flush();
  secondEnds_.reset();
}

std::optional<ExchangePrinter::Clock::time_point> ExchangePrinter::NextTick() const {
  if (!Holding()) return std::nullopt;
  return secondEnds_;
}

void ExchangePrinter::Flush() {
  if (!Holding()) return;
  static constexpr std::array<const char*, 4> kWhat = {" received", " sent", " dropped", " failed to send"};
  std::string counts;
  for (std::size_t kind = 0; kind < held_.size(); ++kind) {
    if (held_[kind] > 0) counts = JoinNotes(counts, std::to_string(held_[kind]) + kWhat[kind]);
  }
  write_(ExchangeLine(kTagNotPrinted, "", "not printed: " + counts,
                      "more than " + std::to_string(limit_) + " lines a second"),
         false);
  held_.fill(0);
}

bool ExchangePrinter::Holding() const {
  return std::any_of(held_.begin(), held_.end(), [](std::uint64_t held) { return held > 0; });
}
