// telvane-send: one exchange from the command line. Converts a line in the
// notation as the console's send path does (optionally with the block check
// appended as the block-check button does), sends it as one datagram, waits
// for replies and prints them, checking the block check of every framed
// reply. Without a line on the command line it reads one line per exchange
// from standard input.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "core/RunTimeError.h"
#include "notation/BlockCheck.h"
#include "notation/Notation.h"
#include "tools/common/CommandLine.h"
#include "tools/common/ExchangeLine.h"
#include "tools/common/UdpSocket.h"

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
  -r, --raw                write the replies' bytes unchanged to standard
                           output, and nothing else
  -q, --quiet              print nothing; only the exit status tells
      --allow-remote       allow addresses outside 127.0.0.0/8
  -h, --help               show this help and exit
      --version            show the version and exit

Exit status: 0 every line got a reply (framed replies with the right block
check), 1 a line got no reply in time or could not be sent, 2 a framed reply
had a wrong block check, 64 bad usage or a notation error (its number and
description on standard error; later lines are not sent).
)";

enum Option { kAllowRemote = 1000 };
enum ExitStatus { kReplied = 0, kNoReply = 1, kBadBlockCheck = 2 };

struct Options {
  std::string to = "127.0.0.1:8364";
  std::optional<std::string> from;
  bool bcc = false;
  std::chrono::microseconds wait = std::chrono::milliseconds(500);
  std::string waitText = "500ms";
  std::uint64_t count = 1;
  bool raw = false;
  bool quiet = false;
  bool allowRemote = false;
  std::optional<std::string> line;
};

Options Parse(int argc, char** argv) {
  static const option kLong[] = {
      {"to", required_argument, nullptr, 't'},    {"from", required_argument, nullptr, 'f'},
      {"bcc", no_argument, nullptr, 'b'},         {"wait", required_argument, nullptr, 'w'},
      {"count", required_argument, nullptr, 'c'}, {"raw", no_argument, nullptr, 'r'},
      {"quiet", no_argument, nullptr, 'q'},       {"allow-remote", no_argument, nullptr, kAllowRemote},
      {"help", no_argument, nullptr, 'h'},        {"version", no_argument, nullptr, kVersionOption},
      {nullptr, 0, nullptr, 0}};
  Options o;
  int next = ForEachOption(kTool, argc, argv, "t:f:bw:c:rqh", kLong, kHelp, [&](int id, const std::string& value) {
    switch (id) {
      case 't': o.to = value; break;
      case 'f': o.from = value; break;
      case 'b': o.bcc = true; break;
      case 'w':
        o.wait = TimeOption(kTool, "--wait", value);
        o.waitText = value;
        break;
      case 'c': o.count = WholeNumberOption(kTool, "--count", value, 1'000'000); break;
      case 'r': o.raw = true; break;
      case 'q': o.quiet = true; break;
      case kAllowRemote: o.allowRemote = true; break;
      default: break;
    }
  });
  if (next < argc) o.line = argv[next++];
  if (next < argc) UsageError(kTool, "give one LINE (quote it: '<STX>0,1,INFO?<ETX>'), or none to read standard input");
  return o;
}

class Exchanges {
 public:
  Exchanges(const Options& options, UdpSocket socket, const Endpoint& to)
      : options_(options), socket_(std::move(socket)), to_(to) {}

