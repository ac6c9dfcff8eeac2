#include "console/SendLineHistory.h"

void SendLineHistory::Add(const std::string& line) {
  if (!line.empty() && (lines_.empty() || lines_.back() != line)) {
    lines_.push_back(line);
    if (lines_.size() > kLines) lines_.pop_front();
  }
  EndWalk();
}

std::optional<std::string> SendLineHistory::Older(const std::string& shown) {
  if (!walking_) {
    draft_ = shown;
    position_ = lines_.size();
  }
  if (position_ == 0) return std::nullopt;
  walking_ = true;
  return lines_[--position_];
}

std::optional<std::string> SendLineHistory::Newer() {
  if (!walking_) return std::nullopt;
  if (++position_ < lines_.size()) return lines_[position_];
  walking_ = false;
  return std::move(draft_);
}

void SendLineHistory::EndWalk() {
  walking_ = false;
  draft_.clear();
}
