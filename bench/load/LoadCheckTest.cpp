// The checks that decide whether a load run lost anything: a fault here would
// pass a lossy run or fail a sound one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/load/LoadDatagram.h"
#include "bench/load/LogFileCheck.h"
#include "bench/load/Loopback.h"
#include "bench/load/SequenceCheck.h"

namespace {

std::string Datagram(std::uint64_t number) {
  std::string bytes(kLoadDatagramBytes, '\0');
  FormatLoadDatagram(number, bytes.data());
  return bytes;
}

TEST(LoadDatagram, NumbersRoundTripAsTenDigits) {
  const struct {
    std::uint64_t number;
    const char* digits;
  } cases[] = {{0, "0000000000"}, {42, "0000000042"}, {1'000'000, "0001000000"}, {kLoadMaxNumber, "9999999999"}};
  for (const auto& c : cases) {
    const std::string bytes = Datagram(c.number);
    EXPECT_EQ(bytes.size(), 64U);
    EXPECT_EQ(bytes.substr(0, 10), c.digits);
    EXPECT_EQ(ParseLoadDatagram(bytes), c.number);
  }
}

TEST(LoadDatagram, RejectsAnythingElse) {
  std::string digitReplaced = Datagram(7);
  digitReplaced[3] = 'x';
  std::string fillerChanged = Datagram(7);
  fillerChanged[40] ^= 0x20;
  const std::string cases[] = {"", Datagram(7).substr(0, 63), Datagram(7) + " ", digitReplaced, fillerChanged};
  for (const std::string& bytes : cases) EXPECT_FALSE(ParseLoadDatagram(bytes)) << bytes;
}

TEST(Loopback, AcceptsOnly127Slash8InFullDottedForm) {
  const struct {
    const char* text;
    bool accepted;
  } cases[] = {{"127.0.0.1", true},
               {"127.255.255.254", true},
               {"127.1.2.3", true},
               {"128.0.0.1", false},
               {"126.255.255.255", false},
               {"10.0.0.1", false},
               {"0.0.0.0", false},
               {"localhost", false},
               {"127.1", false},
               {"", false},
               {"::1", false},
               {"127.0.0.1 ", false}};
  for (const auto& c : cases) EXPECT_EQ(LoopbackAddress(c.text).has_value(), c.accepted) << c.text;
}

TEST(SequenceCheck, CountsLossAndDisorder) {
  const struct {
    const char* name;
    std::uint64_t first;
    std::uint64_t expected;
    std::vector<std::uint64_t> numbers;
    std::uint64_t lost;
    std::uint64_t misplaced;
  } cases[] = {
      {"complete", 0, 4, {0, 1, 2, 3}, 0, 0},          {"complete from 100", 100, 3, {100, 101, 102}, 0, 0},
      {"gap in the middle", 0, 5, {0, 1, 3, 4}, 1, 0}, {"first ones missing", 0, 4, {2, 3}, 2, 0},
      {"tail missing", 0, 5, {0, 1, 2}, 2, 0},         {"nothing", 0, 3, {}, 3, 0},
      {"duplicate", 0, 3, {0, 1, 1, 2}, 0, 1},         {"swapped pair", 0, 4, {0, 2, 1, 3}, 1, 1},
      {"beyond the end", 0, 3, {0, 1, 2, 3}, 0, 1},    {"before the first", 10, 2, {9, 10, 11}, 0, 1},
  };
  for (const auto& c : cases) {
    SequenceCheck check(c.first, c.expected);
    for (const std::uint64_t n : c.numbers) check.Add(n);
    EXPECT_EQ(check.Lost(), c.lost) << c.name;
    EXPECT_EQ(check.Misplaced(), c.misplaced) << c.name;
    EXPECT_EQ(check.Complete(), c.lost == 0 && c.misplaced == 0) << c.name;
    EXPECT_EQ(check.FirstFault().empty(), check.Complete()) << c.name;
  }
}

TEST(SequenceCheck, AMalformedEntrySpoilsACompleteRun) {
  SequenceCheck check(0, 2);
  check.Add(0);
  check.AddMalformed();
  check.Add(1);
  EXPECT_EQ(check.Lost(), 0U);
  EXPECT_FALSE(check.Complete());
  EXPECT_EQ(check.FirstFault(), "entry 1: not a numbered datagram");
}

class LogFile : public ::testing::Test {
 protected:
  void TearDown() override { std::remove(path_.c_str()); }
  std::string Write(const std::string& content) {
    std::ofstream(path_, std::ios::binary) << content;
    return path_;
  }
  std::string path_ = ::testing::TempDir() + "bench_load_test_" + std::to_string(::getpid()) + ".log";
};

std::string Line(const char* stamp, std::uint64_t number, const char* end = "\r\n") {
  return std::string(stamp) + "    " + Datagram(number) + end;
}

TEST_F(LogFile, ChecksEveryLineAndTheOrder) {
  const struct {
    const char* name;
    std::string content;
    std::uint64_t received;
    std::uint64_t malformed;
    bool complete;
  } cases[] = {
      {"three good lines", Line("00:00:00:000", 0) + Line("12:34:56:789", 1) + Line("23:59:59:999", 2), 3, 0, true},
      {"LF without CR", Line("12:00:00:000", 0) + Line("12:00:00:001", 1, "\n") + Line("12:00:00:002", 2), 2, 1, false},
      {"last line cut short", Line("12:00:00:000", 0) + Line("12:00:00:001", 1) + Line("12:00:00:002", 2, "\r"), 2, 1,
       false},
      {"hour 24", Line("12:00:00:000", 0) + Line("24:00:00:000", 1) + Line("12:00:00:002", 2), 2, 1, false},
      {"dot before the milliseconds", Line("12:00:00.000", 0) + Line("12:00:00:001", 1) + Line("12:00:00:002", 2), 2, 1,
       false},
      {"three blanks", Line("12:00:00:000", 0) + "12:00:00:001   " + Datagram(1) + "\r\n" + Line("12:00:00:002", 2), 2,
       1, false},
      {"line missing", Line("12:00:00:000", 0) + Line("12:00:00:002", 2), 2, 0, false},
      {"empty file", "", 0, 0, false},
  };
  for (const auto& c : cases) {
    std::string error;
    const std::optional<SequenceCheck> check = CheckLoadLog(Write(c.content), 0, 3, &error);
    ASSERT_TRUE(check) << c.name << ": " << error;
    EXPECT_EQ(check->Received(), c.received) << c.name;
    EXPECT_EQ(check->Malformed(), c.malformed) << c.name;
    EXPECT_EQ(check->Complete(), c.complete) << c.name;
  }
}

TEST_F(LogFile, AMissingFileIsAnErrorNotAnEmptyRun) {
  std::string error;
  EXPECT_FALSE(CheckLoadLog(path_ + ".absent", 0, 1, &error));
  EXPECT_NE(error.find(".absent"), std::string::npos);
}

}  // namespace
