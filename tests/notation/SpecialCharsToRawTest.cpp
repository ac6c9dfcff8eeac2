// Notation to raw bytes: the conversions and failures the notation defines,
// and the corners where a replaced token changes what the next search sees.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/RunTimeError.h"
#include "notation/Notation.h"

namespace {

using namespace std::string_literals;

struct Conversion {
  const char* name;
  std::string notation;
  std::string raw;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const Conversion& param, std::ostream* out) { *out << param.name; }

class SpecialCharsToRawConverts : public testing::TestWithParam<Conversion> {};

TEST_P(SpecialCharsToRawConverts, ToExpectedBytes) {
  EXPECT_EQ(fkt_SpecialCharsToRaw(GetParam().notation), GetParam().raw);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, SpecialCharsToRawConverts,
    testing::Values(
        Conversion{"EveryName", "<STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>", "\x02\x03\x04\x05\x06\x0A\x0D\x15"s},
        Conversion{"InfoFrame", "<STX>0,1,INFO?<ETX>", "\x02" "0,1,INFO?\x03"s},
        Conversion{"SameTokenReplacedEverywhere", "<65><66><65>", "ABA"},
        Conversion{"LeadingZeros", "<065><0065><65>", "AAA"},
        Conversion{"ZeroByte", "a<0>b<000>", "a\0b\0"s},
        Conversion{"HighestByte", "<255>", "\xFF"},
        Conversion{"NameAndCodeAlike", "<ACK><6>", "\x06\x06"},
        Conversion{"CrLfNamed", "<CR><LF>", "\r\n"},
        Conversion{"CrLfNumeric", "<13><10>", "\r\n"},
        Conversion{"OpenWithoutCloseStaysLiteral", "a<b<CR>", "a<b\r"},
        Conversion{"CloseWithoutOpenStaysLiteral", "x>y", "x>y"},
        Conversion{"CloseBeforeFirstOpenStaysLiteral", "x><65>", "x>A"},
        Conversion{"ProducedOpenAlone", "<60>", "<"},
        Conversion{"ProducedOpenWithoutLaterClose", "<60>a<b", "<a<b"},
        Conversion{"ProducedCloseStaysLiteral", "<62>A", ">A"},
        Conversion{"HighBytesPassThrough", "\xE4<228>\x80", "\xE4\xE4\x80"},
        Conversion{"LowerCaseNameIsNoName", "<stx", "<stx"},
        Conversion{"Empty", "", ""},
        // A produced "<" opens the next token: "<60>65>" becomes "<65>".
        Conversion{"ProducedOpenStartsToken", "<60>65>", "A"},
        // A produced ">" closes a later token: "<62><6<62>" becomes "><6>".
        Conversion{"ProducedCloseEndsToken", "<62><6<62>", ">\x06"},
        // Replacing "<55>" (7) everywhere joins "<1" and ">" into "<17>".
        Conversion{"ReplacementJoinsToken", "<55><1<55>>", "7\x11"},
        Conversion{"PlusSign", "<+65>", "A"},
        Conversion{"NegativeZero", "<-0>", "\0"s}),
    [](const testing::TestParamInfo<Conversion>& info) { return info.param.name; });

struct Failure {
  const char* name;
  std::string notation;
  int number;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const Failure& param, std::ostream* out) { *out << param.name; }

class SpecialCharsToRawFails : public testing::TestWithParam<Failure> {};

TEST_P(SpecialCharsToRawFails, WithErrorNumber) {
  try {
    const std::string raw = fkt_SpecialCharsToRaw(GetParam().notation);
    ADD_FAILURE() << "converted to \"" << raw << "\"";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.Number(), GetParam().number);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Notation, SpecialCharsToRawFails,
    testing::Values(Failure{"LowerCaseName", "<stx>", 13},
                    Failure{"NameByteBetweenBrackets", "<<STX>>", 13}, Failure{"Empty", "<>", 13},
                    Failure{"Letters", "<abc>", 13}, Failure{"Blank", "< 65>", 13}, Failure{"Hex", "<0x41>", 13},
                    Failure{"SignOnly", "<->", 13}, Failure{"TwoSigns", "<--1>", 13},
                    Failure{"LiteralOpenBeforeClose", "a<b<65>", 13},
                    Failure{"ProducedOpenBeforeLaterClose", "<60>A<62>", 13},
                    Failure{"FirstTokenBadLaterFine", "<x><65>", 13},
                    Failure{"GoodTokensThenBad", "<65>A<B>", 13}, Failure{"Above255", "<256>", 5},
                    Failure{"Negative", "<-1>", 5}, Failure{"HugeNumber", "<99999999999999999999>", 5},
                    Failure{"HugeNegative", "<-99999999999999999999>", 5},
                    Failure{"ManyZerosThen256", "<00000000000000000000256>", 5},
                    // Replacing "<53>" (5) forms a new "<53>" in "<3<53>>". It waits
                    // for the next pass, which starts at "<3<" and fails; replaced
                    // at once, it would give the token "<35>".
                    Failure{"FormedTokenWaitsForNextPass", "<53><3<<53>3>>", 13}),
    [](const testing::TestParamInfo<Failure>& info) { return info.param.name; });

}  // namespace
