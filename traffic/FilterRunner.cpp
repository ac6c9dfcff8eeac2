#include "traffic/FilterRunner.h"

#include <QMetaObject>
#include <algorithm>
#include <utility>

#include "traffic/BackgroundPriority.h"
#include "traffic/TrafficListModel.h"

namespace {
// Entries read at a time, in one run of the store.
constexpr std::size_t kEntriesPerRun = 4096;
}  // namespace

FilterRunner::FilterRunner(const TrafficListModel& model, QObject* parent) : QObject(parent), model_(model) {
  connect(&model_, &TrafficListModel::EntriesAdded, this, [this](quint64, quint64 end) { EntriesAdded(end); });
  connect(&model_, &TrafficListModel::Cleared, this, [this] { Cleared(); });
}

FilterRunner::~FilterRunner() { Halt(); }

void FilterRunner::Start(FilterCriteria criteria) {
  Halt();
  auto filter = std::make_unique<TrafficFilter>(std::move(criteria));
  filter_ = filter->Narrows() ? std::move(filter) : nullptr;
  rows_.Clear();
  read_ = 0;
  target_ = 0;
  emit Reset();
  if (!filter_) return;
  target_ = model_.ShownCount();
  Continue();
}

void FilterRunner::Stop() {
  if (!filter_) return;
  Halt();
  filter_.reset();
  rows_.Clear();
  read_ = 0;
  target_ = 0;
  emit Reset();
}

void FilterRunner::Halt() {
  ++run_;
  if (worker_.joinable()) worker_.join();
  workerDone_ = true;
}

std::uint64_t FilterRunner::Scan(const TrafficFilter& filter, std::uint64_t from, std::uint64_t to,
                                 std::chrono::steady_clock::time_point deadline,
                                 std::vector<std::uint64_t>& found) const {
  TrafficStore::EntryRun run;
  TrafficListModel::TextBuffers buffers;
  const TrafficStore& store = model_.Store();
  while (from < to) {
    const std::size_t count = store.ReadEntries(from, std::min<std::uint64_t>(to - from, kEntriesPerRun), run);
    for (std::size_t i = 0; i < count; ++i) {
      if (filter.Matches(model_, run.MetaAt(i), run.BytesAt(i), buffers)) found.push_back(from + i);
    }
    from += count;
    if (count == 0 || std::chrono::steady_clock::now() >= deadline) break;
  }
  return from;
}

void FilterRunner::Continue() {
  if (!filter_ || !workerDone_) return;  // the worker reads on up to the new target itself
  if (worker_.joinable()) worker_.join();
  const std::uint64_t target = target_.load();
  if (read_ >= target) return;
  std::vector<std::uint64_t> found;
  const std::uint64_t first = rows_.Size();
  read_ = Scan(*filter_, read_, target, std::chrono::steady_clock::now() + kFirstSlice, found);
  rows_.Append(found);
  if (rows_.Size() != first) emit RowsAdded(first, rows_.Size());
  if (read_ >= target) {
    emit Done();
    return;
  }
  emit Progress(static_cast<int>(read_ * 100 / target));
  workerDone_ = false;
  const std::uint64_t run = run_.load();
  worker_ =
      std::thread([this, run, generation = model_.Generation(), from = read_] { RunRest(run, generation, from); });
}

void FilterRunner::RunRest(std::uint64_t run, std::uint64_t generation, std::uint64_t from) {
  RunBelowTraffic();
  for (;;) {
    if (run_.load() != run || model_.Generation() != generation) return;
    const std::uint64_t target = target_.load();
    std::vector<std::uint64_t> found;
    const std::uint64_t end =
        from < target ? Scan(*filter_, from, target, std::chrono::steady_clock::now() + kSlice, found) : from;
    const bool last = end >= target;
    QMetaObject::invokeMethod(
        this, [this, run, generation, end, last, found = std::move(found)] { Take(run, generation, end, last, found); },
        Qt::QueuedConnection);
    if (last) return;
    from = end;
  }
}

void FilterRunner::Take(std::uint64_t run, std::uint64_t generation, std::uint64_t end, bool last,
                        const std::vector<std::uint64_t>& found) {
  if (run != run_.load() || generation != model_.Generation()) return;
  const std::uint64_t first = rows_.Size();
  rows_.Append(found);
  read_ = end;
  if (rows_.Size() != first) emit RowsAdded(first, rows_.Size());
  if (!last) {
    emit Progress(static_cast<int>(read_ * 100 / std::max<std::uint64_t>(target_.load(), 1)));
    return;
  }
  workerDone_ = true;
  if (worker_.joinable()) worker_.join();
  // Entries committed while the worker ended are read from here.
  if (read_ < target_.load()) {
    Continue();
  } else {
    emit Done();
  }
}

void FilterRunner::EntriesAdded(std::uint64_t end) {
  if (!filter_) return;
  target_ = std::max(target_.load(), end);
  Continue();
}

void FilterRunner::Cleared() {
  if (!filter_) return;
  Halt();
  rows_.Clear();
  read_ = 0;
  target_ = model_.ShownCount();
  emit Reset();
  Continue();
}
