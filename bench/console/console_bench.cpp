// console_bench: the real console, headless with its data log on, against
// numbered load from a udp_load process on a loopback port.
//
//   console_bench rate    [--rate R] [--seconds S] [--prefill N]
//   console_bench rate    --search [--from R] [--step R] [--max R] [--seconds S] [--prefill N]
//   console_bench latency [--rate R] [--seconds S]
//   console_bench memory  [--entries N] [--rate R | --direct] [--ratio] [--from R] [--step R] [--max R]
//   console_bench idle    [--seconds S] [--port-busy]
//   console_bench batchcost [--entries N,N,...] [--batches B] [--per-batch D]
//   console_bench longrows [--rows N] [--bytes B] [--rate R] [--seconds S]
//   console_bench listdelay [--rate R] [--seconds S]
//   console_bench tools   [--entries N] [--steps S]
//   console_bench fulldisk --store-folder DIR [--rate R] [--seconds S]
//   console_bench repeat  [--periods MS,MS,...] [--rate R] [--seconds S] [--runs N] [--quiet-wait S]
//   common options:       [--address 127.x.y.z] [--port P] [--gso] [--store-folder DIR]
//                         [--meanwhile nothing|stall|settings|resize|save] [--follow]
//
// rate:    one run at R per second for S seconds (default 100000, 10); every
//          number must be listed and logged, in order. --prefill lists N
//          datagrams first. --search steps the rate up from --from by --step
//          until a run loses anything and reports the highest lossless rate.
// latency: a 10 ms timer's lateness (interval - 10 ms) while R (default
//          50000) datagrams per second arrive for S seconds: p50, p99, max.
// memory:  resident size idle and after N (default 1000000) datagrams
//          received at R per second, as bytes per listed entry; --direct
//          lists them through the receive path without the socket (much
//          faster, for 100 million). Then the list's file size, and the
//          resident size after "Delete list". --ratio also searches the
//          lossless rate with an empty list and with N entries listed before
//          each run.
// idle:    the console's CPU time over S (default 30) seconds with the link
//          open and nothing arriving, as a share of one core, and the
//          supervision ticks per second; --port-busy moves the link to a
//          port another socket holds first, so that every tick retries.
// batchcost: the refresh cost: with N entries listed (default
//          1000,100000,300000,1000000) and the view at the end of the list,
//          the time of one receive batch of D (default 100) datagrams
//          including the view's work, the median and worst of B (default 20)
//          batches; and the time of a full repaint of the view.
// longrows: N (default 30) datagrams of B (default 65507) random bytes in
//          view: the time of a full repaint, then the 10 ms timer's lateness
//          while R (default 100) datagrams per second arrive for S seconds.
// listdelay: R (default 10) single datagrams per second for S (default 30)
//          seconds, sent from a thread of the bench: the time from each send
//          to the list's model taking it in, p50, p99, max.
// tools:   the operator's tools on a list of N (default 1000000) entries
//          listed through the receive path: S (default 10) steps of the
//          find bar that find nothing (every entry read), and S that find
//          the entry furthest away (round the whole list); then "Save list
//          as..." of every entry, from the menu's handler to the renamed
//          file, and the file's size.
// fulldisk: R (default 300000) datagrams per second for S (default 70)
//          seconds while the list's file cannot be written (--store-folder
//          names a folder on a full file system, see run_all.sh): the peak
//          resident size above the idle one against the list's memory
//          limit, what was listed, not listed and counted, whether the
//          data log holds every datagram received, and the 10 ms timer's
//          lateness meanwhile.
// repeat:  Edit > "Repeat..." of command slot F1 (until stopped) at each
//          period (default 10,1 ms), N (default 3) runs each: for S (default
//          10) seconds with nothing arriving (the yardstick), then for S
//          seconds while R (default 10000) datagrams per second arrive. For
//          each send its lateness (sent - scheduled): p50, p99, max, and the
//          times skipped. The sends go to a socket of the bench, not back
//          to the console. --quiet-wait: how long each run waits for other
//          work on the machine to end before it measures anyway (default 300).
// --meanwhile: what the window thread does in each load run, from a second
//          after the sender starts: block for 5 s (stall), hold the settings
//          dialog open, resize the window every 20 ms, or "Save list as..."
//          the whole list (with --prefill, a large one).
// --follow: the view is kept at the end of the list during each load run.
// --gso:   udp_load sends with --gso, for rates beyond about 300,000/s.
// --store-folder: the list's file goes into DIR alone, not into the cache
//          or temporary folder.
//
// udp_load must sit next to this program. Exits 0 when every run was
// lossless (or, for a search, when a lossless rate was found), 4 otherwise,
// 2 when the console could not be set up (an address outside 127.0.0.0/8
// included), 1 on bad arguments.
#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/console/ConsoleUnderLoad.h"
#include "bench/console/ProcessStats.h"
#include "console/ListTools.h"
#include "console/RepeatTools.h"
#include "console/TrafficView.h"
#include "console/frmMain.h"
#include "platform/ProgramFont.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficSession.h"
#include "traffic/UdpLink.h"

