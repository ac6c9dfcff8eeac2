#pragma once
// The entries a filter lets through, as their numbers in ascending order: row
// r of the filtered list shows entry EntryAt(r).
//
// Four bytes per shown entry: the numbers live in chunks of fixed size, each
// with the number of its first entry and, per row, the distance from it in
// 32 bits. So the index grows without ever copying what it holds, at most one
// chunk stands partly empty, and a row still finds its entry at once. A
// distance beyond 32 bits (a filter that lets through nothing for four
// billion entries) goes into a small map of its own.
//
// Threads: one thread (the window's) appends and clears, and reads without a
// lock; any other thread (a find step on a worker) reads with EntryAtShared,
// which holds a lock that keeps it apart from appends and clears.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <shared_mutex>
#include <vector>

class ShownEntries {
 public:
  static constexpr std::size_t kChunkShift = 12;
  static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkShift;

  std::uint64_t Size() const { return size_.load(std::memory_order_acquire); }
  // On the owning thread; row below Size().
  std::uint64_t EntryAt(std::uint64_t row) const {
    const Chunk& chunk = *chunks_[row >> kChunkShift];
    const std::uint32_t distance = chunk.distances[row & (kChunkSize - 1)];
    return distance != kFar ? chunk.first + distance : far_.at(row);
  }
  // On any other thread; row below the Size() it read.
  std::uint64_t EntryAtShared(std::uint64_t row) const;
  // The first row whose entry is `entry` or later (Size() if none).
  std::uint64_t RowAtOrAfter(std::uint64_t entry) const;
  // The row that shows `entry`, if one does.
  std::optional<std::uint64_t> RowOf(std::uint64_t entry) const;

  // On the owning thread. Entries ascending, each beyond the last one held.
  void Append(const std::vector<std::uint64_t>& entries);
  void Clear();
  // What the index takes, in bytes.
  std::size_t MemoryBytes() const;

 private:
  static constexpr std::uint32_t kFar = 0xFFFFFFFF;  // the entry is in far_
  struct Chunk {
    std::uint64_t first = 0;  // the entry of the chunk's first row
    std::array<std::uint32_t, kChunkSize> distances{};
  };
  std::vector<std::unique_ptr<Chunk>> chunks_;
  std::map<std::uint64_t, std::uint64_t> far_;  // row -> entry, where the distance does not fit
  std::atomic<std::uint64_t> size_ = 0;
  mutable std::shared_mutex lock_;
};
