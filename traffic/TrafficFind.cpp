#include "traffic/TrafficFind.h"

#include <algorithm>

#include "core/CodePage.h"

namespace {

std::string Needle(std::string_view text, bool matchCase) {
  std::string needle(text);
  if (!matchCase) std::transform(needle.begin(), needle.end(), needle.begin(), Cp1252ToLower);
  return needle;
}

// How many entries are looked at between two looks at the clock.
constexpr std::uint64_t kEntriesPerClockCheck = 256;

}  // namespace

FindSearch::FindSearch(std::string_view text, bool matchCase, bool forward, std::optional<std::uint64_t> from,
                       std::uint64_t count)
    : needle_(Needle(text, matchCase)),
      matchCase_(matchCase),
      forward_(forward),
      from_(from),
      count_(needle_.empty() ? 0 : count),
      searcher_(needle_.cbegin(), needle_.cend()) {
  // All entries once: from the one after `from` to the end, then round from
  // the other end back to `from` itself.
  if (count_ == 0) return;
  next_ = !from || *from >= count_ ? (forward ? 0 : count_ - 1)
          : forward                ? (*from + 1) % count_
                                   : (*from + count_ - 1) % count_;
}

std::optional<FindResult> FindSearch::Continue(const TrafficListModel& model,
                                               std::chrono::steady_clock::time_point deadline) {
  while (looked_ < count_) {
    const std::string_view text = model.NotationText(next_, buffers_, !matchCase_);
    if (std::search(text.begin(), text.end(), searcher_) != text.end()) {
      const bool wrapped = from_ && *from_ < count_ && (forward_ ? next_ <= *from_ : next_ >= *from_);
      looked_ = count_;
      return FindResult{next_, wrapped};
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
