// Notation to raw bytes: the conversions and failures the notation defines,
// then the fast conversion against the literal one on random lines that keep
// the numeric pass busy.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/RunTimeError.h"
#include "notation/Notation.h"
#include "tests/notation/LiteralNotation.h"

namespace {

using namespace std::string_literals;

// The converted bytes, or the number of the error raised instead.
struct Outcome {
  std::optional<std::string> raw;
  int errorNumber = 0;

  bool operator==(const Outcome&) const = default;
};

Outcome Raw(std::string raw) { return {std::move(raw), 0}; }
Outcome Error(int number) { return {std::nullopt, number}; }

void PrintTo(const Outcome& outcome, std::ostream* out) {
  if (outcome.raw) {
    *out << testing::PrintToString(*outcome.raw);
  } else {
    *out << "error " << outcome.errorNumber;
  }
}

template <typename Convert>
Outcome OutcomeOf(Convert convert, const std::string& notation) {
  try {
    return Raw(convert(notation));
  } catch (const RunTimeError& error) {
    return Error(error.Number());
  }
}

struct Conversion {
  const char* name;
  std::string notation;
  Outcome expected;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const Conversion& param, std::ostream* out) { *out << param.name; }

class SpecialCharsToRaw : public testing::TestWithParam<Conversion> {};

TEST_P(SpecialCharsToRaw, ConvertsWholeOrFails) {
  EXPECT_EQ(OutcomeOf(fkt_SpecialCharsToRaw, GetParam().notation), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, SpecialCharsToRaw,
    testing::Values(
        Conversion{"EveryName", "<STX><ETX><EOT><ENQ><ACK><LF><CR><NAK>", Raw("\x02\x03\x04\x05\x06\x0A\x0D\x15"s)},
        Conversion{"SameTokenReplacedEverywhere", "<65><66><65>", Raw("ABA")},
        Conversion{"LeadingZeros", "<065><0065><65>", Raw("AAA")}, Conversion{"ZeroByte", "a<0>b<000>", Raw("a\0b\0"s)},
        Conversion{"HighestByte", "<255>", Raw("\xFF")},
        Conversion{"HighBytesPassThrough", "\xE4<228>\x80", Raw("\xE4\xE4\x80")},
        Conversion{"CrLfNumeric", "<13><10>", Raw("\r\n")},
        Conversion{"OpenWithoutCloseStaysLiteral", "a<b<CR>", Raw("a<b\r")},
        Conversion{"CloseWithoutOpenStaysLiteral", "x>y", Raw("x>y")},
        Conversion{"CloseBeforeFirstOpenStaysLiteral", "x><65>", Raw("x>A")},
        Conversion{"ProducedOpenAlone", "<60>", Raw("<")},
        Conversion{"ProducedOpenWithoutLaterClose", "<60>a<b", Raw("<a<b")},
        // Replacing "<55>" (7) everywhere joins "<1" and ">" into "<17>".
        Conversion{"ReplacementJoinsToken", "<55><1<55>>", Raw("7\x11")},
        Conversion{"SignedZeroAndPlus", "<-0><+65>", Raw("\0A"s)}, Conversion{"LowerCaseName", "<stx>", Error(13)},
        Conversion{"Empty", "<>", Error(13)}, Conversion{"Letters", "<abc>", Error(13)},
        Conversion{"Blank", "< 65>", Error(13)}, Conversion{"SignOnly", "<->", Error(13)},
        Conversion{"LiteralOpenBeforeClose", "a<b<65>", Error(13)},
        Conversion{"ProducedOpenBeforeLaterClose", "<60>A<62>", Error(13)},
        Conversion{"GoodTokensThenBad", "<65>A<B>", Error(13)}, Conversion{"Above255", "<256>", Error(5)},
        Conversion{"Negative", "<-1>", Error(5)}, Conversion{"HugeNumber", "<99999999999999999999>", Error(5)},
        Conversion{"ManyZerosThen256", "<00000000000000000000256>", Error(5)}),
    [](const testing::TestParamInfo<Conversion>& info) { return info.param.name; });

// Random notation lines from a small grammar that keeps the numeric pass
// busy: a few codes per line, so that tokens repeat and replaced bytes meet
// equal tokens; codes whose bytes are digits, signs, "<" or ">"; digits;
// brackets around such sequences, which a replacement can join into a new
// token ("<1<53>>" becomes "<15>"); and now and then a bare bracket, a sign,
// a name, a control or a high byte, an empty or a bad code.
class RandomNotation {
 public:
  explicit RandomNotation(unsigned seed) : random_(seed) {}

  std::string Line() {
    constexpr std::array<std::string_view, 14> kCodes{"48", "49", "51", "53", "053", "57",  "60",
                                                      "62", "45", "43", "65", "0",   "256", "x"};
    codes_.clear();
    for (int count = 0; count < 3; ++count) {
      codes_.push_back(kCodes[Below(kCodes.size())]);
    }
    return Sequence(0, 8);
  }

 private:
  // Appended, not "<" + ... + ">": that trips GCC 12's -Wrestrict false positive at -O3.
  static std::string Bracketed(std::string_view inner) {
    std::string token = "<";
    token += inner;
    token += '>';
    return token;
  }

  std::size_t Below(std::size_t bound) { return std::uniform_int_distribution<std::size_t>(0, bound - 1)(random_); }

  std::string Sequence(int depth, std::size_t most) {
    std::string sequence;
    for (std::size_t count = Below(most + 1); count > 0; --count) {
      sequence += Item(depth);
    }
    return sequence;
  }

  std::string Item(int depth) {
    constexpr std::string_view kDigits = "135";
    constexpr std::string_view kOddBytes = "<>+-\x02\xFF";
    switch (Below(depth < 3 ? 12 : 9)) {
      case 0:
      case 1:
      case 2: return std::string(1, kDigits[Below(kDigits.size())]);
      case 3:
      case 4:
      case 5:
      case 6: return Bracketed(codes_[Below(codes_.size())]);
      case 7: return std::string(1, kOddBytes[Below(kOddBytes.size())]);
      case 8: return Below(2) == 0 ? "<STX>" : "<CR>";
      default: return Bracketed(Sequence(depth + 1, 3));
    }
  }

  std::mt19937 random_;
  std::vector<std::string_view> codes_;
};

TEST(SpecialCharsToRawEquivalence, FastConversionMatchesLiteralOnRandomLines) {
  RandomNotation lines(7);
  constexpr int kRounds = 100000;
  std::array<int, 3> outcomes{};  // converted, error 13, error 5
  for (int round = 0; round < kRounds; ++round) {
    const std::string notation = lines.Line();
    const Outcome literal = OutcomeOf(LiteralSpecialCharsToRaw, notation);
    ASSERT_EQ(OutcomeOf(fkt_SpecialCharsToRaw, notation), literal) << "notation: " << testing::PrintToString(notation);
    ++outcomes[literal.raw ? 0 : literal.errorNumber == 13 ? 1 : 2];
  }
  // The lines must keep producing all three outcomes, or the comparison
  // above proves little.
  for (const int count : outcomes) {
    EXPECT_GT(count, kRounds / 100);
  }
}

}  // namespace
