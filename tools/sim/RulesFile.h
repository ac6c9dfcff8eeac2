#pragma once
// The simulator's rules: INI text in the style of the console's command
// files, read from top to bottom.
//
//   [Rule NAME]          the first rule whose Request matches a datagram answers it
//   Request=LINE         the pattern (RuleLine.h)
//   Reply=[+TIME] LINE   one datagram per Reply, sent in order; no Reply: silence.
//                        "+50ms <ACK>" sends it 50 ms after the request, so a
//                        rule can acknowledge at once and confirm later
//   Delay=TIME           before every reply of the rule (20ms, 1s); default none
//
//   [Periodic NAME]      a line sent again and again
//   Every=TIME
//   Send=[+TIME] LINE    one datagram per Send, one or more; +TIME after the tick
//   To=ADDRESS:PORT      default: whoever sent the last datagram
//   Start=LINE           sending starts when a datagram matches; default: at once
//   Stop=LINE            and stops when one matches this
//
//   [Default]            the answer when no rule matches; no such section: silence
//   Reply=[+TIME] LINE
//   Delay=TIME
//
// Section and key names match without regard to case; blanks around a value
// are dropped (write <32> for a blank at either end); a line that starts with
// ";" or "#" is a comment. A Reply or Send that starts with "+" names its
// delay first ("+" at the start of the datagram itself is written <43>). Anything else is an error with its line
// number, so a mistyped key never goes unnoticed.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/common/Endpoint.h"
#include "tools/common/RuleLine.h"

// A datagram to send and how long after its cause: the request for a Reply
// (on top of the rule's Delay), the tick for a Send.
struct TimedLine {
  std::chrono::microseconds after{0};
  RuleLine line;
};

struct Rule {
  std::string name;
  RuleLine request;
  std::vector<TimedLine> replies;
  std::chrono::microseconds delay{0};  // before every reply
};

struct PeriodicRule {
  std::string name;
  std::chrono::microseconds every{0};
  std::vector<TimedLine> sends;
  std::optional<Endpoint> to;
  std::optional<RuleLine> start;
  std::optional<RuleLine> stop;
};

struct Rules {
  std::vector<Rule> rules;  // in file order; the [Default] section, if any, last
  std::vector<PeriodicRule> periodic;
};

// Throws std::runtime_error "ORIGIN:LINE: what is wrong".
Rules ParseRules(std::string_view text, const std::string& origin, EndpointRules addresses);

// The text of a rules file, read as the console reads its settings
// (SafeRead): a FIFO, a device, a link of another user or a file over 4 MiB
// is refused rather than block or flood the simulator. Throws
// std::runtime_error with the reason.
std::string ReadRulesFile(const std::string& path);
