#include "console/EntrySelection.h"

#include <algorithm>
#include <iterator>

void EntrySelection::SelectRange(std::uint64_t a, std::uint64_t b) {
  ranges_.clear();
  AddRange(a, b);
}

void EntrySelection::AddRange(std::uint64_t a, std::uint64_t b) { Add(std::min(a, b), std::max(a, b) + 1); }

void EntrySelection::Toggle(std::uint64_t entry) {
  if (Contains(entry)) {
    Remove(entry, entry + 1);
  } else {
    Add(entry, entry + 1);
  }
}

bool EntrySelection::Contains(std::uint64_t entry) const {
  const auto after = ranges_.upper_bound(entry);
  return after != ranges_.begin() && entry < std::prev(after)->second;
}

std::uint64_t EntrySelection::Count() const {
  std::uint64_t count = 0;
  for (const auto& [begin, end] : ranges_) count += end - begin;
  return count;
}

void EntrySelection::Add(std::uint64_t begin, std::uint64_t end) {
  // Runs that overlap or touch [begin, end) merge into one.
  auto it = ranges_.upper_bound(begin);
  if (it != ranges_.begin() && std::prev(it)->second >= begin) --it;
  while (it != ranges_.end() && it->first <= end) {
    begin = std::min(begin, it->first);
    end = std::max(end, it->second);
    it = ranges_.erase(it);
  }
  ranges_.emplace(begin, end);
}

void EntrySelection::Remove(std::uint64_t begin, std::uint64_t end) {
  auto it = ranges_.upper_bound(begin);
  if (it != ranges_.begin()) --it;
  while (it != ranges_.end() && it->first < end) {
    const std::uint64_t runBegin = it->first;
    const std::uint64_t runEnd = it->second;
    if (runEnd <= begin) {
      ++it;
      continue;
    }
    it = ranges_.erase(it);
    if (runBegin < begin) ranges_.emplace(runBegin, begin);
    if (end < runEnd) it = ranges_.emplace(end, runEnd).first;
  }
}
