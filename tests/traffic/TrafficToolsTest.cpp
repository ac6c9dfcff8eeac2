// The engine behind the operator's tools on the traffic list: counters and
// reply times, durations, the notation form that copy, find and export
// share, find itself and the export.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "tests/support/FakePlatform.h"
#include "traffic/ListExport.h"
#include "traffic/TimeOfDay.h"
#include "traffic/TrafficCounters.h"
#include "traffic/TrafficFind.h"
#include "traffic/TrafficListModel.h"

namespace {

TEST(TrafficCounters, RepliesAreTheFirstEntryAfterASendAndTheMeanCoversTheLast100) {
  TrafficCounters counters;
  counters.Received(1000, false);  // before any send: no reply
  EXPECT_FALSE(counters.LastReply());
  counters.Sent(10'000, false);  // listed, not transmitted (link closed)
  counters.Received(10'400, true);
  counters.Received(90'000, false);  // a second answer is no reply
  EXPECT_EQ(counters.LastReply(), 400);
  EXPECT_EQ(counters.SentCount(), 0U);
  EXPECT_EQ(counters.ReceivedCount(), 3U);
  EXPECT_EQ(counters.BadFrameCount(), 1U);

  // 150 more replies of 1..150 us: the mean is that of 51..150.
  for (std::int64_t n = 1; n <= 150; ++n) {
    counters.Sent(n * 1'000'000, true);
    counters.Received(n * 1'000'000 + n, false);
  }
  EXPECT_EQ(counters.LastReply(), 150);
  EXPECT_EQ(counters.ReplyCount(), TrafficCounters::kReplyWindow);
  EXPECT_EQ(counters.MeanReply(), 100);  // (51 + 150) / 2, rounded down
  EXPECT_EQ(counters.SentCount(), 150U);

  counters.Clear();
  EXPECT_EQ(counters.ReceivedCount(), 0U);
  EXPECT_FALSE(counters.MeanReply());
}

TEST(TrafficCounters, RateIsPerSecondAndFallsToZeroOnceNothingArrives) {
  TrafficCounters counters;
  EXPECT_EQ(counters.Sample(0), 0.0);
  for (int n = 0; n < 500; ++n) counters.Received(0, false);
  EXPECT_DOUBLE_EQ(counters.Sample(250), 2000.0);
  for (int n = 0; n < 500; ++n) counters.Received(0, false);
  EXPECT_DOUBLE_EQ(counters.Sample(500), 2000.0);
  // From the newest sample at least a second old (250) on.
  EXPECT_DOUBLE_EQ(counters.Sample(1250), 500.0);
  EXPECT_EQ(counters.Sample(1600), 0.0);
}

TEST(FormatDuration, MillisecondsSecondsAndHoursToTheMicrosecond) {
  const struct {
    std::int64_t us;
    bool comma;
    const char* text;
  } cases[] = {
      {412, false, "0.412 ms"},
      {12'345, true, "12,345 ms"},
      {999'999, false, "999.999 ms"},
      {1'000'000, false, "1.000 s"},
      {59'999'999, false, "59.999 s"},
      {3'723'456'789, false, "1:02:03.456"},
      {90'061'000'000, true, "25:01:01,000"},
      {-1'500, false, "-1.500 ms"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.us, c.comma), c.text) << c.us;
}

class ListModel : public ::testing::Test {
 protected:
  // 01:02:03.004005 UTC on a day in 2024.
  static constexpr std::int64_t kTime = 1'717'200'000'000'000 + 3'723'004'005;
  std::string Notation(std::uint64_t entry) {
    TrafficListModel::TextBuffers buffers;
    return std::string(model.NotationText(entry, buffers));
  }
  FakePlatform platform;
  TrafficListModel model;
};

TEST_F(ListModel, NotationTextIsTheShownTextWithRawBytesInTheirDisplayForm) {
  model.Append(EntryKind::Outgoing, kTime, "<STX>a<ETX>");
  model.Append(EntryKind::OutgoingRaw, kTime,
               "\x02"
               "a\x03");
  model.Append(EntryKind::IncomingDisplay, kTime + 1500,
               "\x02"
               "b\x03");
  model.Append(EntryKind::IncomingRaw, kTime,
               "\x02"
               "c\r\n");
  const char* expected[] = {"01:02:03.004  [OUT]  <STX>a<ETX>", "01:02:03.004  [OUT]  <2>a<3>",
                            "01:02:03.005  [IN]   <2>b<3>", "<2>c<13><10>"};
  for (std::uint64_t n = 0; n < 4; ++n) EXPECT_EQ(Notation(n), expected[n]) << n;
  // The list itself still shows raw bytes as raw bytes.
  EXPECT_EQ(model.EntryText(1),
            "01:02:03.004  [OUT]  \x02"
            "a\x03");
  EXPECT_EQ(model.EntryText(3),
            "\x02"
            "c\r\n");
}

TEST_F(ListModel, ReceivedEntriesKnowTheTimeSinceTheLastSend) {
  model.Append(EntryKind::IncomingDisplay, kTime, "early");
  model.Append(EntryKind::Outgoing, kTime + 10, "first");
  model.Append(EntryKind::Outgoing, kTime + 20, "second");
  model.Append(EntryKind::IncomingDisplay, kTime + 1020, "reply");
  model.Append(EntryKind::IncomingRaw, kTime + 86'400'000'020, "a day later");
  EXPECT_FALSE(model.TimeSinceSent(0));  // nothing sent before it
  EXPECT_FALSE(model.TimeSinceSent(2));  // a send has none
  const auto reply = model.TimeSinceSent(3);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->microseconds, 1000);
  EXPECT_TRUE(reply->reply);
  const auto later = model.TimeSinceSent(4);
  ASSERT_TRUE(later);
  EXPECT_EQ(later->microseconds, 86'400'000'000);  // past midnight, not modulo a day
  EXPECT_FALSE(later->reply);
  model.Clear();
  model.Append(EntryKind::IncomingDisplay, kTime, "after delete");
  EXPECT_FALSE(model.TimeSinceSent(0));
}

TEST_F(ListModel, FindGoesRoundTheListInEitherDirection) {
  for (const char* text : {"alpha", "Beta <2>", "gamma", "beta"}) model.Append(EntryKind::Outgoing, kTime, text);
  model.Append(EntryKind::IncomingDisplay, kTime,
               "\x02"
               "BETA\x03");  // "<2>BETA<3>"
  model.Commit();
  constexpr bool kCase = true;
  constexpr bool kAnyCase = false;
  constexpr bool kForward = true;
  constexpr bool kBack = false;
  constexpr bool kWrapped = true;
  const struct {
    const char* text = nullptr;
    std::optional<std::uint64_t> from;
    std::optional<std::uint64_t> found;
    bool matchCase = false;
    bool forward = false;
    bool wrapped = false;
  } cases[] = {
      {"beta", std::nullopt, 1, kAnyCase, kForward, false},
      {"beta", 1, 3, kAnyCase, kForward, false},
      {"beta", 4, 1, kAnyCase, kForward, kWrapped},
      {"beta", 3, 3, kCase, kForward, kWrapped},  // the only match is where it starts
      {"beta", 1, 4, kAnyCase, kBack, kWrapped},
      {"beta", std::nullopt, 4, kAnyCase, kBack, false},
      {"<2>b", 1, 4, kAnyCase, kForward, false},  // the display form is what is searched
      {"[out]  al", std::nullopt, 0, kAnyCase, kForward, false},
      {"01:02:03", 0, 1, kAnyCase, kForward, false},
      {"delta", 0, std::nullopt, kAnyCase, kForward, false},
      {"", 0, std::nullopt, kAnyCase, kForward, false},
  };
  for (const auto& c : cases) {
    const FindResult result = FindEntry(model, c.text, c.matchCase, c.forward, c.from);
    EXPECT_EQ(result.entry, c.found) << c.text << " from " << c.from.value_or(99);
    EXPECT_EQ(result.wrapped, c.wrapped) << c.text << " from " << c.from.value_or(99);
  }
}

TEST_F(ListModel, AFindStepInSlicesFindsWhatTheWholeStepFinds) {
  for (int n = 0; n < 1000; ++n) model.Append(EntryKind::IncomingDisplay, kTime, "entry " + std::to_string(n));
  model.Commit();
  const struct {
    bool forward;
    std::uint64_t from;
    bool wrapped;
  } cases[] = {{true, 100, false}, {true, 700, true}, {false, 300, true}};
  for (const auto& c : cases) {
    FindSearch search("entry 600", false, c.forward, c.from, model.ShownCount());
    std::optional<FindResult> result;
    int slices = 0;
    // A deadline already past: each slice looks at as few entries as it may.
    while (!result && slices < 1000) {
      result = search.Continue(model, std::chrono::steady_clock::time_point::min());
      ++slices;
    }
    ASSERT_TRUE(result) << c.from;
    EXPECT_GT(slices, 1) << c.from;
    EXPECT_EQ(result->entry, 600U) << c.from;
    EXPECT_EQ(result->wrapped, c.wrapped) << c.from;
    const FindResult whole = FindEntry(model, "entry 600", false, c.forward, c.from);
    EXPECT_EQ(whole.entry, result->entry) << c.from;
    EXPECT_EQ(whole.wrapped, result->wrapped) << c.from;
  }
}

TEST_F(ListModel, AnExportThatIsCancelledOrOutlivesItsListLeavesTheFileAsItWas) {
  for (int n = 0; n < 40'000; ++n) model.Append(EntryKind::IncomingDisplay, kTime, "x");
  const auto path = platform.root / "list.txt";
  WriteFile(path, "old");
  int calls = 0;
  const ExportResult cancelled =
      ExportList(model, model.EntryCount(), path, [&](std::uint64_t) { return ++calls < 2; });
  EXPECT_TRUE(cancelled.cancelled);
  EXPECT_EQ(calls, 2);
  const ExportResult cleared = ExportList(model, model.EntryCount(), path, [&](std::uint64_t) {
    model.Clear();  // "Delete list" while the progress let events run
    return true;
  });
  EXPECT_TRUE(cleared.listCleared);
  EXPECT_EQ(ReadFile(path), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(platform.root), {}), 3);  // common, bin, list.txt
}

}  // namespace
