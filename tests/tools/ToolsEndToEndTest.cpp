// telvane-sim and telvane-send as separate processes on loopback: each kind
// of rule, each fault, standard-input mode and every exit status.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/tools/ToolProcess.h"
#include "tools/common/UdpSocket.h"

namespace {

const char* const kSample1 = "<STX>0,1,INFO?<ETX><179>";

struct ExchangeCase {
  const char* name;
  const char* rules;  // empty: the built-in example rules
  QStringList simArguments;
  QStringList sendArguments;
  std::optional<std::string> input;  // standard input, when the line is not an argument
  int status;
  std::vector<std::string> printed;  // each on standard output or error
  int replies = -1;                  // [IN] lines, when it matters
};

// A failing case is named, not dumped as bytes.
void PrintTo(const ExchangeCase& c, std::ostream* out) { *out << c.name; }

class Exchange : public ::testing::TestWithParam<ExchangeCase> {};

TEST_P(Exchange, PrintsAndExitsAsDocumented) {
  const ExchangeCase& c = GetParam();
  SimProcess sim(c.simArguments, c.rules);
  ASSERT_FALSE(sim.Address().isEmpty());
  const SendResult result = RunSend(sim, c.sendArguments, c.input ? &*c.input : nullptr);
  const std::string printed = result.out + result.err;
  EXPECT_EQ(result.status, c.status) << printed;
  for (const std::string& part : c.printed) EXPECT_NE(printed.find(part), std::string::npos) << part << "\n" << printed;
  if (c.replies >= 0) {
    EXPECT_EQ(Occurrences(result.out, "[IN]"), c.replies) << printed;
  }
}

// The answer to INFO?, with the right block check.
const char* const kInfoAnswer = "<STX>0,1,INFO,{*}<ETX>{BCC}";

const char* const kPeriodicRules =
    "[Rule go]\nRequest=go\nReply=ok\n[Periodic tick]\nEvery=20ms\nStart=go\nSend=t{COUNT}\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Tools, Exchange,
    ::testing::Values(
        // Built-in rules: both sample commands, a wildcard echoed after a delay, a bad request refused.
        ExchangeCase{"sampleOne", "", {}, {kSample1}, {}, 0,
                     {"[OUT]  <STX>0,1,INFO?<ETX><179>", "[IN]   <2>0,1,INFO,SIMULATED INSTRUMENT,V1.0<3><154>  ("}, 1},
        ExchangeCase{"sampleTwoWithBlockCheckAppended", "", {}, {"--bcc", "<STX>0,1,INFO?<LF><ETX>"}, {}, 0,
                     {"[OUT]  <STX>0,1,INFO?<LF><ETX><185>", "V1.0<10><3><144>"}, 1},
        ExchangeCase{"wildcardEchoedAfterDelay", "", {}, {"-b", "-c", "2", "<STX>0,1,SET,42<ETX>"}, {}, 0,
                     {"[IN]   <6>", "[IN]   <2>0,1,SET,42,OK<3><194>"}, 2},
        // SET is acknowledged at once and confirmed 50 ms later: a shorter wait sees the <ACK> only.
        ExchangeCase{"acknowledgedAtOnceConfirmedLater", "", {}, {"-b", "-c", "2", "-w", "45ms", "<STX>0,1,SET,42<ETX>"},
                     {}, 0, {"[IN]   <6>"}, 1},
        ExchangeCase{"delayLongerThanTheWait", "[Rule d]\nRequest=d\nReply=x\nDelay=200ms\n", {}, {"-w", "20ms", "d"}, {},
                     1, {"no reply within 20ms"}, 0},
        ExchangeCase{"badBlockCheckRefused", "", {}, {"<STX>0,1,INFO?<ETX><178>"}, {}, 0, {"[IN]   <21>"}, 1},
        ExchangeCase{"noRuleNoAnswer", "", {}, {"--wait", "100ms", "hello"}, {}, 1, {}, 0},
        // Rules of our own: a default answer, counters and numbers, a periodic line.
        ExchangeCase{"defaultAnswersTheRest", "[Rule a]\nRequest=a\nReply=A\n[Default]\nReply=?{1}\n", {}, {"zz"}, {},
                     0, {"[IN]   ?zz"}, 1},
        ExchangeCase{"standardInputOneExchangePerLine", "[Rule n]\nRequest=n\nReply={COUNT},{RANDOM:1.5:1.5}\n", {}, {},
                     "n\n\nn\r\n", 0, {"[IN]   1,1.5", "[IN]   2,1.5"}, 2},
        ExchangeCase{"periodicStartsOnRequest", kPeriodicRules, {}, {"--count", "4", "--wait", "5s", "go"}, {}, 0,
                     {"[IN]   ok", "[IN]   t1", "[IN]   t2", "[IN]   t3"}, 4},
        // Faults, each at 100 % so the outcome is fixed.
        ExchangeCase{"dropAll", "", {"--drop", "100"}, {"--wait", "100ms", kSample1}, {}, 1, {}, 0},
        ExchangeCase{"corruptAll", "", {"--corrupt", "100"}, {kSample1}, {}, 2,
                     {"<3><155>  (", "bad block check <155>, expected <154>"}, 1},
        ExchangeCase{"duplicateAll", "", {"--duplicate", "100"}, {"--count", "0", "--wait", "300ms", kSample1}, {}, 0,
                     {}, 2},
        ExchangeCase{"rawReplyBytes", "", {}, {"--raw", kSample1}, {}, 0,
                     {"\x02" "0,1,INFO,SIMULATED INSTRUMENT,V1.0\x03\x9A"}, 0},
        // --expect: only matching replies count; a wrong answer is printed and exits 3.
        ExchangeCase{"expectMatches", "", {}, {"--expect", kInfoAnswer, kSample1}, {}, 0, {"[IN]   <2>0,1,INFO,"}, 1},
        ExchangeCase{"expectWrongAnswer", "", {}, {"-b", "-w", "200ms", "--expect", kInfoAnswer, "<STX>0,1,SET,42<ETX>"},
                     {}, 3, {"[IN]   <6>  (", "does not match --expect)", "no reply matching --expect within 200ms (2 that did not match)"},
                     2},
        ExchangeCase{"expectEachOfTheCount", "", {}, {"-b", "-c", "2", "-w", "200ms", "--expect", "<ACK>", "<STX>0,1,SET,42<ETX>"},
                     {}, 3, {"1 of 2 replies matching --expect within 200ms (1 that did not match)"}, 2},
        ExchangeCase{"expectSkipsWhatTheStreamSendsBesides", kPeriodicRules, {}, {"-c", "3", "-w", "5s", "--expect", "t{*}", "go"},
                     {}, 0, {"[IN]   ok  (", "does not match --expect)", "[IN]   t1", "[IN]   t3"}, 4},
        ExchangeCase{"expectRawWritesOnlyWhatMatches", "", {}, {"-r", "-b", "--expect", "<STX>{*}", "<STX>0,1,SET,42<ETX>"},
                     {}, 0, {"reply that does not match --expect: <6>", "\x02" "0,1,SET,42,OK\x03\xC2"}, 0},
        ExchangeCase{"expectBadBlockCheckIsNoMatch", "", {"--corrupt", "100"}, {"-w", "200ms", "--expect", kInfoAnswer, kSample1},
                     {}, 3, {"bad block check <155>, expected <154>", "no reply matching --expect"}, 1},
        ExchangeCase{"expectOnEachLineOfStandardInput", "", {}, {"-b", "-w", "200ms", "--expect", "<STX>0,1,INFO,{*}"},
                     "<STX>0,1,INFO?<ETX>\n<STX>0,1,STOP<ETX>\n<STX>0,1,INFO?<ETX>\n", 3,
                     {"line 2: no reply matching --expect within 200ms (1 that did not match)"}, 3},
        ExchangeCase{"expectUnknownPlaceholder", "", {}, {"--expect", "{1}", kSample1}, {}, 64,
                     {"--expect: unknown placeholder {1} in a request"}, 0},
        ExchangeCase{"expectNotationError", "", {}, {"--expect", "<abc>", kSample1}, {}, 64, {"--expect: notation error 13"}, 0},
        // Mistakes in the call: nothing is sent.
        ExchangeCase{"notationError", "", {}, {"<STX><abc>"}, {}, 64, {"notation error 13: Type mismatch in '<STX><abc>'"}, 0},
        ExchangeCase{"notationErrorStopsStandardInput", "", {}, {}, std::string(kSample1) + "\n<256>\n" + kSample1 + "\n",
                     64, {"line 2: notation error 5"}, 1},
        ExchangeCase{"remoteAddressRefused", "", {}, {"--to", "10.0.0.1:5", kSample1}, {}, 64, {"refusing 10.0.0.1"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SimulatorTiming, EachReplyGoesOutAtItsOwnDelayAfterTheRulesDelay) {
  SimProcess sim({}, "[Rule r]\nRequest=go\nReply=+300ms third\nReply=first\nReply=+150ms second\nDelay=100ms\n");
  ASSERT_FALSE(sim.Address().isEmpty());
  const SendResult result = RunSend(sim, {"--count", "3", "--wait", "5s", "go"});
  ASSERT_EQ(result.status, 0) << result.out << result.err;
  // Each reply time is measured from before the request left, so it is at
  // least the reply's due time, however late the simulator runs.
  static const QRegularExpression reply(R"(\[IN\]   (\S+)  \(([0-9.]+) ms\))");
  std::vector<std::pair<std::string, double>> replies;
  for (auto match = reply.globalMatch(QString::fromStdString(result.out)); match.hasNext();) {
    const QRegularExpressionMatch m = match.next();
    replies.emplace_back(m.captured(1).toStdString(), m.captured(2).toDouble());
  }
  ASSERT_EQ(replies.size(), 3U) << result.out;
  const std::pair<const char*, double> expected[] = {{"first", 100}, {"second", 250}, {"third", 400}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(replies[i].first, expected[i].first) << result.out;
    EXPECT_GE(replies[i].second, expected[i].second) << result.out;
  }
}

TEST(LateReplies, AReplyAfterItsWaitIsNeverCreditedToALaterLine) {
  // Each request is answered at once and once more 200 ms later.
  SimProcess sim({},
                 "[Rule x]\nRequest=x\nReply=x1\nReply=+200ms x2\n[Rule y]\nRequest=y\nReply=y1\nReply=+200ms y2\n");
  ASSERT_FALSE(sim.Address().isEmpty());
  SendSession send(sim, {"--wait", "5s"});
  send.Write("x\n");
  ASSERT_TRUE(sim.WaitFor("  x2  "));  // on its way while telvane-send waits for line 2
  send.Write("\ny\n");
  ASSERT_TRUE(sim.WaitFor("  y2  "));  // arrived after the last exchange
  const SendResult result = send.Finish();
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  EXPECT_EQ(Occurrences(result.out, "[IN]"), 2) << result.out;
  EXPECT_EQ(Occurrences(result.out, "[IN]   x1  ("), 1) << result.out;
  EXPECT_EQ(Occurrences(result.out, "[IN]   y1  ("), 1) << result.out;
  // Line 2 is empty, so y is line 3.
  static const QRegularExpression late(
      "^telvane-send: late reply to line 1, 2\\d\\d\\.\\d{3} ms after it: x2\n"
      "telvane-send: late reply to line 3, 2\\d\\d\\.\\d{3} ms after it: y2\n$");
  EXPECT_TRUE(late.match(QString::fromStdString(result.err)).hasMatch()) << result.err;
}

TEST(LateReplies, AReplyToALineWithoutOneIsPutDownToThatLine) {
  // Every reply comes 750 ms after its request, longer than the wait: line
  // 1's reply arrives while line 3 waits, or before line 3 is sent.
  SimProcess sim({}, "[Rule slow]\nRequest=a{*}\nReply=reply to {1}\nDelay=750ms\n");
  ASSERT_FALSE(sim.Address().isEmpty());
  const std::string lines = "a1\na2\na3\n";
  const SendResult result = RunSend(sim, {"--wait", "300ms"}, &lines);
  const std::string printed = result.out + result.err;
  EXPECT_EQ(result.status, 1) << printed;
  EXPECT_NE(result.err.find("line 1: no reply within 300ms"), std::string::npos) << printed;
  EXPECT_NE(result.err.find("line 2: no reply within 300ms"), std::string::npos) << printed;
  const bool noted = printed.find("line 1 had no reply in time, this may be its reply, 7") != std::string::npos;
  const bool late = printed.find("late reply to line 1, 7") != std::string::npos;
  EXPECT_TRUE(noted || late) << printed;
}

// The simulator's own lines with times and the sender's port taken out.
std::string Replies(const std::string& simOutput) {
  static const QRegularExpression variable(R"(\d\d:\d\d:\d\d\.\d{3}|127\.0\.0\.1:\d+|seed \d+)");
  std::string kept;
  for (const QString& line : QString::fromStdString(simOutput).split('\n')) {
    if (line.contains("[OUT]") || line.contains("[DROP]")) kept += QString(line).remove(variable).toStdString() + "\n";
  }
  return kept;
}

TEST(SimulatorFaults, SameSeedSameFaults) {
  const std::string tenRequests = [] {
    std::string lines;
    for (int i = 0; i < 10; ++i) lines += std::string(kSample1) + "\n";
    return lines;
  }();
  std::string runs[2];
  for (std::string& run : runs) {
    SimProcess sim({"--drop", "50", "--jitter", "30ms", "--seed", "5"});
    RunSend(sim, {"--wait", "100ms"}, &tenRequests);
    ASSERT_EQ(sim.Stop(&run), 0);
    run = Replies(run);
  }
  EXPECT_EQ(runs[0], runs[1]);
  const int dropped = Occurrences(runs[0], "[DROP]");
  EXPECT_GT(dropped, 0) << runs[0];
  EXPECT_LT(dropped, 10) << runs[0];
  EXPECT_EQ(Occurrences(runs[0], "jitter"), 10);
}

TEST(SimulatorOutput, AFloodPrintsAtMostTheLimitAndCountsTheRest) {
  SimProcess sim({"--print-limit", "10"});
  ASSERT_FALSE(sim.Address().isEmpty());
  std::string error;
  const std::optional<Endpoint> to = ParseEndpoint(sim.Address().toStdString(), {}, &error);
  std::optional<UdpSocket> flood = UdpSocket::Bind(*ParseEndpoint("127.0.0.1:0", {false, true}, &error), &error);
  ASSERT_TRUE(to && flood) << error;
  // 300 requests at once, then until 100 answers are back: far more than 10
  // lines in the first second.
  for (int i = 0; i < 300; ++i)
    ASSERT_TRUE(
        flood->SendTo("\x02"
                      "0,1,INFO?\x03\xB3",
                      *to, &error))
        << error;
  int answers = 0;
  const auto deadline = UdpSocket::Clock::now() + std::chrono::seconds(20);
  while (answers < 100 && flood->ReceiveUntil(deadline)) ++answers;
  ASSERT_EQ(answers, 100);

  std::string printed;
  ASSERT_EQ(sim.Stop(&printed), 0);
  static const QRegularExpression stopped("stopped after (\\d+) datagrams received, (\\d+) sent");
  static const QRegularExpression summary(R"(\[\.\.\.\]  not printed: (\d+) received(, (\d+) sent)?)");
  const QString text = QString::fromStdString(printed);
  const QRegularExpressionMatch totals = stopped.match(text);
  ASSERT_TRUE(totals.hasMatch()) << printed;
  int heldReceived = 0;
  int heldSent = 0;
  int summaries = 0;
  for (auto match = summary.globalMatch(text); match.hasNext(); ++summaries) {
    const QRegularExpressionMatch m = match.next();
    heldReceived += m.captured(1).toInt();
    heldSent += m.captured(3).toInt();
  }
  EXPECT_GE(summaries, 1) << printed;
  // Every datagram is either on its own line or counted in a summary.
  EXPECT_EQ(Occurrences(printed, "[IN]") + heldReceived, totals.captured(1).toInt()) << printed;
  EXPECT_EQ(Occurrences(printed, "[OUT]") + heldSent, totals.captured(2).toInt()) << printed;
  EXPECT_LE(Occurrences(printed, "[IN]") + Occurrences(printed, "[OUT]"), 10 * (summaries + 1)) << printed;
}

TEST(SimulatorExit, StopsCleanlyAndRefusesWhatItCannotDo) {
  SimProcess sim({});
  ASSERT_EQ(RunSend(sim, {kSample1}).status, 0);
  // A second simulator on the same port cannot bind it.
  EXPECT_EQ(RunTool(TELVANE_SIM, {"--listen", sim.Address()}).status, 1);
  std::string printed;
  EXPECT_EQ(sim.Stop(&printed), 0);
  EXPECT_NE(printed.find("[IN]   127.0.0.1:"), std::string::npos) << printed;
  EXPECT_NE(printed.find("  <2>0,1,INFO?<3><179>  (rule Info)"), std::string::npos) << printed;
  EXPECT_NE(printed.find("stopped after 1 datagrams received, 1 sent"), std::string::npos) << printed;

  EXPECT_EQ(RunTool(TELVANE_SIM, {"--listen", "10.0.0.1:8364"}).status, 64);
  EXPECT_EQ(RunTool(TELVANE_SIM, {"--rules", "/nonexistent/rules.ini"}).status, 64);
  EXPECT_EQ(RunTool(TELVANE_SIM, {"--drop", "101"}).status, 64);
  EXPECT_EQ(RunTool(TELVANE_SIM, {"--print-limit", "-1"}).status, 64);
  const SendResult help = RunTool(TELVANE_SIM, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--rules FILE"), std::string::npos);
  EXPECT_NE(help.out.find("--print-limit N"), std::string::npos);
}

}  // namespace
