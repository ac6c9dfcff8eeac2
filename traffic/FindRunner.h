#pragma once
// Runs the find bar's steps over the traffic list, one at a time, and tells
// how they go by signals: Progress while a step reads a long list, then
// Found or NotFound. Whoever asks never waits for a step and never sees how
// it is run.
//
// A step's first slice (kFirstSlice) runs at once on the caller's thread, so
// a step over a short list has reported when Start returns. A step that needs
// longer goes on on a thread of its own while entries keep arriving and the
// window keeps painting; its signals come back on the runner's thread. A step
// that reads the whole list without finding anything ends with NotFound; a
// step whose entries are deleted meanwhile ("Delete list") ends without a word.
#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

#include "traffic/TrafficFind.h"

class ShownEntries;
class TrafficListModel;

class FindRunner : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kFirstSlice{10};
  // How long the worker reads before it reports progress and looks whether
  // it is still wanted.
  static constexpr std::chrono::milliseconds kSlice{20};

  explicit FindRunner(const TrafficListModel& model, QObject* parent = nullptr);
  ~FindRunner() override;
  FindRunner(const FindRunner&) = delete;
  FindRunner& operator=(const FindRunner&) = delete;

  // Starts a step over the entries shown now (see FindSearch), ending the
  // step in progress without a word from it.
  // With `rows` (a filtered list's, outliving the step), over the rows shown.
  void Start(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from,
             const ShownEntries* rows = nullptr);
  // A step to the next (previous) entry that passes `criteria`.
  void Start(FilterCriteria criteria, bool forward, std::optional<std::uint64_t> from,
             const ShownEntries* rows = nullptr);
  // Ends the step in progress; it reports nothing more.
  void Cancel();
  bool Running() const { return running_; }

 signals:
  // The share of the list read so far, 0 to 100, after a slice that found
  // nothing yet.
  void Progress(int percent);
  // wrapped: found only after going round the end of the list.
  void Found(quint64 entry, bool wrapped);
  void NotFound();

 private:
  // On the worker: slices until the step ends or is no longer wanted.
  void RunRest(FindSearch& search, std::uint64_t step, std::uint64_t generation);
  // On the runner's thread: the end of the step numbered `step`, with its
  // result, or nothing when its entries were deleted.
  void Finish(std::uint64_t step, const std::optional<FindResult>& result);

  const TrafficListModel& model_;
  std::unique_ptr<FindSearch> search_;  // the step in progress
  std::thread worker_;
  std::atomic<std::uint64_t> step_ = 0;  // the step wanted now; the worker stops when it changes
  bool running_ = false;
};
