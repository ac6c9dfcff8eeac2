// The block check over a send line, as the block-check button appends it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/RunTimeError.h"
#include "notation/BlockCheck.h"

namespace {

using namespace std::string_literals;

struct Appended {
  const char* name;
  std::string line;
  std::string withBlockCheck;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const Appended& param, std::ostream* out) { *out << param.name; }

class AppendBlockCheck : public testing::TestWithParam<Appended> {};

TEST_P(AppendBlockCheck, AppendsTokenToUnchangedLine) {
  EXPECT_EQ(fkt_AppendBlockCheck(GetParam().line), GetParam().withBlockCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, AppendBlockCheck,
    testing::Values(
        Appended{"InfoFrame", "<STX>0,1,INFO?<ETX>", "<STX>0,1,INFO?<ETX><179>"},
        Appended{"InfoFrameWithLf", "<STX>0,1,INFO?<LF><ETX>", "<STX>0,1,INFO?<LF><ETX><185>"},
        Appended{"SecondClick", "<STX>0,1,INFO?<ETX><179>", "<STX>0,1,INFO?<ETX><179><128>"},
        Appended{"NoStxCountsEverything", "0,1,INFO?", "0,1,INFO?<176>"},
        Appended{"EmptyLine", "", "<128>"}, Appended{"OnlyStx", "<STX>", "<STX><128>"},
        Appended{"BytesBeforeStxDoNotCount", "A<STX>B", "A<STX>B<194>"},
        Appended{"NumericFormAlike", "<2>0,1,INFO?<3>", "<2>0,1,INFO?<3><179>"},
        Appended{"OnlyFirstStxCuts", "<STX>A<STX>", "<STX>A<STX><195>"}),
    [](const testing::TestParamInfo<Appended>& info) { return info.param.name; });

TEST(AppendBlockCheck, UnconvertibleLineFails) {
  EXPECT_THROW(fkt_AppendBlockCheck("<STX><abc><ETX>"), RunTimeError);
}

TEST(CalcBlockCheck, RawBytes) {
  EXPECT_EQ(fkt_CalcBlockCheck("\x02" "0,1,INFO?\x03"s), 179);
  EXPECT_EQ(fkt_CalcBlockCheck("\x80"), 128);  // bit 7 set either way
  EXPECT_EQ(fkt_CalcBlockCheck("\x7F"), 255);
  EXPECT_EQ(fkt_CalcBlockCheck("\x02"), 128);
}

}  // namespace
