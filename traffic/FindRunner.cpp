#include "traffic/FindRunner.h"

#include "traffic/TrafficListModel.h"

FindRunner::FindRunner(const TrafficListModel& model, std::chrono::milliseconds slice, QObject* parent)
    : QObject(parent), model_(model), slice_(slice) {
  nextSlice_.setSingleShot(true);
  nextSlice_.setInterval(0);
  connect(&nextSlice_, &QTimer::timeout, this, [this] { RunSlice(); });
}

void FindRunner::Start(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from) {
  Cancel();
  search_ = std::make_unique<FindSearch>(text, matchCase, forward, from, model_.ShownCount());
  generation_ = model_.Generation();
  RunSlice();
}

void FindRunner::Cancel() {
  search_.reset();
  nextSlice_.stop();
}

void FindRunner::RunSlice() {
  if (search_ == nullptr) return;
  // The entries the step was to read are gone; nobody is waiting for its end.
  if (model_.Generation() != generation_) {
    Cancel();
    return;
  }
  const std::optional<FindResult> result = search_->Continue(model_, std::chrono::steady_clock::now() + slice_);
  if (!result) {
    nextSlice_.start();
    emit Progress(static_cast<int>(search_->Progress() * 100));
    return;
  }
  search_.reset();
  if (result->entry) {
    emit Found(*result->entry, result->wrapped);
  } else {
    emit NotFound();
  }
}
