// telvane-sim: the instrument stand-in. Listens on a UDP port and answers
// requests as a rules file says (RulesFile.h), with optional faults, printing
// every datagram it receives and sends. Stops cleanly on SIGINT or SIGTERM.
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>

#include "core/AppSettings.h"
#include "tools/common/CommandLine.h"
#include "tools/sim/BuiltInRules.h"
#include "tools/sim/Simulator.h"

namespace {

constexpr const char* kTool = "telvane-sim";

const char* const kHelp = R"(Usage: telvane-sim [OPTION]...
A stand-in for the instrument: listens on a UDP port and answers each
datagram as its rules say, printing every datagram received and sent
(UTC time, [IN]/[OUT], peer, the datagram in the console's display form).

  -l, --listen ADDRESS:PORT  where to listen (default 127.0.0.1:8364; port 0
                             picks a free port, shown in the first line)
  -r, --rules FILE           the rules file (default: the built-in example
                             rules, which answer both sample commands)
      --print-rules          print the built-in rules and exit
      --drop PERCENT         send this share of replies not at all
      --corrupt PERCENT      give this share of replies a wrong block check
      --duplicate PERCENT    send this share of replies twice
      --jitter TIME          add up to TIME (e.g. 20ms) to each answer's delay
      --seed N               the random source's seed (default: a fresh one,
                             shown in the first line, to repeat a run)
      --print-limit N        print at most N lines a second about datagrams
                             (default 100; 0: no limit); beyond it, one line
                             at the end of the second says how many were not
                             printed
      --allow-remote         allow addresses outside 127.0.0.0/8
  -h, --help                 show this help and exit
      --version              show the version and exit

The first line, "telvane-sim: listening on ADDRESS:PORT ...", is printed once
the port is bound. Exit status: 0 stopped by SIGINT or SIGTERM, 1 the port
could not be bound, 64 bad usage or a bad rules file.
)";

enum Option { kDrop = 1000, kCorrupt, kDuplicate, kJitter, kSeed, kAllowRemote, kPrintRules, kPrintLimit };

struct Options {
  std::string listen = "127.0.0.1:8364";
  std::string rulesFile;
  FaultSettings faults;
  std::optional<std::uint64_t> seed;
  // Lines about datagrams per second: enough to follow an operator's
  // exchanges, a few kilobytes a second under a flood.
  std::uint64_t printLimit = 100;
  bool allowRemote = false;
};

Options Parse(int argc, char** argv) {
  static const option kLong[] = {{"listen", required_argument, nullptr, 'l'},
                                 {"rules", required_argument, nullptr, 'r'},
                                 {"drop", required_argument, nullptr, kDrop},
                                 {"corrupt", required_argument, nullptr, kCorrupt},
                                 {"duplicate", required_argument, nullptr, kDuplicate},
                                 {"jitter", required_argument, nullptr, kJitter},
                                 {"seed", required_argument, nullptr, kSeed},
                                 {"allow-remote", no_argument, nullptr, kAllowRemote},
                                 {"print-rules", no_argument, nullptr, kPrintRules},
                                 {"print-limit", required_argument, nullptr, kPrintLimit},
                                 {"help", no_argument, nullptr, 'h'},
                                 {"version", no_argument, nullptr, kVersionOption},
                                 {nullptr, 0, nullptr, 0}};
  Options o;
  const int first = ForEachOption(kTool, argc, argv, "l:r:h", kLong, kHelp, [&](int id, const std::string& value) {
    switch (id) {
      case 'l': o.listen = value; break;
      case 'r': o.rulesFile = value; break;
      case kDrop: o.faults.dropPercent = NumberOption(kTool, "--drop", value, 0, 100); break;
      case kCorrupt: o.faults.corruptPercent = NumberOption(kTool, "--corrupt", value, 0, 100); break;
      case kDuplicate: o.faults.duplicatePercent = NumberOption(kTool, "--duplicate", value, 0, 100); break;
      case kJitter: o.faults.jitter = TimeOption(kTool, "--jitter", value); break;
      case kSeed: o.seed = WholeNumberOption(kTool, "--seed", value, UINT64_MAX); break;
      case kPrintLimit: o.printLimit = WholeNumberOption(kTool, "--print-limit", value, 1'000'000'000); break;
      case kAllowRemote: o.allowRemote = true; break;
      case kPrintRules: std::fwrite(kBuiltInRules.data(), 1, kBuiltInRules.size(), stdout); std::exit(0);
      default: break;
    }
  });
  if (first < argc) UsageError(kTool, std::string("unexpected argument '") + argv[first] + "'");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  AppSettings.Language = 1;  // the shared texts it prints (why a file is refused) in English
  const Options options = Parse(argc, argv);
  const EndpointRules remote{options.allowRemote, false};
  const Endpoint listen = EndpointOption(kTool, "--listen", options.listen, {options.allowRemote, true});

  Rules rules;
  try {
    rules = options.rulesFile.empty() ? ParseRules(kBuiltInRules, "built-in rules", remote)
                                      : ParseRules(ReadRulesFile(options.rulesFile), options.rulesFile, remote);
  } catch (const std::runtime_error& error) {
    std::fprintf(stderr, "%s: %s\n", kTool, error.what());
    return kExitUsage;
  }

  // The stop signals are taken from a descriptor that the event loop
  // watches, so a signal can never slip in between a check and a wait.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
  const int stopFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);

  std::string error;
  std::optional<UdpSocket> socket = UdpSocket::Bind(listen, &error);
  if (stopFd < 0 || !socket) {
    std::fprintf(stderr, "%s: %s\n", kTool, stopFd < 0 ? "cannot watch for stop signals" : error.c_str());
    return 1;
  }
  const std::uint64_t seed = options.seed ? *options.seed : std::random_device()();
  std::printf("%s: listening on %s (rules: %s, seed %llu)\n", kTool, socket->Local().Text().c_str(),
              options.rulesFile.empty() ? "built-in examples" : options.rulesFile.c_str(),
              static_cast<unsigned long long>(seed));
  std::fflush(stdout);

  Simulator simulator(std::move(rules), std::move(*socket), options.faults, seed, stdout, options.printLimit);
  simulator.Run(stopFd);
  std::printf("%s: stopped after %llu datagrams received, %llu sent\n", kTool,
              static_cast<unsigned long long>(simulator.Received()), static_cast<unsigned long long>(simulator.Sent()));
  ::close(stopFd);
  return 0;
}
