#include "bench/load/SequenceCheck.h"

void SequenceCheck::Fault(const std::string& what) {
  if (firstFault_.empty()) firstFault_ = "entry " + std::to_string(received_ + malformed_) + ": " + what;
}

void SequenceCheck::Add(std::uint64_t number) {
  if (number < next_ || number >= end_) {
    Fault("number " + std::to_string(number) + " where " + std::to_string(next_) + " was due");
    ++misplaced_;
  } else {
    if (number > next_) {
      Fault(std::to_string(number - next_) + " missing before " + std::to_string(number));
      skipped_ += number - next_;
    }
    next_ = number + 1;
  }
  ++received_;
}

void SequenceCheck::AddMalformed() {
  Fault("not a numbered datagram");
  ++malformed_;
}

std::uint64_t SequenceCheck::Lost() const { return skipped_ + (end_ - next_); }

std::string SequenceCheck::FirstFault() const {
  if (!firstFault_.empty() || next_ == end_) return firstFault_;
  return "the last " + std::to_string(end_ - next_) + " numbers (from " + std::to_string(next_) + ") missing";
}
