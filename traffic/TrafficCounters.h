#pragma once
// What the right-hand part of the status bar counts: datagrams sent and
// received, received frames with a wrong block check, the received rate, and
// reply times.
//
// A reply is the first entry received after an [OUT] entry; its reply time
// runs from that [OUT] entry's time to its own (the times the list shows,
// to the microsecond). The mean covers the last kReplyWindow replies.
//
// Counting costs a few increments per datagram; the rate is worked out only
// when the panel is refreshed (Sample), from the counts of about a second ago.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

// What the counters show at one moment.
struct CounterReadings {
  std::uint64_t sent = 0;
  std::uint64_t received = 0;
  std::uint64_t receivedPerSecond = 0;
  std::uint64_t badFrames = 0;
  std::optional<std::int64_t> lastReply;  // microseconds
  std::optional<std::int64_t> meanReply;
  // The rate before rounding is not zero yet: without new traffic it falls
  // further, so the panel looks again.
  bool rateAboveZero = false;
};

class TrafficCounters {
 public:
  static constexpr std::size_t kReplyWindow = 100;

  // An [OUT] entry was listed; transmitted: it also went out as a datagram.
  void Sent(std::int64_t utcMicroseconds, bool transmitted);
  void Received(std::int64_t utcMicroseconds, bool badFrame) {
    ++received_;
    if (badFrame) ++badFrames_;
    if (awaitingReply_) Reply(utcMicroseconds);
  }
  void Clear();

  std::uint64_t SentCount() const { return sent_; }
  std::uint64_t ReceivedCount() const { return received_; }
  std::uint64_t BadFrameCount() const { return badFrames_; }
  std::optional<std::int64_t> LastReply() const;
  // The mean of the last ReplyCount() replies (at most kReplyWindow).
  std::optional<std::int64_t> MeanReply() const;
  std::size_t ReplyCount() const { return replies_; }

  // Takes the received count at monotonic time nowMs and returns datagrams
  // received per second since the sample about a second before (or the
  // oldest one kept). Zero once nothing has arrived for a second.
  double Sample(std::int64_t nowMs);
  // Everything at once, the rate sampled at nowMs.
  CounterReadings Read(std::int64_t nowMs);

 private:
  void Reply(std::int64_t utcMicroseconds);

  struct Mark {
    std::int64_t ms;
    std::uint64_t received;
  };
  std::uint64_t sent_ = 0;
  std::uint64_t received_ = 0;
  std::uint64_t badFrames_ = 0;
  bool awaitingReply_ = false;
  std::int64_t sentAt_ = 0;
  std::array<std::int64_t, kReplyWindow> replyTimes_{};
  std::size_t replies_ = 0;    // in replyTimes_, at most kReplyWindow
  std::size_t nextReply_ = 0;  // where the next one goes
  std::int64_t replySum_ = 0;
  std::deque<Mark> marks_;
};
