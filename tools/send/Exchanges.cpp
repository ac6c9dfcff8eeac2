#include "tools/send/Exchanges.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "notation/BlockCheck.h"
#include "notation/Notation.h"
#include "tools/common/ExchangeLine.h"

namespace {

constexpr const char* kTool = "telvane-send";
// Lines kept waiting for a late reply at most; a run of millions of lines
// against a silent instrument must not grow without end.
constexpr std::size_t kMostUnanswered = 1000;

std::string Milliseconds(std::chrono::system_clock::duration time) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f ms", std::chrono::duration<double, std::milli>(time).count());
  return text;
}

}  // namespace

Exchanges::Exchanges(SendOptions options, UdpSocket socket, const Endpoint& to)
    : options_(std::move(options)), socket_(std::move(socket)), to_(to) {}

void Exchanges::Run(const std::string& line, int number) {
  const std::string notation = options_.bcc ? fkt_AppendBlockCheck(line) : line;
  const std::string raw = fkt_SpecialCharsToRaw(notation);
  TakeLate();

  // The system clock, which the kernel stamps arrivals with.
  const SentLine sent{number, SystemClock::now()};
  const UdpSocket::Clock::time_point deadline = UdpSocket::Clock::now() + options_.wait;
  std::string error;
  if (!socket_.SendTo(raw, to_, &error)) {
    std::fprintf(stderr, "%s: %s%s\n", kTool, Prefix(number).c_str(), error.c_str());
    Worst(kNoReply);
    return;
  }
  last_ = sent;
  if (Prints()) PrintLine(stdout, ExchangeLine(kOutTag, "", notation, ""));

  std::uint64_t counted = 0;
  std::uint64_t others = 0;
  while (options_.count == 0 || counted < options_.count) {
    std::optional<Datagram> reply = socket_.ReceiveUntil(deadline);
    if (!reply) break;
    if (reply->arrived < sent.at) {
      ReportLate(*reply);  // it had arrived before the line left
    } else if (reply->arrived - sent.at > options_.wait) {
      held_ = std::move(reply);  // read in time, but it came after the wait
      break;
    } else if (TakeReply(*reply, sent)) {
      ++counted;
    } else {
      ++others;
    }
  }
  Conclude(sent, counted, others);
}

void Exchanges::TakeLate() {
  if (held_) ReportLate(*std::exchange(held_, std::nullopt));
  while (const std::optional<Datagram> late = socket_.TryReceive()) ReportLate(*late);
}

void Exchanges::ReportLate(const Datagram& datagram) {
  std::optional<SentLine> owner = last_;
  if (!unanswered_.empty()) {
    owner = unanswered_.front();
    unanswered_.pop_front();
  }
  if (options_.quiet) return;
  std::string what = "datagram before the first line was sent";
  if (owner) {
    const std::string after = Milliseconds(datagram.arrived - owner->at);
    what = options_.numberLines ? "late reply to line " + std::to_string(owner->number) + ", " + after + " after it"
                                : "late reply, " + after + " after the line was sent";
  }
  const std::string line = what + ": " + Shown(datagram);
  std::fprintf(stderr, "%s: %s\n", kTool, line.c_str());
}

bool Exchanges::TakeReply(const Datagram& datagram, const SentLine& sent) {
  std::vector<std::string> captures;
  const bool counts = !options_.expect || options_.expect->Match(datagram.bytes, &captures);
  const std::string bad = BadBlockCheckNote(datagram.bytes);
  if (!bad.empty()) Worst(kBadBlockCheck);

  std::string note = Milliseconds(datagram.arrived - sent.at);
  if (!unanswered_.empty()) {
    const SentLine earlier = unanswered_.front();
    unanswered_.pop_front();
    note += "; line " + std::to_string(earlier.number) + " had no reply in time, this may be its reply, " +
            Milliseconds(datagram.arrived - earlier.at) + " after it";
  }
  if (!counts) note = JoinNotes(note, "does not match --expect");

  if (options_.raw) {
    if (counts) {
      std::fwrite(datagram.bytes.data(), 1, datagram.bytes.size(), stdout);
      std::fflush(stdout);
    } else if (!options_.quiet) {
      std::fprintf(stderr, "%s: %sreply that does not match --expect: %s\n", kTool, Prefix(sent.number).c_str(),
                   Shown(datagram).c_str());
    }
    if (counts && !bad.empty()) std::fprintf(stderr, "%s: reply with %s\n", kTool, bad.c_str());
  } else if (Prints()) {
    const std::string peer = datagram.from == to_ ? "" : "from " + datagram.from.Text();
    PrintLine(stdout, ExchangeLine(kInTag, peer, fkt_RawToSpecialChars(datagram.bytes), JoinNotes(note, bad)));
  }
  return counts;
}

void Exchanges::Conclude(const SentLine& sent, std::uint64_t counted, std::uint64_t others) {
  // Without a pattern any reply will do; with one, `count` matching replies
  // are the answer asked for (at least one when every reply is taken).
  const std::uint64_t needed = options_.expect ? std::max<std::uint64_t>(options_.count, 1) : 1;
  if (counted >= needed) return;
  if (counted == 0 && others == 0) {
    if (unanswered_.size() == kMostUnanswered) unanswered_.pop_front();
    unanswered_.push_back(sent);
  }
  Worst(others > 0 ? kUnexpectedReply : kNoReply);
  if (options_.quiet) return;
  std::string what = "no reply within " + options_.waitText;
  if (options_.expect && (counted > 0 || others > 0)) {
    what = (counted == 0 ? "no reply" : std::to_string(counted) + " of " + std::to_string(needed) + " replies") +
           " matching --expect within " + options_.waitText;
    if (others > 0) what += " (" + std::to_string(others) + " that did not match)";
  }
  std::fprintf(stderr, "%s: %s%s\n", kTool, Prefix(sent.number).c_str(), what.c_str());
}

std::string Exchanges::Prefix(int number) const {
  return options_.numberLines ? "line " + std::to_string(number) + ": " : "";
}

std::string Exchanges::Shown(const Datagram& datagram) const {
  std::string shown = fkt_RawToSpecialChars(datagram.bytes);
  if (!(datagram.from == to_)) shown = "from " + datagram.from.Text() + "  " + shown;
  const std::string bad = BadBlockCheckNote(datagram.bytes);
  if (!bad.empty()) shown += "  (" + bad + ")";
  return shown;
}
