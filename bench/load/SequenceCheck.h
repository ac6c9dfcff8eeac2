#pragma once
// Checks that a run of numbered datagrams arrived complete and in order:
// numbers first, first+1, ..., first+expected-1, each exactly once, nothing
// else. Fed one number at a time, so a million-entry log or list is checked
// without holding it.
#include <cstdint>
#include <string>

class SequenceCheck {
 public:
  SequenceCheck(std::uint64_t first, std::uint64_t expected) : end_(first + expected), next_(first) {}

  void Add(std::uint64_t number);
  // An entry that is no numbered datagram at all.
  void AddMalformed();

  std::uint64_t Received() const { return received_; }
  std::uint64_t Malformed() const { return malformed_; }
  // Numbers of the expected run never seen in sequence: skipped ones plus the
  // ones after the last number seen.
  std::uint64_t Lost() const;
  // Entries that came back in time (duplicates, reordering) or lie outside
  // the expected run.
  std::uint64_t Misplaced() const { return misplaced_; }
  bool Complete() const { return Lost() == 0 && misplaced_ == 0 && malformed_ == 0; }
  // "" when complete, otherwise the first fault with its entry position.
  std::string FirstFault() const;

 private:
  void Fault(const std::string& what);

  std::uint64_t end_;
  std::uint64_t next_;
  std::uint64_t received_ = 0;
  std::uint64_t malformed_ = 0;
  std::uint64_t skipped_ = 0;
  std::uint64_t misplaced_ = 0;
  std::string firstFault_;
};
