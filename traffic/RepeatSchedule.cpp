#include "traffic/RepeatSchedule.h"

#include <algorithm>

RepeatSchedule::RepeatSchedule(Clock::duration period, std::uint64_t count, Clock::time_point start)
    : period_(std::max(period, Clock::duration(1))), count_(count), start_(start) {}

RepeatSchedule::Step RepeatSchedule::Take(Clock::time_point now) {
  Step step;
  if (Done() || now < NextDue()) return step;
  // The last time that has come; those before it since the last send are
  // passed over rather than sent in a burst.
  const auto due = static_cast<std::uint64_t>((now - start_) / period_);
  step.send = true;
  step.skipped = due - next_;
  step.lateness = now - (start_ + period_ * static_cast<Clock::rep>(due));
  next_ = due + 1;
  ++sent_;
  skipped_ += step.skipped;
  return step;
}
