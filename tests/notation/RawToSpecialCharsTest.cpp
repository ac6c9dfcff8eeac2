// Raw bytes to the display form, and back.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "notation/Notation.h"

namespace {

TEST(RawToSpecialChars, ShowsEveryByteAsItselfOrAsItsCode) {
  // Only these bytes stand as themselves; never a name, STX is <2>.
  constexpr std::string_view kShownAsThemselves = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !.,?";
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

TEST(RawToSpecialChars, LongRunsOfPlainTextGiveWhatEachByteGivesAlone) {
  // Runs of plain text longer than 16 bytes, broken at random by other bytes,
  // at every offset; and the lower-case form that finding uses.
  std::mt19937 random(14);
  const std::string plain = "0,1,INFO,Simulated Instrument V1.0 ABCDEFGHIJKLMNOPQRSTUVWXYZ?! ";
  for (int round = 0; round < 2000; ++round) {
    std::string raw = plain.substr(random() % plain.size());
    for (int n = 0; n < 3; ++n) raw.insert(random() % (raw.size() + 1), 1, static_cast<char>(random()));
    std::string expected;
    for (const char byte : raw) expected += fkt_RawToSpecialChars(std::string(1, byte));
    ASSERT_EQ(fkt_RawToSpecialChars(raw), expected);
    std::string lower(raw.size() * kDisplayRoomPerByte + kDisplayRoomExtra, '\0');
    lower.resize(static_cast<std::size_t>(WriteRawToSpecialChars(raw, lower.data(), true) - lower.data()));
    for (char& ch : expected) ch = static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch + 32 : ch);
    ASSERT_EQ(lower, expected);
  }
}

}  // namespace
