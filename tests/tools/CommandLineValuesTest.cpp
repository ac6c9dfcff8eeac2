// What the tools accept as addresses, times and rules files, and what they
// refuse with a message instead of sending somewhere else, waiting for ever
// or reading without end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>

#include "tools/common/Endpoint.h"
#include "tools/common/WaitTime.h"
#include "tools/sim/RulesFile.h"

namespace {

TEST(Endpoint, TakesDottedLoopbackAddressesOnly) {
  const struct {
    const char* text = nullptr;
    EndpointRules rules;
    const char* parsed = nullptr;  // nullptr: refused
  } cases[] = {
      {"127.0.0.1:8364", {}, "127.0.0.1:8364"},
      {"127.2.3.4:1", {}, "127.2.3.4:1"},
      {"10.0.0.1:8364", {}, nullptr},  // not loopback
      {"10.0.0.1:8364", {true, false}, "10.0.0.1:8364"},
      {"localhost:8364", {}, nullptr},  // no names
      {"127.1:8364", {}, nullptr},      // no shorthand
      {"127.0.0.1", {}, nullptr},
      {"127.0.0.1:", {}, nullptr},
      {"127.0.0.1:65536", {}, nullptr},
      {"127.0.0.1:80x", {}, nullptr},
      {"127.0.0.1:0", {}, nullptr},                   // a port to send to
      {"127.0.0.1:0", {false, true}, "127.0.0.1:0"},  // a port to bind
  };
  for (const auto& c : cases) {
    std::string error;
    const std::optional<Endpoint> endpoint = ParseEndpoint(c.text, c.rules, &error);
    ASSERT_EQ(endpoint.has_value(), c.parsed != nullptr) << c.text;
    if (endpoint) {
      EXPECT_EQ(endpoint->Text(), c.parsed);
    } else {
      EXPECT_FALSE(error.empty()) << c.text;
    }
  }
}

TEST(WaitTime, NeedsAUnitAndStaysWithinADay) {
  const struct {
    const char* text;
    long long microseconds;  // -1: refused
  } cases[] = {
      {"500ms", 500'000}, {"2s", 2'000'000}, {"0.25s", 250'000},
      {"1.5ms", 1'500},   {"0ms", 0},        {"86400s", 86'400'000'000},
      {"86401s", -1},     {"5", -1},         {"ms", -1},
      {"-1s", -1},        {"1e3ms", -1},     {"infs", -1},
      {"nans", -1},       {"5 ms", -1},      {"5min", -1},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto time = ParseWaitTime(c.text, &error);
    EXPECT_EQ(time ? time->count() : -1, c.microseconds) << c.text;
  }
}

TEST(RulesFileReading, RefusesWhatIsNoSmallRegularFile) {
  QTemporaryDir folder;
  const std::string base = folder.path().toStdString();
  std::ofstream(base + "/rules.ini") << "[Rule a]\nRequest=a\n";
  ASSERT_EQ(::mkfifo((base + "/fifo").c_str(), 0600), 0);
  std::ofstream(base + "/large.ini").seekp((4 << 20) + 1).put('x');
  EXPECT_EQ(ReadRulesFile(base + "/rules.ini"), "[Rule a]\nRequest=a\n");
  for (const char* name : {"/fifo", "/large.ini", "", "/missing.ini"}) {
    EXPECT_THROW(ReadRulesFile(base + name), std::runtime_error) << name;  // "" is the folder itself
  }
}

}  // namespace
