#pragma once
// Find in the traffic list: the next or the previous entry whose text in
// notation (as Ctrl+C copies it: time, tag, "<2>" for STX) holds the text
// looked for, without regard to case unless asked, going round the end of the
// list. One step walks at most every entry once, reusing two buffers.
//
// A step can run in slices (FindSearch::Continue with a deadline), so that the
// window stays responsive while a step reads a list of a hundred million
// entries; FindEntry runs a whole step at once.
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "traffic/TrafficFilter.h"
#include "traffic/TrafficListModel.h"

class ShownEntries;

struct FindResult {
  std::optional<std::uint64_t> entry;  // nothing: no entry holds the text
  bool wrapped = false;                // found only after going round the end
};

class FindSearch {
 public:
  // Among the first `count` entries (those shown when the step began),
  // starting after `from` (before it when searching backwards) or, without
  // `from`, at the first (the last) entry. The text is bytes in the 8-bit
  // code page; an empty text finds nothing.
  FindSearch(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from,
             std::uint64_t count);
  // The next (previous) entry that passes `criteria` (one that narrows;
  // otherwise the step finds nothing). With `rows`, the step reads only the
  // entries of a filtered list, the first `count` of its rows; `from` and the
  // entry found are entry numbers all the same, and a `from` the rows do not
  // show counts from where it would lie. The rows outlive the step.
  FindSearch(FilterCriteria criteria, bool forward, std::optional<std::uint64_t> from, std::uint64_t count,
             const ShownEntries* rows = nullptr);
  ~FindSearch() = default;
  FindSearch(const FindSearch&) = delete;  // the searcher points into the text
  FindSearch& operator=(const FindSearch&) = delete;

  // Looks at entries until one holds the text, every entry has been looked
  // at, or the deadline has passed (at least one entry is looked at). The
  // step's result once it is over; nothing while entries remain.
  std::optional<FindResult> Continue(const TrafficListModel& model, std::chrono::steady_clock::time_point deadline);
  // The share of the entries looked at so far, 0 to 1.
  double Progress() const;

 private:
  TrafficFilter filter_;
  const ShownEntries* rows_;
  bool forward_;
  std::optional<std::uint64_t> from_;  // a row
  std::uint64_t count_;
  std::uint64_t next_ = 0;    // the row to look at next
  std::uint64_t looked_ = 0;  // rows looked at
  TrafficListModel::TextBuffers buffers_;
};

// A whole step at once.
FindResult FindEntry(const TrafficListModel& model, std::string_view text, bool matchCase, bool forward,
                     std::optional<std::uint64_t> from);
