#include "traffic/ShownEntries.h"

#include <mutex>

std::uint64_t ShownEntries::EntryAtShared(std::uint64_t row) const {
  const std::shared_lock lock(lock_);
  return row < Size() ? EntryAt(row) : 0;
}

std::uint64_t ShownEntries::RowAtOrAfter(std::uint64_t entry) const {
  std::uint64_t low = 0;
  std::uint64_t high = Size();
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (EntryAt(middle) < entry) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

std::optional<std::uint64_t> ShownEntries::RowOf(std::uint64_t entry) const {
  const std::uint64_t row = RowAtOrAfter(entry);
  if (row < Size() && EntryAt(row) == entry) return row;
  return std::nullopt;
}

void ShownEntries::Append(const std::vector<std::uint64_t>& entries) {
  if (entries.empty()) return;
  const std::unique_lock lock(lock_);
  std::uint64_t size = Size();
  for (const std::uint64_t entry : entries) {
    const std::size_t index = size >> kChunkShift;
    if (index == chunks_.size()) {
      chunks_.push_back(std::make_unique<Chunk>());
      chunks_.back()->first = entry;
    }
    Chunk& chunk = *chunks_[index];
    const std::uint64_t distance = entry - chunk.first;
    if (distance < kFar) {
      chunk.distances[size & (kChunkSize - 1)] = static_cast<std::uint32_t>(distance);
    } else {
      chunk.distances[size & (kChunkSize - 1)] = kFar;
      far_.emplace(size, entry);
    }
    ++size;
  }
  size_.store(size, std::memory_order_release);
}

void ShownEntries::Clear() {
  const std::unique_lock lock(lock_);
  size_.store(0, std::memory_order_release);
  chunks_.clear();
  chunks_.shrink_to_fit();
  far_.clear();
}

std::size_t ShownEntries::MemoryBytes() const {
  // A map node holds its pair and about four pointers' worth more.
  return chunks_.capacity() * sizeof(std::unique_ptr<Chunk>) + chunks_.size() * sizeof(Chunk) +
         far_.size() * (sizeof(std::pair<const std::uint64_t, std::uint64_t>) + 4 * sizeof(void*));
}
