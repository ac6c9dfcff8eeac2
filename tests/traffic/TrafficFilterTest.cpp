// The filter of the traffic list: which entries pass, the index of the rows
// shown, the runner that fills it in slices while entries arrive, and find
// and the wrong-block-check step over the rows shown.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/FakePlatform.h"
#include "traffic/FilterRunner.h"
#include "traffic/ShownEntries.h"
#include "traffic/TrafficFilter.h"
#include "traffic/TrafficFind.h"
#include "traffic/TrafficListModel.h"

namespace {

using Show = FilterCriteria::Show;

// 01:02:03.004005 UTC on a day in 2024.
constexpr std::int64_t kTime = 1'717'200'000'000'000 + 3'723'004'005;

std::vector<std::uint64_t> RowsOf(const ShownEntries& rows) {
  std::vector<std::uint64_t> entries;
  for (std::uint64_t row = 0; row < rows.Size(); ++row) entries.push_back(rows.EntryAt(row));
  return entries;
}

FilterCriteria Criteria(Show show, std::string text = {}, bool matchCase = false) {
  FilterCriteria criteria;
  criteria.show = show;
  criteria.text = std::move(text);
  criteria.matchCase = matchCase;
  return criteria;
}

class Filter : public ::testing::Test {
 protected:
  void SetUp() override {
    model.Append(EntryKind::Outgoing, kTime, "<STX>0,1,INFO?<ETX>");  // 0
    model.Append(EntryKind::IncomingDisplay, kTime,
                 "\x02"
                 "0,1,Info\x03");  // 1: "<2>0,1,Info<3>"
    model.Append(EntryKind::IncomingDisplay, kTime,
                 "\x02"
                 "0,1,ERR\x03",
                 true);                                             // 2: a wrong block check
    model.Append(EntryKind::OutgoingRaw, kTime, "\x02info\x03");    // 3: "<2>info<3>"
    model.Append(EntryKind::IncomingRaw, kTime, "raw INFO", true);  // 4: a wrong block check, raw display
    model.Append(EntryKind::IncomingRaw, kTime, "plain");           // 5
    model.Commit();
  }
  FakePlatform platform;
  TrafficListModel model;
};

TEST_F(Filter, EntriesPassByDirectionBlockCheckAndTextInNotation) {
  constexpr bool kCase = true;
  const struct {
    FilterCriteria criteria;
    std::vector<std::uint64_t> shown;
  } cases[] = {
      {Criteria(Show::Received), {1, 2, 4, 5}},
      {Criteria(Show::Sent), {0, 3}},
      {Criteria(Show::WrongBlockCheck), {2, 4}},
      {Criteria(Show::All, "info"), {0, 1, 3, 4}},
      {Criteria(Show::All, "INFO", kCase), {0, 4}},
      {Criteria(Show::All, "Info", kCase), {1}},
      {Criteria(Show::Received, "info"), {1, 4}},
      {Criteria(Show::Sent, "<2>"), {3}},  // raw bytes sent are searched in their display form
      {Criteria(Show::All, "[in]   <2>"), {1, 2}},
      {Criteria(Show::All, "01:02:03.004  [OUT]"), {0, 3}},
      {Criteria(Show::WrongBlockCheck, "err"), {2}},
      {Criteria(Show::All, "nowhere"), {}},
  };
  FilterRunner runner(model);
  for (const auto& c : cases) {
    runner.Start(c.criteria);
    ASSERT_TRUE(runner.Active());
    ASSERT_FALSE(runner.Running()) << "a short list is filtered at once";
    EXPECT_EQ(RowsOf(runner.Rows()), c.shown) << c.criteria.text << " " << static_cast<int>(c.criteria.show);
  }
  runner.Start(Criteria(Show::All));  // lets every entry through: no filter
  EXPECT_FALSE(runner.Active());
  EXPECT_EQ(runner.Rows().Size(), 0U);
}

TEST_F(Filter, FindAndTheBlockCheckStepReadOnlyTheRowsShown) {
  FilterRunner runner(model);
  runner.Start(Criteria(Show::Received));  // rows show 1, 2, 4, 5
  const ShownEntries* rows = &runner.Rows();
  constexpr bool kForward = true;
  constexpr bool kBack = false;
  const struct {
    FilterCriteria criteria;
    const ShownEntries* rows = nullptr;
    std::optional<std::uint64_t> from;
    std::optional<std::uint64_t> found;
    bool forward = false;
    bool wrapped = false;
  } cases[] = {
      {Criteria(Show::All, "info"), rows, 1, 4, kForward, false},  // 3 holds it but is not shown
      {Criteria(Show::All, "info"), rows, 4, 1, kForward, true},
      {Criteria(Show::All, "info"), rows, 3, 4, kForward, false},  // from an entry not shown
      {Criteria(Show::All, "info"), rows, 3, 1, kBack, false},
      {Criteria(Show::All, "info"), nullptr, 1, 3, kForward, false},  // unfiltered: every entry
      {Criteria(Show::All, "<info>"), rows, 1, std::nullopt, kForward, false},
      {Criteria(Show::WrongBlockCheck), nullptr, std::nullopt, 2, kForward, false},
      {Criteria(Show::WrongBlockCheck), nullptr, 2, 4, kForward, false},
      {Criteria(Show::WrongBlockCheck), nullptr, 4, 2, kForward, true},
      {Criteria(Show::WrongBlockCheck), nullptr, 2, 4, kBack, true},
      {Criteria(Show::WrongBlockCheck), rows, 5, 4, kBack, false},
  };
  for (const auto& c : cases) {
    const std::uint64_t count = c.rows != nullptr ? c.rows->Size() : model.ShownCount();
    FindSearch search(c.criteria, c.forward, c.from, count, c.rows);
    const std::optional<FindResult> result = search.Continue(model, std::chrono::steady_clock::time_point::max());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->entry, c.found) << c.criteria.text << " from " << c.from.value_or(99);
    EXPECT_EQ(result->wrapped, c.wrapped) << c.criteria.text << " from " << c.from.value_or(99);
  }
}

