#pragma once
// When a repeated send is due: a fixed-rate schedule that sends at
// start + k * period (k = 0, 1, 2 ...), so that a late send never moves the
// ones after it and the repeat does not drift.
//
// The schedule only decides; whoever drives it reads the clock, asks Take()
// at or after NextDue() and sends when told to. A caller that comes late by
// a period or more (the window thread busy) does not catch up with a burst:
// the sends whose time has passed are skipped and counted, and the one due
// last is sent at once. A count, when given, counts sends, not skipped times.
#include <chrono>
#include <cstdint>

class RepeatSchedule {
 public:
  using Clock = std::chrono::steady_clock;

  // period: at least 1 ns; count: the sends to make, 0 for "until stopped".
  RepeatSchedule(Clock::duration period, std::uint64_t count, Clock::time_point start);

  struct Step {
    bool send = false;           // false: called before NextDue(), or done
    std::uint64_t skipped = 0;   // times passed over since the last step
    Clock::duration lateness{};  // now - the time of the send made now
  };
  // What to do at `now`: send once, or nothing yet. Counts the send.
  Step Take(Clock::time_point now);

  // The time of the next send; meaningless once Done().
  Clock::time_point NextDue() const { return start_ + period_ * static_cast<Clock::rep>(next_); }
  bool Done() const { return count_ != 0 && sent_ >= count_; }
  Clock::duration Period() const { return period_; }
  std::uint64_t Count() const { return count_; }
  std::uint64_t Sent() const { return sent_; }
  std::uint64_t Skipped() const { return skipped_; }

 private:
  Clock::duration period_;
  std::uint64_t count_;
  Clock::time_point start_;
  std::uint64_t next_ = 0;  // the index k of the next time to send at
  std::uint64_t sent_ = 0;
  std::uint64_t skipped_ = 0;
};