namespace {

// A monotonic clock in milliseconds, as the counters' rate wants it.
std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Bad arguments; thrown rather than exiting, so that a console already
// started still cleans up its temporary folder.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Usage(const std::string& why) { throw UsageError(why); }

// "--name value" pairs and "--flag" switches after the mode.
class Options {
 public:
  Options(int argc, char** argv) {
    for (int i = 2; i < argc; ++i) {
      std::string name = argv[i];
      if (name.rfind("--", 0) != 0) Usage("unexpected argument " + name);
      if (name == "--search" || name == "--ratio" || name == "--gso" || name == "--direct" || name == "--port-busy" ||
          name == "--follow") {
        flags_.push_back(name);
      } else if (i + 1 < argc) {
        values_[name] = argv[++i];
      } else {
        Usage("no value after " + name);
      }
    }
  }
  bool Flag(const std::string& name) const { return std::find(flags_.begin(), flags_.end(), name) != flags_.end(); }
  std::string Text(const std::string& name, const std::string& fallback) const {
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
  }
  double Number(const std::string& name, double fallback, double low, double high) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return fallback;
    char* end = nullptr;
    const double value = std::strtod(it->second.c_str(), &end);
    if (end == it->second.c_str() || *end != '\0' || !(value >= low && value <= high)) {
      Usage(name + " out of range: " + it->second);
    }
    return value;
  }

 private:
  std::vector<std::string> flags_;
  std::map<std::string, std::string> values_;
};

std::string Yes(bool value) { return value ? "yes" : "no"; }

void Print(const TrialResult& t) {
  const auto count = [](const std::optional<SequenceCheck>& c) {
    return c ? static_cast<double>(c->Received()) : -1.0;
  };
  const auto lost = [](const std::optional<SequenceCheck>& c) { return c ? static_cast<double>(c->Lost()) : -1.0; };
  const auto misplaced = [](const std::optional<SequenceCheck>& c) {
    return c ? static_cast<double>(c->Misplaced() + c->Malformed()) : -1.0;
  };
  const auto share = [](double cpu, double wall) { return wall > 0 ? 100 * cpu / wall : 0.0; };
  std::printf(
      "  run %.0f/s: sent %llu at %.0f/s%s | listed %.0f lost %.0f misplaced %.0f | logged %.0f lost %.0f misplaced "
      "%.0f"
      " | lossless %s | console CPU %.1f%% of a core, %.2f us/datagram | sender %.1f%%, others %.1f%%\n",
      t.requestedRate, static_cast<unsigned long long>(t.sent), t.sendRate,
      t.SenderKeptPace() ? "" : " (SENDER FELL BEHIND)", count(t.list), lost(t.list), misplaced(t.list), count(t.log),
      lost(t.log), misplaced(t.log), Yes(t.Lossless()).c_str(), share(t.cpuSeconds, t.wallSeconds),
      t.sent > 0 ? 1e6 * t.cpuSeconds / static_cast<double>(t.sent) : 0.0, share(t.senderCpuSeconds, t.wallSeconds),
      share(t.otherCpuSeconds, t.wallSeconds));
  if (t.list && !t.list->Complete()) std::printf("    list: %s\n", t.list->FirstFault().c_str());
  if (t.log && !t.log->Complete()) std::printf("    log: %s\n", t.log->FirstFault().c_str());
  if (!t.log) std::printf("    log: %s\n", t.logError.c_str());
  if (!t.senderOk) std::printf("    sender: %s\n", t.senderReport.c_str());
  std::fflush(stdout);
}

