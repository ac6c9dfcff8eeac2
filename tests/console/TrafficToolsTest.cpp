// The widgets' side of the operator's tools on the traffic list: selection
// ranges and the counters' texts in their full and compact forms.
#include <gtest/gtest.h>

#include <QStringList>
#include <string>
#include <vector>

#include "console/CounterTexts.h"
#include "console/EntrySelection.h"
#include "core/AppSettings.h"

namespace {

using Runs = EntrySelection::Ranges;

TEST(EntrySelection, KeepsRunsMergedAndSplitsThemOnToggle) {
  EntrySelection selection;
  selection.SelectRange(9, 5);  // either order
  EXPECT_EQ(selection.Runs(), (Runs{{5, 10}}));
  selection.AddRange(12, 14);
  selection.AddRange(10, 11);  // touches both runs: one run
  EXPECT_EQ(selection.Runs(), (Runs{{5, 15}}));
  selection.Toggle(7);
  selection.Toggle(14);
  EXPECT_EQ(selection.Runs(), (Runs{{5, 7}, {8, 14}}));
  selection.Toggle(7);
  EXPECT_EQ(selection.Runs(), (Runs{{5, 14}}));
  EXPECT_EQ(selection.Count(), 9U);
  EXPECT_TRUE(selection.Contains(5));
  EXPECT_FALSE(selection.Contains(14));
  EXPECT_FALSE(selection.Contains(4));
  selection.SelectRange(0, 4'999'999'999);  // more entries than an int counts
  EXPECT_EQ(selection.Count(), 5'000'000'000U);
  selection.SelectOnly(3);
  EXPECT_EQ(selection.Runs(), (Runs{{3, 4}}));
}

TEST(CompactCount, ExactBelowTenThousandThenThreeDigitsCutNotRounded) {
  const struct {
    std::uint64_t value;
    bool comma;
    const char* text;
  } cases[] = {
      {0, false, "0"},
      {9'999, false, "9999"},
      {10'000, false, "10.0k"},
      {12'399, true, "12,3k"},
      {123'456, false, "123k"},
      {999'999, false, "999k"},  // not "1.00M": a count is never shown higher than it is
      {1'000'000, false, "1.00M"},
      {1'234'567, true, "1,23M"},
      {999'999'999'999, false, "999G"},
      {18'446'744'073'709'551'615U, false, "18.4E"},  // the largest count there is
  };
  for (const auto& c : cases) EXPECT_EQ(CompactCount(c.value, c.comma), c.text) << c.value;
}

TEST(CompactDuration, ThreeSignificantDigitsInMillisecondsOrSeconds) {
  const struct {
    std::int64_t us;
    bool comma;
    const char* text;
  } cases[] = {
      {0, false, "0.00 ms"},        {412, false, "0.41 ms"},       {2'345, true, "2,34 ms"},
      {12'345, false, "12.3 ms"},   {999'999, false, "999 ms"},    {1'000'000, false, "1.00 s"},
      {12'345'678, true, "12,3 s"}, {99'999'999, false, "99.9 s"}, {3'723'456'789, false, "3723 s"},
      {-1'500, false, "-1.50 ms"},
  };
  for (const auto& c : cases) EXPECT_EQ(CompactDuration(c.us, c.comma), c.text) << c.us;
}

TEST(CounterForms, FullWordsThenSymbolsWithAndWithoutTheMeanInEitherLanguage) {
  const CounterReadings replied{.sent = 12,
                                .received = 123'456,
                                .receivedPerSecond = 1'234'567,
                                .badFrames = 3,
                                .lastReply = 12'345,
                                .meanReply = 2'100};
  const struct {
    std::uint8_t language;
    CounterReadings readings;
    std::vector<const char*> forms;  // UTF-8
  } cases[] = {
      {1,
       replied,
       {"Out: 12  In: 123456 (1234567/s)  Bad BCC: 3   Reply: 12.345 ms  Mean: 2.100 ms",
        "\u219112 \u2193123k 1.23M/s \u27173 12.3 ms \u00d8 2.10 ms", "\u219112 \u2193123k 1.23M/s \u27173 12.3 ms"}},
      {0,
       replied,
       {"Aus: 12  Ein: 123456 (1234567/s)  BCC falsch: 3   Antwort: 12,345 ms  Mittel: 2,100 ms",
        "\u219112 \u2193123k 1,23M/s \u27173 12,3 ms \u00d8 2,10 ms", "\u219112 \u2193123k 1,23M/s \u27173 12,3 ms"}},
      {1, {}, {"Out: 0  In: 0 (0/s)  Bad BCC: 0", "\u21910 \u21930 0/s \u27170"}},  // no reply yet
  };
  for (const auto& c : cases) {
    AppSettings.Language = c.language;
    QStringList expected;
    for (const char* form : c.forms) expected << QString::fromUtf8(form);
    EXPECT_EQ(CounterForms(c.readings), expected) << CounterForms(c.readings).join(" | ").toStdString();
  }
  AppSettings = {};
}

}  // namespace
