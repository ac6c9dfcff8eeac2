#pragma once
// Keeps the rows of a filtered traffic list: the entries that pass the
// filter, found by reading the list in slices while entries keep arriving.
//
// Start reads the entries listed so far: its first slice (kFirstSlice) at
// once on the caller's thread, so a short list is filtered when Start
// returns; the rest on a thread of their own, whose finds come back to the
// runner's thread slice by slice (RowsAdded), so the filtered list fills
// while the window stays responsive. Entries listed later are filtered as
// they are committed, the same way. Clearing the list empties the rows and
// the filter stays on for what comes next; Stop ends the filter.
//
// The runner belongs to the window thread; its rows are appended there only,
// so the view reads them without a lock (see ShownEntries).
#include <QObject>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "traffic/ShownEntries.h"
#include "traffic/TrafficFilter.h"

class TrafficListModel;

class FilterRunner : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kFirstSlice{10};
  // How long the worker reads before it hands over what it found.
  static constexpr std::chrono::milliseconds kSlice{20};

  explicit FilterRunner(const TrafficListModel& model, QObject* parent = nullptr);
  ~FilterRunner() override;
  FilterRunner(const FilterRunner&) = delete;
  FilterRunner& operator=(const FilterRunner&) = delete;

  // Filters the list anew by `criteria`; criteria that let every entry
  // through end the filter, as Stop does.
  void Start(FilterCriteria criteria);
  void Stop();

  bool Active() const { return filter_ != nullptr; }
  const FilterCriteria* Criteria() const { return filter_ ? &filter_->Criteria() : nullptr; }
  const ShownEntries& Rows() const { return rows_; }
  // Entries read so far, of the ones listed: once it equals the list's
  // ShownCount, the filter is complete.
  std::uint64_t Read() const { return read_; }
  bool Running() const { return read_ < target_.load(); }

 signals:
  // Rows [first, end) were added.
  void RowsAdded(quint64 first, quint64 end);
  // The rows were emptied: a new filter, no filter, or a cleared list.
  void Reset();
  // After a slice, while entries remain: the share of the list read, 0 to 100.
  void Progress(int percent);
  // Every entry listed so far is read.
  void Done();

 private:
  // Reads entries [from, to) until the deadline, adding the ones that pass to
  // `found`; returns where it stopped.
  std::uint64_t Scan(const TrafficFilter& filter, std::uint64_t from, std::uint64_t to,
                     std::chrono::steady_clock::time_point deadline, std::vector<std::uint64_t>& found) const;
  // Goes on reading up to the target: a first slice here, the rest on the worker.
  void Continue();
  void RunRest(std::uint64_t run, std::uint64_t generation, std::uint64_t from);
  // On the runner's thread: what a slice of run `run` read, up to `end`.
  // `last`: the worker ended after it.
  void Take(std::uint64_t run, std::uint64_t generation, std::uint64_t end, bool last,
            const std::vector<std::uint64_t>& found);
  void EntriesAdded(std::uint64_t end);
  void Cleared();
  // Ends the worker; its slices not yet taken are dropped.
  void Halt();

  const TrafficListModel& model_;
  std::unique_ptr<TrafficFilter> filter_;
  ShownEntries rows_;
  std::uint64_t read_ = 0;                 // entries read and taken
  std::atomic<std::uint64_t> target_ = 0;  // entries to read: those listed
  std::atomic<std::uint64_t> run_ = 0;     // the worker stops when it changes
  std::thread worker_;
  bool workerDone_ = true;  // the worker has handed over its last slice
};