// Steps the rate up until a run loses anything; the highest lossless rate, or
// 0. A run whose sender could not keep pace ends the search, as beyond it the
// figure would measure the sender.
double Search(ConsoleUnderLoad& console, double from, double step, double max, double seconds, double prefill) {
  double best = 0;
  const auto steps = static_cast<int>((max - from) / step);
  for (int n = 0; n <= steps; ++n) {
    const double rate = from + n * step;
    console.ClearList();
    if (prefill > 0) console.Prefill(static_cast<std::uint64_t>(prefill));
    const TrialResult t = console.RunTrial(rate, seconds, false);
    Print(t);
    if (!t.SenderKeptPace()) {
      std::printf("  search stopped: the sender cannot keep %.0f/s\n", rate);
      break;
    }
    if (!t.Lossless()) break;
    best = rate;
  }
  return best;
}

double Percentile(std::vector<double> values, double q) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(q * static_cast<double>(values.size())));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

int Rate(ConsoleUnderLoad& console, const Options& o) {
  const double seconds = o.Number("--seconds", 10, 0.1, 600);
  const double prefill = o.Number("--prefill", 0, 0, 100'000'000);
  if (o.Flag("--search")) {
    const double best = Search(console, o.Number("--from", 50'000, 1, 1e7), o.Number("--step", 25'000, 1, 1e7),
                               o.Number("--max", 1'000'000, 1, 1e7), seconds, prefill);
    std::printf("RESULT rate search: highest lossless rate %.0f/s for %.0f s (%.0f entries listed before each run)\n",
                best, seconds, prefill);
    return best > 0 ? 0 : 4;
  }
  if (prefill > 0) console.Prefill(static_cast<std::uint64_t>(prefill));
  const TrialResult t = console.RunTrial(o.Number("--rate", 100'000, 1, 1e7), seconds, false);
  Print(t);
  std::printf("RESULT rate %.0f/s for %.0f s (%.0f listed before): lossless %s, sender kept pace %s\n", t.requestedRate,
              seconds, prefill, Yes(t.Lossless()).c_str(), Yes(t.SenderKeptPace()).c_str());
  return t.Lossless() && t.SenderKeptPace() ? 0 : 4;
}

// The "RESULT <what> at R/s: 10 ms timer lateness ..." line of a trial run
// with the timer on; the exit status for it.
int ReportLateness(const char* what, const TrialResult& t) {
  std::printf(
      "RESULT %s at %.0f/s: 10 ms timer lateness p50 %.2f ms, p99 %.2f ms, max %.2f ms over %zu ticks;"
      " lossless %s\n",
      what, t.requestedRate, Percentile(t.latenessMs, 0.50), Percentile(t.latenessMs, 0.99),
      t.latenessMs.empty() ? 0.0 : *std::max_element(t.latenessMs.begin(), t.latenessMs.end()), t.latenessMs.size(),
      Yes(t.Lossless()).c_str());
  return t.Lossless() ? 0 : 4;
}

int Latency(ConsoleUnderLoad& console, const Options& o) {
  const TrialResult t = console.RunTrial(o.Number("--rate", 50'000, 1, 1e7), o.Number("--seconds", 10, 0.1, 600), true);
  Print(t);
  return ReportLateness("latency", t);
}

double MiB(std::size_t bytes) { return static_cast<double>(bytes) / 1048576; }

int Memory(ConsoleUnderLoad& console, const Options& o) {
  const double entries = o.Number("--entries", 1'000'000, 1000, 5e9);
  const double rate = o.Number("--rate", 100'000, 1, 1e7);
  ConsoleUnderLoad::Idle(2);
  const std::size_t idle = ResidentBytes();
  bool lossless = true;
  const auto start = std::chrono::steady_clock::now();
  if (o.Flag("--direct")) {
    console.Prefill(static_cast<std::uint64_t>(entries));
  } else {
    const TrialResult t = console.RunTrial(rate, entries / rate, false);
    Print(t);
    lossless = t.Lossless();
  }
  const double filling = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  console.SettleList();
  ConsoleUnderLoad::Idle(1);
  const std::size_t resident = ResidentBytes();
  const auto listed = static_cast<double>(console.Entries());
  const double perEntry = static_cast<double>(resident - std::min(resident, idle)) / listed;
  const std::uint64_t disk = console.ListFileBytes();
  std::printf(
      "RESULT memory: resident %.1f MiB idle, %.1f MiB with %.0f entries listed: %.1f bytes per entry;"
      " lossless %s\n",
      MiB(idle), MiB(resident), listed, perEntry, Yes(lossless).c_str());
  std::printf("RESULT memory file: %.1f MiB on disk, %.1f bytes per entry; listed %s in %.1f s\n", MiB(disk),
              static_cast<double>(disk) / listed, o.Flag("--direct") ? "directly" : "from the socket", filling);
  console.ClearList();
  ConsoleUnderLoad::Idle(1);
  const std::size_t cleared = ResidentBytes();
  std::printf("RESULT memory after delete: resident %.1f MiB (%.0f%% of the idle %.1f MiB), %.1f MiB on disk\n",
              MiB(cleared), 100.0 * static_cast<double>(cleared) / static_cast<double>(idle), MiB(idle),
              MiB(console.ListFileBytes()));
  if (!o.Flag("--ratio")) return lossless ? 0 : 4;

  const double from = o.Number("--from", 100'000, 1, 1e7);
  const double step = o.Number("--step", 10'000, 1, 1e7);
  const double max = o.Number("--max", 1'000'000, 1, 1e7);
  std::printf("  empty list:\n");
  const double empty = Search(console, from, step, max, 10, 0);
  std::printf("  %.0f entries listed before each run:\n", entries);
  const double full = Search(console, from, step, max, 10, entries);
  std::printf(
      "RESULT memory rate: highest lossless rate %.0f/s with an empty list, %.0f/s with %.0f listed:"
      " ratio %.2f\n",
      empty, full, entries, empty > 0 ? full / empty : 0.0);
  return lossless && empty > 0 ? 0 : 4;
}

int BatchCost(ConsoleUnderLoad& console, const Options& o) {
  const int batches = static_cast<int>(o.Number("--batches", 20, 1, 10'000));
  const int perBatch = static_cast<int>(o.Number("--per-batch", 100, 1, 100'000));
  const QStringList sizes = QString::fromStdString(o.Text("--entries", "1000,100000,300000,1000000")).split(',');
  for (const QString& size : sizes) {
    bool ok = false;
    const qulonglong entries = size.toULongLong(&ok);
    if (!ok || entries > 5'000'000'000) Usage("bad entry count " + size.toStdString());
    console.ClearList();
    console.Prefill(entries);
    const std::vector<double> ms = console.TimeBatches(batches, perBatch);
    const std::vector<double> paint = console.TimeRepaints(batches);
    std::printf(
        "RESULT batchcost: %llu entries listed: one batch of %d datagrams takes %.3f ms (median), %.3f ms"
        " (worst of %d); a full repaint %.3f ms (median)\n",
        entries, perBatch, Percentile(ms, 0.5), *std::max_element(ms.begin(), ms.end()), batches,
        Percentile(paint, 0.5));
    std::fflush(stdout);
  }
  return 0;
}

int LongRows(ConsoleUnderLoad& console, const Options& o) {
  const auto rows = static_cast<std::uint64_t>(o.Number("--rows", 30, 1, 10'000));
  const auto bytes = static_cast<std::size_t>(o.Number("--bytes", 65'507, 1, 65'507));
  console.PrefillRandom(rows, bytes);
  console.View().SetTopEntry(0);
  const std::vector<double> paint = console.TimeRepaints(20);
  std::printf(
      "RESULT longrows repaint: %d of %llu rows of %zu random bytes in view: a full repaint takes %.2f ms"
      " (median), %.2f ms (worst of %zu)\n",
      console.View().PageRows(), static_cast<unsigned long long>(rows), bytes, Percentile(paint, 0.5),
      *std::max_element(paint.begin(), paint.end()), paint.size());
  std::fflush(stdout);
  const TrialResult t = console.RunTrial(o.Number("--rate", 100, 1, 1e6), o.Number("--seconds", 10, 0.1, 600), true);
  Print(t);
  return ReportLateness("longrows latency", t);
}

int ListDelay(ConsoleUnderLoad& console, const Options& o) {
  const double rate = o.Number("--rate", 10, 0.1, 1000);
  const double seconds = o.Number("--seconds", 30, 1, 600);
  ConsoleUnderLoad::WaitForQuietMachine(300);
  const std::vector<double> ms = console.ListingDelays(rate, seconds);
  const auto expected = static_cast<std::size_t>(std::llround(rate * seconds));
  std::printf(
      "RESULT listdelay at %.1f/s: from send to listed p50 %.2f ms, p99 %.2f ms, max %.2f ms;"
      " %zu of %zu listed\n",
      rate, Percentile(ms, 0.5), Percentile(ms, 0.99), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()),
      ms.size(), expected);
  return ms.size() == expected ? 0 : 4;
}

double MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int Tools(ConsoleUnderLoad& console, const Options& o) {
  const auto entries = static_cast<std::uint64_t>(o.Number("--entries", 1'000'000, 2, 1e9));
  const int steps = static_cast<int>(o.Number("--steps", 10, 1, 1000));
  console.Prefill(entries);
  // The store's writer thread done with the prefill, which would otherwise
  // share the machine with the first steps.
  console.SettleList();
  frmMain& window = console.Window();
  window.Tools().ShowFindBar();
  auto* field = window.findChild<QLineEdit*>("txtFind");
  if (field == nullptr) throw BenchFailure("no find field");
  const auto timeSteps = [&](const QString& text) {
    field->setText(text);
    std::vector<double> ms;
    for (int n = 0; n < steps; ++n) {
      const auto start = std::chrono::steady_clock::now();
      // The step runs in slices between events; timed to its end.
      window.Tools().FindStep(true);
      while (window.Tools().FindRunning()) QCoreApplication::processEvents();
      ms.push_back(MsSince(start));
    }
    return ms;
  };
  const std::vector<double> none = timeSteps("no such text");
  // The last datagram's own bytes: found only there, so every step goes
  // round the whole list to it.
  const std::string last = window.TrafficList().EntryText(entries - 1).substr(21);
  const std::vector<double> far = timeSteps(QString::fromLatin1(last.data(), static_cast<qsizetype>(last.size())));
  const bool foundLast = console.View().CurrentEntry() == entries - 1;
  std::printf(
      "RESULT tools find: %llu entries listed: a step that finds nothing takes %.1f ms (median), %.1f ms"
      " (worst of %d); one that finds the entry furthest away %.1f ms (median), %.1f ms (worst)%s\n",
      static_cast<unsigned long long>(entries), Percentile(none, 0.5), *std::max_element(none.begin(), none.end()),
      steps, Percentile(far, 0.5), *std::max_element(far.begin(), far.end()), foundLast ? "" : " NOT FOUND");
  std::fflush(stdout);

  const std::string path = console.Folder() + "/list.txt";
  console.AnswerSaveDialog(path);
  const auto start = std::chrono::steady_clock::now();
  window.Tools().mnuFileSaveList_Click();
  const double ms = MsSince(start);
  std::error_code error;
  const auto bytes = std::filesystem::file_size(path, error);
  std::printf("RESULT tools export: %llu entries saved in %.0f ms, %.1f MiB%s\n",
              static_cast<unsigned long long>(entries), ms, error ? 0.0 : static_cast<double>(bytes) / 1048576,
              error ? " (NO FILE)" : "");
  return foundLast && !error ? 0 : 4;
}

int FullDisk(ConsoleUnderLoad& console, const Options& o) {
  if (o.Text("--store-folder", "").empty()) Usage("fulldisk needs --store-folder");
  const double rate = o.Number("--rate", 300'000, 1, 1e7);
  const double seconds = o.Number("--seconds", 70, 1, 600);
  ConsoleUnderLoad::Idle(1);
  const std::size_t idle = ResidentBytes();
  ResetPeakResident();
  const TrialResult t = console.RunTrial(rate, seconds, true);
  Print(t);
  ReportLateness("fulldisk latency", t);
  const std::size_t peak = PeakResidentBytes();
  const TrafficStore& store = console.Window().TrafficList().Store();
  const std::uint64_t counted = console.Window().Session().ReadCounters(NowMs()).received;
  // The log must hold every datagram the console received; what the kernel
  // dropped before (the sender outrunning the console) is reported apart.
  const bool logged = t.log && t.log->Received() == counted && t.log->Misplaced() == 0 && t.log->Malformed() == 0;
  const bool within = peak - std::min(peak, idle) <= store.MemoryLimit();
  std::printf(
      "RESULT fulldisk at %.0f/s for %.0f s: peak resident %.1f MiB, %.1f MiB above the idle %.1f MiB, against the"
      " list's memory limit of %.1f MiB: within %s; the store holds %.1f MiB\n",
      rate, seconds, MiB(peak), MiB(peak - std::min(peak, idle)), MiB(idle), MiB(store.MemoryLimit()),
      Yes(within).c_str(), MiB(store.MemoryBytes()));
  std::printf(
      "RESULT fulldisk entries: %llu sent, %llu received (counted), %llu lost before the console; %llu listed"
      " (notices included), %llu not listed; the log holds every datagram received: %s\n",
      static_cast<unsigned long long>(t.sent), static_cast<unsigned long long>(counted),
      static_cast<unsigned long long>(t.sent - std::min(t.sent, counted)),
      static_cast<unsigned long long>(store.Count()), static_cast<unsigned long long>(store.NotListedCount()),
      Yes(logged).c_str());
  return logged && within ? 0 : 4;
}

int IdleCost(ConsoleUnderLoad& console, const Options& o) {
  const double seconds = o.Number("--seconds", 30, 1, 600);
  if (o.Flag("--port-busy")) console.OccupyPort();
  ConsoleUnderLoad::Idle(2);
  ConsoleUnderLoad::WaitForQuietMachine(300);
  const std::uint64_t ticksBefore = console.Window().SupervisionTicks();
  const CpuTime before = ProcessCpuTime();
  const CpuTime windowBefore = ThreadCpuTime();
  const double machineBefore = MachineBusySeconds();
  const auto start = std::chrono::steady_clock::now();
  ConsoleUnderLoad::Idle(seconds);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const CpuTime after = ProcessCpuTime();
  const CpuTime windowAfter = ThreadCpuTime();
  const double others = MachineBusySeconds() - machineBefore - (after.seconds - before.seconds);
  const auto ticks = static_cast<double>(console.Window().SupervisionTicks() - ticksBefore);
  const bool busy = o.Flag("--port-busy");
  std::printf(
      "RESULT idle%s: %.3f s CPU over %.1f s with the link %s = %.3f%% of one core"
      " (%.3f s of it in the kernel; %ld voluntary, %ld involuntary context switches; window thread %.3f s,"
      " %ld wake-ups); supervision ticks %.1f per second;"
      " link state %d; others %.1f%%\n",
      busy ? " port busy" : "", after.seconds - before.seconds, wall, busy ? "failing on a busy port" : "open",
      100 * (after.seconds - before.seconds) / wall, after.systemSeconds - before.systemSeconds,
      after.voluntarySwitches - before.voluntarySwitches, after.involuntarySwitches - before.involuntarySwitches,
      windowAfter.seconds - windowBefore.seconds, windowAfter.voluntarySwitches - windowBefore.voluntarySwitches,
      ticks / wall, console.Window().Link().State(), 100 * others / wall);
  return busy || console.LinkOpen() ? 0 : 4;
}

// One repeat's send lateness, in ms, and the times it skipped.
struct RepeatRun {
  std::vector<double> latenessMs;
  std::uint64_t skipped = 0;
};

std::string LatenessFigures(const RepeatRun& run) {
  char text[200];
  std::snprintf(text, sizeof text, "p50 %.3f ms, p99 %.3f ms, max %.3f ms over %zu sends, %llu skipped",
                Percentile(run.latenessMs, 0.5), Percentile(run.latenessMs, 0.99),
                run.latenessMs.empty() ? 0.0 : *std::max_element(run.latenessMs.begin(), run.latenessMs.end()),
                run.latenessMs.size(), static_cast<unsigned long long>(run.skipped));
  return text;
}

int RepeatJitter(ConsoleUnderLoad& console, const Options& o) {
  const double rate = o.Number("--rate", 10'000, 1, 1e7);
  const double seconds = o.Number("--seconds", 10, 1, 600);
  const int runs = static_cast<int>(o.Number("--runs", 3, 1, 100));
  std::vector<int> periods;
  for (const QString& period : QString::fromStdString(o.Text("--periods", "10,1")).split(',')) {
    bool ok = false;
    const int ms = period.toInt(&ok);
    if (!ok || ms < 1 || ms > 10'000) Usage("bad period " + period.toStdString());
    periods.push_back(ms);
  }
  console.SetQuietWait(o.Number("--quiet-wait", 300, 0, 3600));
  console.RedirectSends();
  RepeatTools& repeat = console.Window().Repeat();
  RepeatRun current;
  repeat.SetLatenessProbe([&](RepeatSchedule::Clock::duration lateness) {
    current.latenessMs.push_back(std::chrono::duration<double, std::milli>(lateness).count());
  });
  const auto start = [&](int periodMs) {
    current = {};
    RepeatRequest request;
    request.source = 1;
    request.line = "<STX>0,1,INFO?<ETX><179>";
    request.period = std::chrono::milliseconds(periodMs);
    request.periodText = std::to_string(periodMs) + " ms";
    repeat.Start(request);
  };
  const auto stop = [&] {
    if (const RepeatSchedule* schedule = repeat.Schedule()) current.skipped = schedule->Skipped();
    repeat.Stop();
    return current;
  };
  bool lossless = true;
  for (const int periodMs : periods) {
    for (int run = 1; run <= runs; ++run) {
      console.ClearList();
      ConsoleUnderLoad::WaitForQuietMachine(console.QuietWait());
      const double machineBefore = MachineBusySeconds();
      const double selfBefore = ProcessCpuTime().seconds;
      start(periodMs);
      ConsoleUnderLoad::Idle(seconds);
      const RepeatRun quiet = stop();
      const double quietOthers = MachineBusySeconds() - machineBefore - (ProcessCpuTime().seconds - selfBefore);

      console.ClearList();
      // From shortly after the sender's start (it waits 200 ms) to its end.
      QTimer later;
      later.setSingleShot(true);
      QObject::connect(&later, &QTimer::timeout, [&] { start(periodMs); });
      RepeatRun loaded;
      console.SetDuringLoad([&](bool on) {
        if (on) {
          later.start(300);
        } else {
          later.stop();
          loaded = stop();
        }
      });
      const TrialResult t = console.RunTrial(rate, seconds, false);
      console.SetDuringLoad({});
      const bool listed = t.list && t.list->Lost() == 0 && t.list->Misplaced() == 0;
      lossless = lossless && listed && t.SenderKeptPace();
      std::printf(
          "RESULT repeat T=%d ms run %d: no load: %s (others %.1f%% of a core) | %.0f/s arriving: %s"
          " (sender %.0f/s, others %.1f%%; every datagram listed: %s)\n",
          periodMs, run, LatenessFigures(quiet).c_str(), 100 * quietOthers / seconds, rate,
          LatenessFigures(loaded).c_str(), t.sendRate, t.wallSeconds > 0 ? 100 * t.otherCpuSeconds / t.wallSeconds : 0,
          Yes(listed).c_str());
      std::fflush(stdout);
    }
  }
  return lossless ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  // Headless unless the caller chose a display on purpose.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setFont(DialogFont());  // as the program itself starts

  try {
    if (argc < 2) Usage("no mode given");
    const std::string mode = argv[1];
    const std::vector<std::string> modes = {"rate",     "latency",   "memory", "idle",     "batchcost",
                                            "longrows", "listdelay", "tools",  "fulldisk", "repeat"};
    if (std::find(modes.begin(), modes.end(), mode) == modes.end()) Usage("unknown mode " + mode);
    const Options o(argc, argv);
    // Destroyed on the way out of here, so the temporary folder goes too.
    ConsoleUnderLoad console(o.Text("--address", "127.0.0.1"), static_cast<int>(o.Number("--port", 0, 0, 65535)));
    console.SetSenderGso(o.Flag("--gso"));
    const std::string meanwhile = o.Text("--meanwhile", "nothing");
    const std::vector<std::pair<std::string, ConsoleUnderLoad::Meanwhile>> meanwhiles = {
        {"nothing", ConsoleUnderLoad::Meanwhile::Nothing},
        {"stall", ConsoleUnderLoad::Meanwhile::Stall},
        {"settings", ConsoleUnderLoad::Meanwhile::SettingsDialog},
        {"resize", ConsoleUnderLoad::Meanwhile::Resize},
        {"save", ConsoleUnderLoad::Meanwhile::SaveList}};
    const auto chosen =
        std::find_if(meanwhiles.begin(), meanwhiles.end(), [&](const auto& entry) { return entry.first == meanwhile; });
    if (chosen == meanwhiles.end()) Usage("unknown --meanwhile " + meanwhile);
    console.SetMeanwhile(chosen->second);
    console.SetFollow(o.Flag("--follow"));
    if (const std::string folder = o.Text("--store-folder", ""); !folder.empty()) console.SetStoreFolders({folder});
    console.Start();
    std::printf("console_bench %s: link open, receive buffer %d bytes\n", mode.c_str(), console.ReceiveBufferBytes());
    std::fflush(stdout);

    if (mode == "rate") return Rate(console, o);
    if (mode == "latency") return Latency(console, o);
    if (mode == "memory") return Memory(console, o);
    if (mode == "batchcost") return BatchCost(console, o);
    if (mode == "longrows") return LongRows(console, o);
    if (mode == "listdelay") return ListDelay(console, o);
    if (mode == "tools") return Tools(console, o);
    if (mode == "fulldisk") return FullDisk(console, o);
    if (mode == "repeat") return RepeatJitter(console, o);
    return IdleCost(console, o);
  } catch (const UsageError& error) {
    std::fprintf(
        stderr,
        "console_bench: %s\n"
        "usage: console_bench rate|latency|memory|idle|batchcost|longrows|listdelay|tools|fulldisk|repeat [options]"
        "  (see console_bench.cpp)\n",
        error.what());
    return 1;
  } catch (const BenchFailure& failure) {
    std::fprintf(stderr, "console_bench: %s\n", failure.what());
    return 2;
  }
}
