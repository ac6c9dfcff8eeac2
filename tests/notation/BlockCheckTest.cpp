// The block check over a send line, as the block-check button appends it.
#include <gtest/gtest.h>

#include <utility>

#include "core/RunTimeError.h"
#include "notation/BlockCheck.h"

namespace {

TEST(AppendBlockCheck, AppendsTokenToUnchangedLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"<STX>0,1,INFO?<ETX>", "<STX>0,1,INFO?<ETX><179>"},
      {"<STX>0,1,INFO?<LF><ETX>", "<STX>0,1,INFO?<LF><ETX><185>"},
      {"<STX>0,1,INFO?<ETX><179>", "<STX>0,1,INFO?<ETX><179><128>"},  // a second click
      {"<2>0,1,INFO?<3>", "<2>0,1,INFO?<3><179>"},                    // numeric form alike
      {"0,1,INFO?", "0,1,INFO?<176>"},                                // no STX: every byte counts
      {"", "<128>"},
      {"<STX>", "<STX><128>"},
      {"A<STX>B", "A<STX>B<194>"},          // bytes before the STX do not count
      {"<STX>A<STX>", "<STX>A<STX><195>"},  // only the first STX cuts
  };
  for (const auto& [line, withBlockCheck] : cases) {
    EXPECT_EQ(fkt_AppendBlockCheck(line), withBlockCheck) << line;
  }
}

TEST(AppendBlockCheck, UnconvertibleLineFails) {
  EXPECT_THROW(fkt_AppendBlockCheck("<STX><abc><ETX>"), RunTimeError);
}

}  // namespace
