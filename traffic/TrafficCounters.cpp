#include "traffic/TrafficCounters.h"

#include <cmath>

void TrafficCounters::Sent(std::int64_t utcMicroseconds, bool transmitted) {
  if (transmitted) ++sent_;
  awaitingReply_ = true;
  sentAt_ = utcMicroseconds;
}

void TrafficCounters::Reply(std::int64_t utcMicroseconds) {
  awaitingReply_ = false;
  const std::int64_t time = utcMicroseconds - sentAt_;
  if (replies_ == kReplyWindow) replySum_ -= replyTimes_[nextReply_];
  replyTimes_[nextReply_] = time;
  replySum_ += time;
  nextReply_ = (nextReply_ + 1) % kReplyWindow;
  if (replies_ < kReplyWindow) ++replies_;
}

void TrafficCounters::Clear() { *this = TrafficCounters(); }

std::optional<std::int64_t> TrafficCounters::LastReply() const {
  if (replies_ == 0) return std::nullopt;
  return replyTimes_[(nextReply_ + kReplyWindow - 1) % kReplyWindow];
}

std::optional<std::int64_t> TrafficCounters::MeanReply() const {
  if (replies_ == 0) return std::nullopt;
  return replySum_ / static_cast<std::int64_t>(replies_);
}

double TrafficCounters::Sample(std::int64_t nowMs) {
  marks_.push_back({nowMs, received_});
  // Keep the newest mark at least a second old as the base, and what follows it.
  while (marks_.size() > 2 && marks_[1].ms <= nowMs - 1000) marks_.pop_front();
  const Mark& base = marks_.front();
  if (nowMs <= base.ms) return 0;
  return static_cast<double>(received_ - base.received) * 1000.0 / static_cast<double>(nowMs - base.ms);
}

CounterReadings TrafficCounters::Read(std::int64_t nowMs) {
  const double rate = Sample(nowMs);
  return {.sent = sent_,
          .received = received_,
          .receivedPerSecond = static_cast<std::uint64_t>(std::llround(rate)),
          .badFrames = badFrames_,
          .lastReply = LastReply(),
          .meanReply = MeanReply(),
          .rateAboveZero = rate > 0};
}
