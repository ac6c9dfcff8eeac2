// Raw bytes to the display form, and back.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "notation/Notation.h"

namespace {

TEST(RawToSpecialChars, ShowsEveryByteAsItselfOrAsItsCode) {
  // Only these bytes stand as themselves; never a name, STX is <2>.
  constexpr std::string_view kShownAsThemselves =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !.,?";
  for (int code = 0; code < 256; ++code) {
    const std::string raw(1, static_cast<char>(code));
    const bool shownAsItself = kShownAsThemselves.find(raw) != std::string_view::npos;
    EXPECT_EQ(fkt_RawToSpecialChars(raw), shownAsItself ? raw : '<' + std::to_string(code) + '>') << "byte " << code;
  }
  EXPECT_EQ(fkt_RawToSpecialChars("0,1,INFO?\r\n"), "0,1,INFO?<13><10>");
  EXPECT_EQ(fkt_RawToSpecialChars(""), "");
}

TEST(RawToSpecialChars, ConvertsBackWhenThereAreNoBrackets) {
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
