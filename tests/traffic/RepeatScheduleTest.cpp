// The repeat's fixed-rate schedule, on a clock the test sets.
#include <gtest/gtest.h>

#include <vector>

#include "traffic/RepeatSchedule.h"

namespace {

using Clock = RepeatSchedule::Clock;
using std::chrono::milliseconds;

const Clock::time_point kStart{std::chrono::hours(5)};

Clock::time_point At(double ms) {
  return kStart + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

}  // namespace

TEST(RepeatScheduleTest, SendsAtFixedTimesFromTheStartWhateverEachSendsLateness) {
  // Each row: when the caller comes, whether it sends, the times passed over,
  // the lateness of the send, and when the next send is due (ms after the start).
  struct Row {
    double now;
    bool send;
    std::uint64_t skipped;
    double lateness;
    double nextDue;
  };
  const std::vector<Row> rows = {
      {0, true, 0, 0, 10},       // the first send at once
      {9.5, false, 0, 0, 10},    // a timer that fires early sends nothing
      {10.9, true, 0, 0.9, 20},  // late: the next time stays at 20, not 20.9
      {20.2, true, 0, 0.2, 30},   {30, true, 0, 0, 40},
      {49.99, true, 0, 9.99, 50},                        // late by less than a period: no skip
      {50, true, 0, 0, 60},       {85, true, 2, 5, 90},  // 60 and 70 passed over, 80 sent 5 ms late
      {90, true, 0, 0, 100},
  };
  RepeatSchedule schedule(milliseconds(10), 0, kStart);
  std::uint64_t sent = 0;
  std::uint64_t skipped = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.now);
    const RepeatSchedule::Step step = schedule.Take(At(row.now));
    EXPECT_EQ(step.send, row.send);
    EXPECT_EQ(step.skipped, row.skipped);
    if (row.send) {
      EXPECT_EQ(step.lateness, At(row.lateness) - kStart);
    }
    EXPECT_EQ(schedule.NextDue(), At(row.nextDue));
    sent += row.send ? 1 : 0;
    skipped += row.skipped;
  }
  EXPECT_EQ(schedule.Sent(), sent);
  EXPECT_EQ(schedule.Skipped(), skipped);
  EXPECT_FALSE(schedule.Done());
}

TEST(RepeatScheduleTest, ThousandsOfSendsDoNotDrift) {
  // Every send 0.7 ms late: the 10,000th time is still start + 9,999 periods.
  RepeatSchedule schedule(milliseconds(1), 0, kStart);
  for (int k = 0; k < 10'000; ++k) {
    ASSERT_TRUE(schedule.Take(schedule.NextDue() + std::chrono::microseconds(700)).send) << k;
  }
  EXPECT_EQ(schedule.NextDue(), kStart + milliseconds(10'000));
  EXPECT_EQ(schedule.Skipped(), 0U);
}

TEST(RepeatScheduleTest, ACountEndsTheRepeatAfterThatManySendsSkippedTimesNotCounted) {
  RepeatSchedule schedule(milliseconds(500), 3, kStart);
  EXPECT_TRUE(schedule.Take(At(0)).send);
  EXPECT_TRUE(schedule.Take(At(1700)).send);  // 500, 1000 passed over; 1500 sent
  EXPECT_FALSE(schedule.Done());
  EXPECT_FALSE(schedule.Take(At(1999)).send);
  EXPECT_TRUE(schedule.Take(At(2000)).send);
  EXPECT_TRUE(schedule.Done());
  EXPECT_EQ(schedule.Sent(), 3U);
  EXPECT_EQ(schedule.Skipped(), 2U);
  EXPECT_FALSE(schedule.Take(At(5000)).send) << "nothing after the count";
  EXPECT_EQ(schedule.Sent(), 3U);
}

TEST(RepeatScheduleTest, LongPeriodsKeepTheirTimesExactly) {
  // 24 h, the longest period the dialog takes, and a count of one.
  RepeatSchedule day(std::chrono::hours(24), 2, kStart);
  EXPECT_TRUE(day.Take(kStart).send);
  EXPECT_EQ(day.NextDue(), kStart + std::chrono::hours(24));
  EXPECT_FALSE(day.Take(kStart + std::chrono::hours(23)).send);
  RepeatSchedule once(milliseconds(1), 1, kStart);
  EXPECT_TRUE(once.Take(kStart).send);
  EXPECT_TRUE(once.Done());
}