  // One exchange. Throws RunTimeError when the line is no valid notation;
  // nothing is sent then.
  void Run(const std::string& line) {
    const std::string notation = options_.bcc ? fkt_AppendBlockCheck(line) : line;
    const std::string raw = fkt_SpecialCharsToRaw(notation);
    // Whatever arrived since the last exchange ended belongs to it, not to this one.
    while (const std::optional<Datagram> late = socket_.TryReceive()) Show(kTagLate, *late, "");

    const auto sentAt = UdpSocket::Clock::now();
    std::string error;
    if (!socket_.SendTo(raw, to_, &error)) {
      std::fprintf(stderr, "%s: %s\n", kTool, error.c_str());
      worst_ = std::max<int>(worst_, kNoReply);
      return;
    }
    if (Prints()) PrintLine(stdout, ExchangeLine(kTagOut, "", notation, ""));
    std::uint64_t replies = 0;
    while (options_.count == 0 || replies < options_.count) {
      const std::optional<Datagram> reply = socket_.ReceiveUntil(sentAt + options_.wait);
      if (!reply) break;
      ++replies;
      const std::chrono::duration<double, std::milli> took = UdpSocket::Clock::now() - sentAt;
      char time[32];
      std::snprintf(time, sizeof time, "%.3f ms", took.count());
      Show(kTagIn, *reply, time);
    }
    if (replies == 0) {
      if (!options_.quiet) std::fprintf(stderr, "%s: no reply within %s\n", kTool, options_.waitText.c_str());
      worst_ = std::max<int>(worst_, kNoReply);
    }
  }

  int Status() const { return worst_; }

 private:
  bool Prints() const { return !options_.quiet && !options_.raw; }

  void Show(std::string_view tag, const Datagram& datagram, const std::string& note) {
    const std::string bad = BadBlockCheckNote(datagram.bytes);
    // A late reply is reported, but it no longer decides this run's status.
    if (!bad.empty() && tag != kTagLate) worst_ = kBadBlockCheck;
    if (options_.raw) {
      if (tag != kTagLate) {
        std::fwrite(datagram.bytes.data(), 1, datagram.bytes.size(), stdout);
        std::fflush(stdout);
      }
      if (!bad.empty()) std::fprintf(stderr, "%s: reply with %s\n", kTool, bad.c_str());
      return;
    }
    if (!Prints()) return;
    const std::string peer = datagram.from == to_ ? "" : "from " + datagram.from.Text();
    PrintLine(stdout, ExchangeLine(tag, peer, fkt_RawToSpecialChars(datagram.bytes), JoinNotes(note, bad)));
  }

  const Options& options_;
  UdpSocket socket_;
  Endpoint to_;
  int worst_ = kReplied;
};

void ReportNotationError(const RunTimeError& error, const std::string& line, std::optional<int> lineNumber) {
  const std::string where = lineNumber ? "line " + std::to_string(*lineNumber) + ": " : "";
  std::fprintf(stderr, "%s: %snotation error %d: %s in '%s'\n", kTool, where.c_str(), error.Number(),
               error.Description().c_str(), line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  const Endpoint to = EndpointOption(kTool, "--to", options.to, {options.allowRemote, false});
  // A socket bound to loopback can reach loopback only.
  const Endpoint from = EndpointOption(kTool, "--from", options.from.value_or(to.IsLoopback() ? "127.0.0.1:0" : "0.0.0.0:0"),
                                       {options.allowRemote, true});
  std::string error;
  std::optional<UdpSocket> socket = UdpSocket::Bind(from, &error);
  if (!socket) {
    std::fprintf(stderr, "%s: %s\n", kTool, error.c_str());
    return kNoReply;
  }
  Exchanges exchanges(options, std::move(*socket), to);

  if (options.line) {
    try {
      exchanges.Run(*options.line);
    } catch (const RunTimeError& notationError) {
      ReportNotationError(notationError, *options.line, std::nullopt);
      return kExitUsage;
    }
    return exchanges.Status();
  }
  std::ios::sync_with_stdio(false);
  std::string line;
  for (int number = 1; std::getline(std::cin, line); ++number) {
    if (line.ends_with('\r')) line.pop_back();  // a line end written CR LF
    if (line.empty()) continue;
    try {
      exchanges.Run(line);
    } catch (const RunTimeError& notationError) {
      // Later lines may depend on this one, so none of them is sent.
      ReportNotationError(notationError, line, number);
      return kExitUsage;
    }
  }
  return exchanges.Status();
}
