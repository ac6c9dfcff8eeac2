#include "traffic/TrafficFind.h"

#include <utility>

#include "traffic/ShownEntries.h"

namespace {

// How many entries are looked at between two looks at the clock.
constexpr std::uint64_t kEntriesPerClockCheck = 256;

FilterCriteria TextCriteria(std::string_view text, bool matchCase) {
  FilterCriteria criteria;
  criteria.text = std::string(text);
  criteria.matchCase = matchCase;
  return criteria;
}

// The row a step counts from: the entry's own, or where it would lie among
// rows that do not show it.
std::optional<std::uint64_t> FromRow(const ShownEntries& rows, std::uint64_t entry, bool forward) {
  const std::uint64_t row = rows.RowAtOrAfter(entry);
  if (row < rows.Size() && rows.EntryAt(row) == entry) return row;
  if (forward) return row == 0 ? std::nullopt : std::optional<std::uint64_t>(row - 1);
  return row < rows.Size() ? std::optional<std::uint64_t>(row) : std::nullopt;
}

}  // namespace

FindSearch::FindSearch(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from,
                       std::uint64_t count)
    : FindSearch(TextCriteria(text, matchCase), forward, from, count) {}

FindSearch::FindSearch(FilterCriteria criteria, bool forward, std::optional<std::uint64_t> from, std::uint64_t count,
                       const ShownEntries* rows)
    : filter_(std::move(criteria)),
      rows_(rows),
      forward_(forward),
      from_(rows != nullptr && from ? FromRow(*rows, *from, forward) : from),
      count_(filter_.Narrows() ? count : 0) {
  // All rows once: from the one after `from` to the end, then round from
  // the other end back to `from` itself.
  if (count_ == 0) return;
  next_ = !from_ || *from_ >= count_ ? (forward ? 0 : count_ - 1)
          : forward                  ? (*from_ + 1) % count_
                                     : (*from_ + count_ - 1) % count_;
}

std::optional<FindResult> FindSearch::Continue(const TrafficListModel& model,
                                               std::chrono::steady_clock::time_point deadline) {
  while (looked_ < count_) {
    const std::uint64_t entry = rows_ != nullptr ? rows_->EntryAtShared(next_) : next_;
    if (filter_.Matches(model, entry, buffers_)) {
      const bool wrapped = from_ && *from_ < count_ && (forward_ ? next_ <= *from_ : next_ >= *from_);
      looked_ = count_;
      return FindResult{entry, wrapped};
    }
    next_ = forward_ ? (next_ + 1) % count_ : (next_ + count_ - 1) % count_;
    ++looked_;
    if (looked_ % kEntriesPerClockCheck == 0 && looked_ < count_ && std::chrono::steady_clock::now() >= deadline) {
      return std::nullopt;
    }
  }
  return FindResult{};
}

double FindSearch::Progress() const {
  return count_ == 0 ? 1.0 : static_cast<double>(looked_) / static_cast<double>(count_);
}

FindResult FindEntry(const TrafficListModel& model, std::string_view text, bool matchCase, bool forward,
                     std::optional<std::uint64_t> from) {
  FindSearch search(text, matchCase, forward, from, model.ShownCount());
  return *search.Continue(model, std::chrono::steady_clock::time_point::max());
}
