#pragma once
// The lines sent from the send line in this run, the newest 100, walked with
// Up and Down as a shell walks its history. Up from the line being typed
// keeps that line as the draft and recalls the newest line sent; each Up goes
// one older, each Down one newer, and Down past the newest gives the draft
// back. A recalled line is edited and sent like any other; sending starts
// the next walk from the newest again.
// A line equal to the one sent just before is kept once.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

class SendLineHistory {
 public:
  static constexpr std::size_t kLines = 100;

  void Add(const std::string& line);
  // The line to show, or nothing where the walk ends (no older line).
  // `shown`: what the send line holds now.
  std::optional<std::string> Older(const std::string& shown);
  std::optional<std::string> Newer();
  // Ends the walk: the next Up starts from the newest line again.
  void EndWalk();
  std::size_t Size() const { return lines_.size(); }

 private:
  std::deque<std::string> lines_;  // oldest first
  std::size_t position_ = 0;       // lines_.size() while not walking
  bool walking_ = false;
  std::string draft_;
};