TEST(ShownEntries, RowsFindTheirEntriesAndEntriesTheirRowsAcrossChunksAndFarDistances) {
  ShownEntries rows;
  std::vector<std::uint64_t> entries;
  for (std::uint64_t n = 0; n < 2 * ShownEntries::kChunkSize + 5; ++n) entries.push_back(n * 3 + 1);
  entries.push_back(std::uint64_t{1} << 40);  // four billion entries and more beyond the chunk's first
  entries.push_back((std::uint64_t{1} << 40) + 2);
  rows.Append(entries);
  ASSERT_EQ(rows.Size(), entries.size());
  for (const std::uint64_t row : {std::uint64_t{0}, std::uint64_t{ShownEntries::kChunkSize},
                                  std::uint64_t{entries.size() - 2}, std::uint64_t{entries.size() - 1}}) {
    EXPECT_EQ(rows.EntryAt(row), entries[row]) << row;
    EXPECT_EQ(rows.EntryAtShared(row), entries[row]) << row;
    EXPECT_EQ(rows.RowOf(entries[row]), row) << row;
  }
  EXPECT_EQ(rows.RowOf(2), std::nullopt);
  EXPECT_EQ(rows.RowAtOrAfter(2), 1U);
  EXPECT_EQ(rows.RowAtOrAfter(0), 0U);
  EXPECT_EQ(rows.RowAtOrAfter((std::uint64_t{1} << 40) + 3), rows.Size());
  // Four bytes a row, and one chunk at most beyond that.
  EXPECT_LE(rows.MemoryBytes(), entries.size() * 4 + 2 * ShownEntries::kChunkSize * 4 + 1024);
  rows.Clear();
  EXPECT_EQ(rows.Size(), 0U);
  EXPECT_EQ(rows.RowAtOrAfter(5), 0U);
}

class FilterOverALongList : public ::testing::Test {
 protected:
  static constexpr int kEntries = 1'000'000;
  static constexpr int kEvery = 1000;  // every thousandth entry has a wrong block check
  void AppendEntries(int from, int to) {
    for (int n = from; n < to; ++n) {
      model.Append(EntryKind::IncomingDisplay, kTime, "entry " + std::to_string(n), n % kEvery == 0);
    }
    model.Commit();
  }
  static std::vector<std::uint64_t> Multiples(int from, int to) {
    std::vector<std::uint64_t> entries;
    for (int n = from; n < to; ++n) {
      if (n % kEvery == 0) entries.push_back(static_cast<std::uint64_t>(n));
    }
    return entries;
  }
  FakePlatform platform;
  TrafficListModel model;
};

TEST_F(FilterOverALongList, RunsInSlicesAndTakesEntriesArrivingMeanwhile) {
  AppendEntries(0, kEntries);
  FilterRunner runner(model);
  QSignalSpy done(&runner, &FilterRunner::Done);
  QSignalSpy progress(&runner, &FilterRunner::Progress);
  runner.Start(Criteria(Show::WrongBlockCheck, "entry"));
  ASSERT_TRUE(runner.Running()) << "a million entries take longer than the first slice";
  AppendEntries(kEntries, kEntries + 5000);  // arrive while the worker reads
  ASSERT_TRUE(done.wait(20'000));
  EXPECT_GE(progress.count(), 1);
  EXPECT_EQ(RowsOf(runner.Rows()), Multiples(0, kEntries + 5000));
  // Entries listed once the run is over are filtered as they come.
  AppendEntries(kEntries + 5000, kEntries + 7001);
  EXPECT_EQ(RowsOf(runner.Rows()), Multiples(0, kEntries + 7001));
  EXPECT_EQ(runner.Read(), model.ShownCount());
}

TEST_F(FilterOverALongList, AClearDuringTheRunLeavesOnlyWhatCameAfter) {
  AppendEntries(0, kEntries);
  FilterRunner runner(model);
  QSignalSpy reset(&runner, &FilterRunner::Reset);
  runner.Start(Criteria(Show::WrongBlockCheck, "entry"));
  ASSERT_TRUE(runner.Running());
  model.Clear();
  EXPECT_EQ(reset.count(), 2);  // the start, and the cleared list
  EXPECT_TRUE(runner.Active());
  AppendEntries(0, 2001);
  QSignalSpy done(&runner, &FilterRunner::Done);
  if (runner.Running()) {
    ASSERT_TRUE(done.wait(20'000));
  }
  EXPECT_EQ(RowsOf(runner.Rows()), Multiples(0, 2001));
  runner.Stop();
  EXPECT_FALSE(runner.Active());
  EXPECT_EQ(runner.Rows().Size(), 0U);
}

}  // namespace
