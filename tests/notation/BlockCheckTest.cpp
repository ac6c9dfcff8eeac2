// The block check over a send line, as the block-check button appends it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "core/RunTimeError.h"
#include "notation/BlockCheck.h"
#include "notation/FrameCheck.h"

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

TEST(AppendBlockCheck, UnconvertibleLineFails) { EXPECT_THROW(fkt_AppendBlockCheck("<STX><abc><ETX>"), RunTimeError); }

TEST(MissingBlockCheck, OnlyAFrameEndingInEtxLacksOne) {
  struct Case {
    const char* raw = nullptr;
    std::optional<int> check;
  };
  const Case cases[] = {
      {"\x02"
       "0,1,INFO?\x03",
       179},
      {"\x02"
       "0,1,INFO?\n\x03",
       185},
      {"A\x02"
       "B\x03",
       193},                  // bytes before the STX do not count
      {"\x02\x03", 131},      // an empty frame
      {"\x02\x02\x03", 129},  // only the first STX cuts
      {"\x02"
       "0,1,INFO?\x03\xB3",
       std::nullopt},  // carries its block check already
      {"\x02"
       "0,1,INFO?\x03\r",
       std::nullopt},                   // anything after the ETX
      {"0,1,INFO?\x03", std::nullopt},  // no STX: no frame
      {"\x02"
       "0,1,INFO?",
       std::nullopt},
      {"\x03\x02", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<std::uint8_t> check = MissingBlockCheck(c.raw);
    const std::optional<int> asInt = check ? std::optional<int>(*check) : std::nullopt;
    EXPECT_EQ(asInt, c.check) << c.raw;
  }
}

TEST(CheckFrame, ChecksTheBlockCheckOfEveryFrameAndOfNothingElse) {
  using std::string_literals::operator""s;
  struct Expected {
    int expected, received;
    std::size_t frame = 1, frames = 1;
  };
  // clang-format off
  const struct {
    const char* name;
    std::string datagram;
    std::optional<Expected> check;  // nothing: not a frame
  } cases[] = {
      {"first sample", "\x02" "0,1,INFO?\x03\xB3"s, Expected{179, 179}},
      {"second sample", "\x02" "0,1,INFO?\n\x03\xB9"s, Expected{185, 185}},
      {"wrong block check", "\x02" "0,1,INFO?\x03\xB2"s, Expected{179, 178}},
      {"shortest frame", "\x02\x03\x83"s, Expected{131, 131}},
      {"bytes before the STX do not count", "\x06\x02" "0,1,INFO?\x03\xB3"s, Expected{179, 179}},
      {"block check below 128", "\x02" "0,1,INFO?\x03" "3"s, Expected{179, 51}},
      {"two frames, both right", "\x02" "A\x03\xC2\x02" "B\x03\xC1"s, Expected{193, 193, 2, 2}},
      {"two frames, the first wrong", "\x02" "A\x03\xC0\x02" "B\x03\xC1"s, Expected{194, 192, 1, 2}},
      {"two frames, the second wrong", "\x02" "A\x03\xC2\x02" "B\x03\xC0"s, Expected{193, 192, 2, 2}},
      {"two frames with a line end between", "\x02" "A\x03\xC2\r\n\x02" "B\x03\xC1"s, Expected{193, 193, 2, 2}},
      // As one frame its block check would be right; the frames it splits
      // into are not.
      {"ETX ends a frame", "\x02" "A\x03x\x02" "B\x03\xF9"s, Expected{194, 120, 1, 2}},
      {"line end after the block check", "\x02" "0,1,INFO?\x03\xB3\r\n"s, std::nullopt},
      {"no STX", "0,1,INFO?\x03\xB3"s, std::nullopt},
      {"STX without ETX", "\x02" "0,1,INFO?\xB3"s, std::nullopt},
      {"STX only after the ETX", "\x03\x02\xB3"s, std::nullopt},
      {"ETX as the last byte", "\x02" "0,1\x03"s, std::nullopt},
      {"second frame cut short", "\x02" "A\x03\xC2\x02" "B"s, std::nullopt},
      {"empty", ""s, std::nullopt},
  };
  // clang-format on
  for (const auto& c : cases) {
    const std::optional<FrameBlockCheck> check = CheckFrame(c.datagram);
    ASSERT_EQ(check.has_value(), c.check.has_value()) << c.name;
    if (!check) continue;
    EXPECT_EQ(check->expected, c.check->expected) << c.name;
    EXPECT_EQ(check->received, c.check->received) << c.name;
    EXPECT_EQ(check->frame, c.check->frame) << c.name;
    EXPECT_EQ(check->frames, c.check->frames) << c.name;
    EXPECT_EQ(check->Valid(), c.check->expected == c.check->received) << c.name;
  }
}

}  // namespace
