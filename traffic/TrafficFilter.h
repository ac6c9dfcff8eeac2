#pragma once
// Which entries of the traffic list an operator wants to see: received ones,
// sent ones, received frames with a wrong block check, or any of them, and of
// those only the ones whose text in notation (as Ctrl+C copies it and find
// reads it) holds a given text, without regard to case unless asked.
//
// One TrafficFilter is built per filter (or per find step) and then asked
// about entry after entry: the text is prepared once (lower-cased, with its
// Boyer-Moore tables), and the buffers a walk reuses are the caller's.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "traffic/TrafficListModel.h"

struct FilterCriteria {
  enum class Show : std::uint8_t { All, Received, Sent, WrongBlockCheck };
  Show show = Show::All;
  std::string text;  // bytes in the 8-bit code page; empty: any text
  bool matchCase = false;
};

class TrafficFilter {
 public:
  explicit TrafficFilter(FilterCriteria criteria);
  ~TrafficFilter() = default;
  TrafficFilter(const TrafficFilter&) = delete;  // the searcher points into the text
  TrafficFilter& operator=(const TrafficFilter&) = delete;

  // False when every entry matches: no filter at all.
  bool Narrows() const { return criteria_.show != FilterCriteria::Show::All || !needle_.empty(); }
  const FilterCriteria& Criteria() const { return criteria_; }

  bool Matches(const TrafficListModel& model, std::uint64_t entry, TrafficListModel::TextBuffers& buffers) const;
  // The same for an entry already read (a walk that reads runs of entries).
  bool Matches(const TrafficListModel& model, const TrafficStore::Meta& meta, std::string_view bytes,
               TrafficListModel::TextBuffers& buffers) const;

 private:
  bool KindMatches(const TrafficStore::Meta& meta) const;
  bool TextMatches(std::string_view text) const;

  FilterCriteria criteria_;
  std::string needle_;  // the text, lower-cased unless the case counts
  // Boyer-Moore with both of its rules, built once: entries that share a
  // long part with the text (numbered datagrams) cost one comparison of that
  // part each.
  std::boyer_moore_searcher<std::string::const_iterator> searcher_;
};
