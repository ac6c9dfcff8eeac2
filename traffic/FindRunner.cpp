#include "traffic/FindRunner.h"

#include <QMetaObject>
#include <string>
#include <utility>

#include "traffic/BackgroundPriority.h"
#include "traffic/ShownEntries.h"
#include "traffic/TrafficListModel.h"

FindRunner::FindRunner(const TrafficListModel& model, QObject* parent) : QObject(parent), model_(model) {}

FindRunner::~FindRunner() { Cancel(); }

void FindRunner::Start(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from,
                       const ShownEntries* rows) {
  FilterCriteria criteria;
  criteria.text = std::string(text);
  criteria.matchCase = matchCase;
  Start(std::move(criteria), forward, from, rows);
}

void FindRunner::Start(FilterCriteria criteria, bool forward, std::optional<std::uint64_t> from,
                       const ShownEntries* rows) {
  Cancel();
  const std::uint64_t count = rows != nullptr ? rows->Size() : model_.ShownCount();
  search_ = std::make_unique<FindSearch>(std::move(criteria), forward, from, count, rows);
  const std::uint64_t step = step_.load();
  const std::uint64_t generation = model_.Generation();
  running_ = true;
  if (std::optional<FindResult> result = search_->Continue(model_, std::chrono::steady_clock::now() + kFirstSlice)) {
    Finish(step, result);
    return;
  }
  emit Progress(static_cast<int>(search_->Progress() * 100));
  worker_ = std::thread([this, search = search_.get(), step, generation] { RunRest(*search, step, generation); });
}

void FindRunner::Cancel() {
  // The worker sees the new step number within a slice and ends.
  ++step_;
  if (worker_.joinable()) worker_.join();
  search_.reset();
  running_ = false;
}

void FindRunner::RunRest(FindSearch& search, std::uint64_t step, std::uint64_t generation) {
  RunBelowTraffic();
  for (;;) {
    // The entries the step was to read are gone, or another step is wanted:
    // nobody is waiting for this one.
    if (step_.load() != step) return;
    if (model_.Generation() != generation) {
      QMetaObject::invokeMethod(
          this, [this, step] { Finish(step, std::nullopt); }, Qt::QueuedConnection);
      return;
    }
    const std::optional<FindResult> result = search.Continue(model_, std::chrono::steady_clock::now() + kSlice);
    if (result) {
      QMetaObject::invokeMethod(
          this, [this, step, found = result] { Finish(step, found); }, Qt::QueuedConnection);
      return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, step, percent = static_cast<int>(search.Progress() * 100)] {
          if (step_.load() == step && running_) emit Progress(percent);
        },
        Qt::QueuedConnection);
  }
}

void FindRunner::Finish(std::uint64_t step, const std::optional<FindResult>& result) {
  if (step_.load() != step || !running_) return;
  if (worker_.joinable()) worker_.join();
  search_.reset();
  running_ = false;
  if (!result) return;  // the list was deleted
  if (result->entry) {
    emit Found(*result->entry, result->wrapped);
  } else {
    emit NotFound();
  }
}
