// Raw bytes to the display form, and back.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <string_view>

#include "core/RunTimeError.h"
#include "notation/Notation.h"

namespace {

using namespace std::string_literals;

// The bytes the display form shows as themselves; every other byte is shown
// as its decimal code.
constexpr std::string_view kShownAsThemselves =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !.,?";

struct Display {
  const char* name;
  std::string raw;
  std::string display;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const Display& param, std::ostream* out) { *out << param.name; }

class RawToSpecialCharsShows : public testing::TestWithParam<Display> {};

TEST_P(RawToSpecialCharsShows, DisplayForm) {
  EXPECT_EQ(fkt_RawToSpecialChars(GetParam().raw), GetParam().display);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, RawToSpecialCharsShows,
    testing::Values(Display{"PlainText", "0,1,INFO?", "0,1,INFO?"},
                    Display{"ControlBytesNeverNamed", "\x02" "1\x03"s, "<2>1<3>"},
                    Display{"CrLf", "\r\n", "<13><10>"}, Display{"Brackets", "<a>", "<60>a<62>"},
                    Display{"Empty", "", ""}),
    [](const testing::TestParamInfo<Display>& info) { return info.param.name; });

TEST(RawToSpecialChars, EveryByteValue) {
  for (int code = 0; code < 256; ++code) {
    const std::string raw(1, static_cast<char>(code));
    const bool shownAsItself = kShownAsThemselves.find(raw) != std::string_view::npos;
    std::string expected = raw;
    if (!shownAsItself) {
      expected = '<' + std::to_string(code) + '>';
    }
    EXPECT_EQ(fkt_RawToSpecialChars(raw), expected) << "byte " << code;
  }
}

TEST(RawToSpecialChars, DisplayFormHoldingBracketsDoesNotConvertBack) {
  // "<" then any encoded byte: the "<" produced by <60> meets the next ">".
  std::string everyByte;
  for (int code = 0; code < 256; ++code) {
    everyByte += static_cast<char>(code);
  }
  try {
    fkt_SpecialCharsToRaw(fkt_RawToSpecialChars(everyByte));
    ADD_FAILURE() << "converted back";
  } catch (const RunTimeError& error) {
    EXPECT_EQ(error.Number(), 13);
  }
}

TEST(RawToSpecialChars, ConvertsBackWithoutBrackets) {
  std::string everyOtherByte;
  for (int code = 0; code < 256; ++code) {
    if (code != '<' && code != '>') {
      everyOtherByte += static_cast<char>(code);
    }
  }
  EXPECT_EQ(fkt_SpecialCharsToRaw(fkt_RawToSpecialChars(everyOtherByte)), everyOtherByte);

  // Random strings, so that every byte meets every neighbour and repeats.
  std::mt19937 random(20240607);
  std::uniform_int_distribution<std::size_t> length(0, 64);
  std::uniform_int_distribution<std::size_t> pick(0, everyOtherByte.size() - 1);
  for (int round = 0; round < 5000; ++round) {
    std::string raw(length(random), '\0');
    for (char& byte : raw) {
      byte = everyOtherByte[pick(random)];
    }
    ASSERT_EQ(fkt_SpecialCharsToRaw(fkt_RawToSpecialChars(raw)), raw);
  }
}

}  // namespace
