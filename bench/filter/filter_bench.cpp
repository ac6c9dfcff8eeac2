// filter_bench: the traffic list's filter over a long list, headless.
//
//   filter_bench [--entries N] [--runs R] [--store-folder DIR]
//
// Lists N (default 10000000) entries straight into a list model (half
// received, half sent, every 200th a received frame with a wrong block
// check), then for each of four filters (received: half the list; wrong
// block check: 1 %; a text that 1 % of the entries hold, all of them
// received; the text with "received") runs the filter R (default 3) times as the window does and
// reports per run:
//   - the time from Start to Done,
//   - the window thread's longest stall meanwhile: the largest gap between
//     two ticks of a 1 ms timer, less the 1 ms,
//   - the memory of the rows per shown entry (the index's own count), and
//     the resident size it added,
//   - the yardstick: the same entries read with the same filter in one plain
//     loop on one thread, no slices, no worker, the matches into a vector.
// The machine's other load is printed with every run (its busy cores beside
// this process's own CPU time).
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/console/ProcessStats.h"
#include "traffic/FilterRunner.h"
#include "traffic/TrafficFilter.h"
#include "traffic/TrafficListModel.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Named {
  const char* name = nullptr;
  FilterCriteria criteria;
};

FilterCriteria Make(FilterCriteria::Show show, const char* text) {
  FilterCriteria criteria;
  criteria.show = show;
  criteria.text = text;
  return criteria;
}

// The yardstick: one plain loop over the same entries with the same filter.
std::uint64_t PlainScan(const TrafficListModel& model, const FilterCriteria& criteria) {
  const TrafficFilter filter{FilterCriteria(criteria)};
  std::vector<std::uint64_t> found;
  TrafficStore::EntryRun run;
  TrafficListModel::TextBuffers buffers;
  const std::uint64_t count = model.ShownCount();
  for (std::uint64_t from = 0; from < count;) {
    const std::size_t n = model.Store().ReadEntries(from, std::min<std::uint64_t>(count - from, 4096), run);
    for (std::size_t i = 0; i < n; ++i) {
      if (filter.Matches(model, run.MetaAt(i), run.BytesAt(i), buffers)) found.push_back(from + i);
    }
    from += n;
  }
  return found.size();
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::uint64_t entries = 10'000'000;
  int runs = 3;
  std::string folder = "/tmp";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--entries") == 0) entries = std::strtoull(argv[i + 1], nullptr, 10);
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
    if (std::strcmp(argv[i], "--store-folder") == 0) folder = argv[i + 1];
  }

  TrafficListModel model({folder}, TrafficStore::Limits{});
  std::string bytes;
  const auto listStart = Clock::now();
  for (std::uint64_t n = 0; n < entries; ++n) {
    const bool received = n % 2 == 0;
    bytes = received ? "\x02" : "<STX>";
    bytes += "0,1,VALUE=" + std::to_string(n);
    bytes += received ? "\x03" : "<ETX>";
    model.Append(received ? EntryKind::IncomingDisplay : EntryKind::Outgoing,
                 1'717'200'000'000'000 + static_cast<std::int64_t>(n), bytes, n % 200 == 0);
  }
  model.Commit();
  model.SettleStore();
  std::printf("listed %llu entries in %.1f s; store %zu MiB in memory, %llu MiB on file\n",
              static_cast<unsigned long long>(entries), Seconds(Clock::now() - listStart),
              model.Store().MemoryBytes() >> 20, static_cast<unsigned long long>(model.Store().FileBytes() >> 20));

  const Named filters[] = {
      {"received (50 %)", Make(FilterCriteria::Show::Received, "")},
      {"wrong block check (1 %)", Make(FilterCriteria::Show::WrongBlockCheck, "")},
      {"text \"76<\" (1 %)", Make(FilterCriteria::Show::All, "76<")},
      {"received + text \"76<\" (1 %)", Make(FilterCriteria::Show::Received, "76<")},
  };
  for (const Named& f : filters) {
    for (int r = 1; r <= runs; ++r) {
      FilterRunner runner(model);
      bool done = false;
      QObject::connect(&runner, &FilterRunner::Done, [&] { done = true; });
      Clock::duration worst{};
      auto last = Clock::now();
      QTimer tick;
      tick.setTimerType(Qt::PreciseTimer);
      QObject::connect(&tick, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        worst = std::max(worst, now - last - std::chrono::milliseconds(1));
        last = now;
      });
      const std::size_t residentBefore = ResidentBytes();
      const double busyBefore = MachineBusySeconds();
      const double ownBefore = ProcessCpuTime().seconds;
      const auto start = Clock::now();
      tick.start(1);
      last = Clock::now();
      runner.Start(FilterCriteria(f.criteria));
      worst = std::max(worst, Clock::now() - start);  // the first slice, on this thread
      while (!done) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
      const auto took = Clock::now() - start;
      tick.stop();
      const double wall = Seconds(took);
      const double otherCores = (MachineBusySeconds() - busyBefore - (ProcessCpuTime().seconds - ownBefore)) / wall;
      const std::size_t residentAdded = ResidentBytes() - std::min(ResidentBytes(), residentBefore);
      const std::uint64_t shown = runner.Rows().Size();

      const auto plainStart = Clock::now();
      const std::uint64_t plainShown = PlainScan(model, f.criteria);
      const double plain = Seconds(Clock::now() - plainStart);
      std::printf(
          "%-32s run %d: %llu shown, filter %.3f s, longest stall %.1f ms, index %.2f B/shown entry "
          "(resident +%.2f B/shown entry); yardstick plain loop %.3f s (%llu shown); other load %.2f cores\n",
          f.name, r, static_cast<unsigned long long>(shown), wall,
          std::chrono::duration<double, std::milli>(worst).count(),
          shown != 0 ? static_cast<double>(runner.Rows().MemoryBytes()) / static_cast<double>(shown) : 0.0,
          shown != 0 ? static_cast<double>(residentAdded) / static_cast<double>(shown) : 0.0, plain,
          static_cast<unsigned long long>(plainShown), otherCores);
      std::fflush(stdout);
      if (plainShown != shown) {
        std::fprintf(stderr, "the filter and the plain loop disagree\n");
        return 1;
      }
    }
  }
  return 0;
}
