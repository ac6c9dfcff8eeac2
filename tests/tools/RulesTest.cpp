// The simulator's rules in-process: how a request pattern matches, what a
// reply line sends, and the messages a faulty rules file gets.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/common/RuleLine.h"
#include "tools/sim/RulesFile.h"

namespace {

using namespace std::string_literals;

TEST(RequestPattern, MatchesWholeDatagramsAndCapturesWildcards) {
  // clang-format off
  const struct {
    const char* pattern;
    std::string request;
    std::optional<std::vector<std::string>> captures;  // nothing: no match
  } cases[] = {
      {"<STX>0,1,INFO?<ETX>{BCC}", "\x02" "0,1,INFO?\x03\xB3"s, {{}}},
      {"<STX>0,1,INFO?<ETX>{BCC}", "\x02" "0,1,INFO?\x03\xB2"s, std::nullopt},  // wrong block check
      {"<STX>0,1,INFO?<ETX>{BCC}", "\x02" "0,1,INFO?\x03"s, std::nullopt},      // none at all
      {"INFO?", "INFO?x", std::nullopt},                                          // the whole datagram counts
      {"{*}a{*}b", "xaayb", {{"x", "ay"}}},  // an earlier wildcard takes as little as it can
      {"a{*}", "a", {{""}}},
      {"{*}", "", {{""}}},
      // An ETX inside the text: the block check is found at the end all the same.
      {"<STX>{*}<ETX>{BCC}", "\x02" "a\x03" "b\x03\x83"s, {{"a\x03" "b"}}},
      {"<STX>{*}<ETX>{*}", "\x02" "a\x03" "b\x03" "c"s, {{"a", "b\x03" "c"}}},
      {"{*}<42>", "2*", {{"2"}}},  // a literal star is written <42>
      {"{*}a{*}a{*}a{*}b", std::string(65507, 'a'), std::nullopt},  // the largest datagram, no match: no hang
  };
  // clang-format on
  for (const auto& c : cases) {
    std::vector<std::string> captures;
    const bool matched = RuleLine::Parse(c.pattern, LineUse::Request).Match(c.request, &captures);
    ASSERT_EQ(matched, c.captures.has_value()) << c.pattern << " / " << c.request.substr(0, 20);
    if (matched) {
      EXPECT_EQ(captures, *c.captures) << c.pattern;
    }
  }
}

TEST(ReplyLine, FillsPlaceholdersAndCorruptsOnlyTheBlockCheck) {
  const std::vector<std::string> captures{"42"};
  // clang-format off
  const struct {
    const char* reply;
    std::string bytes;
  } cases[] = {
      {"<STX>0,1,OK<ETX>{BCC}", "\x02" "0,1,OK\x03\x86"s},
      {"{BCC}", "\x80"s},
      {"{1}/{COUNT}", "42/3"},
      {"{RANDOM:2.50:2.50}|{RANDOM:-1:-1}|{RANDOM:0.05:0.05}|{RANDOM:-0.5:-0.5}", "2.50|-1|0.05|-0.5"},
      {"a{b", "a{b"},          // no closing brace: a literal byte
      {"<123>BCC}", "{BCC}"},  // a literal placeholder text
  };
  std::mt19937_64 random(1);
  for (const auto& c : cases) {
    const RuleLine::Expansion e = RuleLine::Parse(c.reply, LineUse::Reply).Expand(captures, 3, random, false);
    EXPECT_EQ(e.bytes, c.bytes) << c.reply;
    EXPECT_FALSE(e.blockCheckCorrupted) << c.reply;
  }
  // Corrupting changes only the block check, and keeps its bit 7.
  const RuleLine::Expansion framed =
      RuleLine::Parse("<STX>0,1,OK<ETX>{BCC}", LineUse::Reply).Expand({}, 1, random, true);
  EXPECT_EQ(framed.bytes, "\x02" "0,1,OK\x03\x87"s);
  EXPECT_TRUE(framed.blockCheckCorrupted);
  EXPECT_FALSE(RuleLine::Parse("<ACK>", LineUse::Reply).Expand({}, 1, random, true).blockCheckCorrupted);
}

TEST(RulesFile, ReadsSectionsInOrderWithTheDefaultLast) {
  const Rules rules = ParseRules(
      "; comment\r\n# comment\r\n"
      "[default]\r\nREPLY = <NAK> \r\n"
      "[Rule First one]\r\nrequest=a\r\nReply=1\r\nReply=2\r\nDelay=20ms\r\n"
      "[Rule]\r\nRequest=b\r\n"
      "[Periodic Tick]\r\nEvery=0.5s\r\nSend=t\r\nTo=127.0.0.2:9\r\nStart=go\r\n",
      "rules", {});
  ASSERT_EQ(rules.rules.size(), 3U);
  EXPECT_EQ(rules.rules[0].name, "First one");
  EXPECT_EQ(rules.rules[0].replies.size(), 2U);
  EXPECT_EQ(rules.rules[0].delay, std::chrono::milliseconds(20));
  EXPECT_EQ(rules.rules[1].name, "Rule 2");
  EXPECT_EQ(rules.rules[2].name, "Default");
  std::mt19937_64 random(1);
  EXPECT_EQ(rules.rules[2].replies[0].line.Expand({}, 1, random, false).bytes, "\x15");  // blanks around it dropped
  ASSERT_EQ(rules.periodic.size(), 1U);
  EXPECT_EQ(rules.periodic[0].every, std::chrono::milliseconds(500));
  EXPECT_EQ(rules.periodic[0].to->Text(), "127.0.0.2:9");
  EXPECT_TRUE(rules.periodic[0].start.has_value());
  EXPECT_FALSE(rules.periodic[0].stop.has_value());
}

TEST(RulesFile, EachReplyAndSendMayNameItsOwnDelay) {
  const struct {
    const char* value;
    long long afterMicroseconds;
    std::string bytes;
  } cases[] = {
      {"<ACK>", 0, "\x06"},
      {"+50ms <STX>0,1,OK<ETX>{BCC}", 50'000, "\x02" "0,1,OK\x03\x86"s},
      {"+0.25s\t \tdone", 250'000, "done"},  // tabs and blanks between delay and line
      {"+1s", 1'000'000, ""},                // an empty datagram, a second later
      {"+0ms +x", 0, "+x"},                  // only the first + names a delay
      {"<43>50ms x", 0, "+50ms x"},          // a literal + at the start
      {"a +50ms", 0, "a +50ms"},
  };
  // clang-format on
  for (const auto& c : cases) {
    const std::string text =
        std::string("[Rule r]\nRequest=q\nReply=") + c.value + "\n[Periodic p]\nEvery=1s\nSend=" + c.value + "\n";
    const Rules rules = ParseRules(text, "rules", {});
    std::mt19937_64 random(1);
    for (const TimedLine& line : {rules.rules[0].replies[0], rules.periodic[0].sends[0]}) {
      EXPECT_EQ(line.after.count(), c.afterMicroseconds) << c.value;
      EXPECT_EQ(line.line.Expand({}, 1, random, false).bytes, c.bytes) << c.value;
    }
  }
}

TEST(RulesFile, FaultsNameTheirLine) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"[Rule a]\nReqest=x\n", "rules:2: Reqest: unknown key"},
      {"[Rule a]\nReply=x\n", "rules:1: [Rule a] has no Request"},
      {"[Rule a]\nRequest={2}\n", "rules:2: Request: unknown placeholder {2}"},
      {"[Rule a]\nRequest=a{*}\nReply={2}\n", "rules:1: a Reply uses {2}, but the Request has only 1 {*}"},
      {"[Rule a]\nRequest=<abc>\n", "rules:2: Request: notation error 13"},
      {"[Rule a]\nRequest=a\nReply={RANDOM:5:1}\n", "rules:3: Reply: {RANDOM:5:1} needs two numbers"},
      {"[Rule a]\nRequest=a\nDelay=5\n", "rules:3: Delay: '5' is not a time"},
      // A reply's own delay is hostile text like any other: refused with its line, never taken as a wait.
      {"[Rule a]\nRequest=a\nReply=+\n", "rules:3: Reply: a line that starts with + names its delay first"},
      {"[Rule a]\nRequest=a\nReply=+5 <ACK>\n", "names its delay first, as in +50ms <ACK>: '5' is not a time"},
      {"[Rule a]\nRequest=a\nReply=+-5ms <ACK>\n", "rules:3: Reply: a line that starts with + names its delay first"},
      {"[Rule a]\nRequest=a\nReply=+OK\n", "(a literal + at the start is written <43>)"},
      {"[Rule a]\nRequest=a\nReply=+50msx\n", "'50msx' is not a time"},
      {"[Rule a]\nRequest=a\nReply=+86401s x\n", "at most one day"},
      {"[Rule a]\nRequest=a\nReply=+99999999999999999999999999ms x\n", "rules:3: Reply: a line that starts with +"},
      {"[Rule a]\nRequest=a\nReply=+1e9s x\n", "rules:3: Reply: a line that starts with +"},
      {"[Rule a]\nRequest=a\nReply=+nans x\n", "rules:3: Reply: a line that starts with +"},
      {"[Rule a]\nRequest=a\nReply=+50ms <abc>\n", "rules:3: Reply: notation error 13"},
      {"[Periodic p]\nEvery=1s\nSend=+1d x\n", "rules:3: Send: a line that starts with + names its delay first"},
      {"[Rule a]\nRequest=a\nrequest=b\n", "rules:3: 'request' given twice"},
      {"[Rule a]\njunk\n", "rules:2: expected KEY=VALUE"},
      {"[Rules a]\n", "rules:1: unknown section [Rules a]"},
      {"Request=a\n", "rules:1: 'Request' before the first [SECTION]"},
      {"[Default]\n[Default]\n", "rules:2: a second [Default] section"},
      {"[Periodic p]\nSend=x\n", "rules:1: [Periodic p] needs Every"},
      {"[Periodic p]\nEvery=0s\n", "rules:2: Every: must be longer than 0 ms"},
      {"[Periodic p]\nEvery=1s\nSend={1}\n", "rules:3: Send: has no request"},
      {"[Periodic p]\nEvery=1s\nSend=x\nTo=10.0.0.1:5\n", "rules:4: To: refusing 10.0.0.1"},
  };
  for (const auto& c : cases) {
    try {
      ParseRules(c.text, "rules", {});
      ADD_FAILURE() << "no error for " << c.text;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

}  // namespace
