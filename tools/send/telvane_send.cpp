// telvane-send: one exchange from the command line. Converts a line in the
// notation as the console's send path does (optionally with the block check
// appended as the block-check button does), sends it as one datagram, waits
// for replies and prints them, checking the block check of every framed
// reply. Without a line on the command line it reads one line per exchange
// from standard input.
#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "core/RunTimeError.h"
#include "tools/common/CommandLine.h"
#include "tools/common/RuleLine.h"
#include "tools/common/UdpSocket.h"
#include "tools/send/Exchanges.h"

namespace {

constexpr const char* kTool = "telvane-send";

const char* const kHelp = R"(Usage: telvane-send [OPTION]... [LINE]
Sends LINE, written in the console's notation ('<STX>0,1,INFO?<ETX>'), as one
UDP datagram, waits for replies and prints each one (UTC time, [IN], the reply
in the console's display form, the reply time). Without LINE, reads standard
input and makes one exchange per non-empty line, in order.

  -t, --to ADDRESS:PORT    where to send (default 127.0.0.1:8364)
  -f, --from ADDRESS:PORT  where to send from and receive on (default: a
                           free port on 127.0.0.1, or on every address when
                           --to is not a loopback address)
  -b, --bcc                append the block check, as the console's
                           block-check button does
  -w, --wait TIME          how long to wait for replies, as 500ms or 2s
                           (default 500ms)
  -c, --count N            stop waiting after N replies (default 1; 0: take
                           every reply until the wait ends)
      --expect PATTERN     count only replies that match PATTERN, written as
                           a request of telvane-sim's rules: the notation,
                           {*} for any bytes, {BCC} for the right block
                           check ('<STX>0,1,INFO,{*}<ETX>{BCC}'); others are
                           printed and skipped, and N matching replies are
                           needed (at least one with --count 0)
  -r, --raw                write the replies' bytes unchanged to standard
                           output, and nothing else
  -q, --quiet              print nothing; only the exit status tells
      --allow-remote       allow addresses outside 127.0.0.0/8
  -h, --help               show this help and exit
      --version            show the version and exit

A reply that arrives between exchanges (after a line's wait, before the
next line is sent or the run ends) is reported on standard error as "late
reply to line N" and not counted.

Exit status: 0 every line got a reply (framed replies with the right block
check), 1 a line got no reply in time or could not be sent, 2 a framed reply
had a wrong block check, 3 with --expect: a line got replies, but not the
ones expected, 64 bad usage or a notation error (its number and description
on standard error; later lines are not sent). When several apply, the
highest.
)";

enum Option { kAllowRemote = 1000, kExpect };

struct Options {
  SendOptions send;
  std::string to = "127.0.0.1:8364";
  std::optional<std::string> from;
  bool allowRemote = false;
  std::optional<std::string> line;
};

Options Parse(int argc, char** argv) {
  static const option kLong[] = {{"to", required_argument, nullptr, 't'},
                                 {"from", required_argument, nullptr, 'f'},
                                 {"bcc", no_argument, nullptr, 'b'},
                                 {"wait", required_argument, nullptr, 'w'},
                                 {"count", required_argument, nullptr, 'c'},
                                 {"expect", required_argument, nullptr, kExpect},
                                 {"raw", no_argument, nullptr, 'r'},
                                 {"quiet", no_argument, nullptr, 'q'},
                                 {"allow-remote", no_argument, nullptr, kAllowRemote},
                                 {"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, kVersionOption},
                                 {nullptr, 0, nullptr, 0}};
  Options o;
  SendOptions& send = o.send;
  int next = ForEachOption(kTool, argc, argv, "t:f:bw:c:rqh", kLong, kHelp, [&](int id, const std::string& value) {
    switch (id) {
      case 't': o.to = value; break;
      case 'f': o.from = value; break;
      case 'b': send.bcc = true; break;
      case 'w':
        send.wait = TimeOption(kTool, "--wait", value);
        send.waitText = value;
        break;
      case 'c': send.count = WholeNumberOption(kTool, "--count", value, 1'000'000); break;
      case kExpect: try { send.expect = RuleLine::Parse(value, LineUse::Request);
        } catch (const std::runtime_error& error) {
          UsageError(kTool, std::string("--expect: ") + error.what());
        }
        break;
      case 'r': send.raw = true; break;
      case 'q': send.quiet = true; break;
      case kAllowRemote: o.allowRemote = true; break;
      default: break;
    }
  });
  if (next < argc) o.line = argv[next++];
  if (next < argc) UsageError(kTool, "give one LINE (quote it: '<STX>0,1,INFO?<ETX>'), or none to read standard input");
  send.numberLines = !o.line;
  return o;
}

void ReportNotationError(const RunTimeError& error, const std::string& line, std::optional<int> lineNumber) {
  const std::string where = lineNumber ? "line " + std::to_string(*lineNumber) + ": " : "";
  std::fprintf(stderr, "%s: %snotation error %d: %s in '%s'\n", kTool, where.c_str(), error.Number(),
               error.Description().c_str(), line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  Options options = Parse(argc, argv);
  const Endpoint to = EndpointOption(kTool, "--to", options.to, {options.allowRemote, false});
  // A socket bound to loopback can reach loopback only.
  const Endpoint from =
      EndpointOption(kTool, "--from", options.from.value_or(to.IsLoopback() ? "127.0.0.1:0" : "0.0.0.0:0"),
                     {options.allowRemote, true});
  std::string error;
  std::optional<UdpSocket> socket = UdpSocket::Bind(from, &error);
  if (!socket) {
    std::fprintf(stderr, "%s: %s\n", kTool, error.c_str());
    return kNoReply;
  }
  Exchanges exchanges(std::move(options.send), std::move(*socket), to);

  if (options.line) {
    try {
      exchanges.Run(*options.line, 1);
    } catch (const RunTimeError& notationError) {
      ReportNotationError(notationError, *options.line, std::nullopt);
      return kExitUsage;
    }
    exchanges.Finish();
    return exchanges.Status();
  }
  std::ios::sync_with_stdio(false);
  std::string line;
  for (int number = 1; std::getline(std::cin, line); ++number) {
    if (line.ends_with('\r')) line.pop_back();  // a line end written CR LF
    if (line.empty()) continue;
    try {
      exchanges.Run(line, number);
    } catch (const RunTimeError& notationError) {
      // Later lines may depend on this one, so none of them is sent.
      exchanges.Finish();
      ReportNotationError(notationError, line, number);
      return kExitUsage;
    }
  }
  exchanges.Finish();
  return exchanges.Status();
}
