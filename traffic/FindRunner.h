#pragma once
// Runs the find bar's steps over the traffic list, one at a time, and tells
// how they go by signals: Progress while a step reads a long list, then
// Found or NotFound. Whoever asks never waits for a step and never sees how
// it is run.
//
// A step runs in slices on the thread of the runner: the first at once, the
// next ones on later passes of the event loop, each for about `slice`, so
// that the events in between (painting, the link, the keys) go on. A step
// that reads the whole list without finding anything ends with NotFound.
#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "traffic/TrafficFind.h"

class TrafficListModel;

class FindRunner : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kSlice{30};

  explicit FindRunner(const TrafficListModel& model, std::chrono::milliseconds slice = kSlice,
                      QObject* parent = nullptr);

  // Starts a step over the entries shown now (see FindSearch), ending the
  // step in progress without a word from it. The first slice runs before
  // this returns, so a step over a short list has reported when it does.
  void Start(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from);
  // Ends the step in progress; it reports nothing more.
  void Cancel();
  bool Running() const { return search_ != nullptr; }

 signals:
  // The share of the list read so far, 0 to 100, after a slice that found
  // nothing yet.
  void Progress(int percent);
  // wrapped: found only after going round the end of the list.
  void Found(quint64 entry, bool wrapped);
  void NotFound();

 private:
  void RunSlice();

  const TrafficListModel& model_;
  const std::chrono::milliseconds slice_;
  std::unique_ptr<FindSearch> search_;  // the step in progress
  // The list's generation when the step began: a step outlives no Clear.
  std::uint64_t generation_ = 0;
  QTimer nextSlice_;
};
