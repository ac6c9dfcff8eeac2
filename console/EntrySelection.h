#pragma once
// The traffic list's selection: any set of entries, kept as ranges, so that
// selecting a hundred million entries (Shift+End) costs one range, not a
// hundred million.
#include <cstdint>
#include <map>

class EntrySelection {
 public:
  // [begin, end) of every selected run of entries, ascending; runs neither
  // overlap nor touch.
  using Ranges = std::map<std::uint64_t, std::uint64_t>;

  void Clear() { ranges_.clear(); }
  void SelectOnly(std::uint64_t entry) { SelectRange(entry, entry); }
  // Replaces the selection with the entries from a to b (either order), both included.
  void SelectRange(std::uint64_t a, std::uint64_t b);
  // Adds the entries from a to b (either order), both included.
  void AddRange(std::uint64_t a, std::uint64_t b);
  void Toggle(std::uint64_t entry);

  bool Contains(std::uint64_t entry) const;
  bool Empty() const { return ranges_.empty(); }
  std::uint64_t Count() const;
  const Ranges& Runs() const { return ranges_; }

 private:
  void Add(std::uint64_t begin, std::uint64_t end);
  void Remove(std::uint64_t begin, std::uint64_t end);

  Ranges ranges_;
};
