// The send line's history as a shell walks it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/SendLineHistory.h"

namespace {

// A walk: 'U' for Up, 'D' for Down, each with the line it should show
// ("-" where the walk ends and the line stays as it is).
struct Step {
  char key;
  const char* shows;
};
struct WalkCase {
  const char* name;
  std::vector<std::string> sent;
  std::string draft;
  std::vector<Step> steps;
};

class HistoryWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(HistoryWalk, ShowsTheLinesInTurn) {
  const WalkCase& c = GetParam();
  SendLineHistory history;
  for (const std::string& line : c.sent) history.Add(line);
  std::string shown = c.draft;
  for (const Step& step : c.steps) {
    SCOPED_TRACE(std::string(1, step.key) + " expecting " + step.shows);
    const std::optional<std::string> line = step.key == 'U' ? history.Older(shown) : history.Newer();
    if (std::string(step.shows) == "-") {
      EXPECT_FALSE(line.has_value());
    } else {
      ASSERT_TRUE(line.has_value());
      EXPECT_EQ(*line, step.shows);
      shown = *line;
    }
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Walks, HistoryWalk,
    ::testing::Values(
        WalkCase{"nothingSent", {}, "typed", {{'U', "-"}, {'D', "-"}}},
        WalkCase{"upToTheOldestAndBackToTheDraft", {"a", "b", "c"}, "typed",
                 {{'U', "c"}, {'U', "b"}, {'U', "a"}, {'U', "-"}, {'D', "b"}, {'D', "c"}, {'D', "typed"}, {'D', "-"}}},
        WalkCase{"downBeforeAnyUpDoesNothing", {"a"}, "", {{'D', "-"}, {'U', "a"}, {'D', ""}}},
        WalkCase{"aRepeatedLineIsKeptOnce", {"a", "b", "b", "a"}, "",
                 {{'U', "a"}, {'U', "b"}, {'U', "a"}, {'U', "-"}}},
        WalkCase{"emptyLinesAreNotKept", {"a", ""}, "x", {{'U', "a"}, {'U', "-"}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SendLineHistory, KeepsTheNewestHundredAndSendingStartsTheNextWalkAtTheNewest) {
  SendLineHistory history;
  for (int n = 1; n <= 150; ++n) history.Add("line " + std::to_string(n));
  EXPECT_EQ(history.Size(), 100U);
  std::string shown;
  std::optional<std::string> line;
  while (const auto older = history.Older(shown)) shown = *older;
  EXPECT_EQ(shown, "line 51");
  // A walk ended by a send: the next Up shows the line just sent.
  history.Add("line 151");
  line = history.Older("");
  ASSERT_TRUE(line);
  EXPECT_EQ(*line, "line 151");
}

}  // namespace
