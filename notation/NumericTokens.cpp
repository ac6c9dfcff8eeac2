#include "notation/NumericTokens.h"

#include <charconv>
#include <cstddef>
#include <limits>
#include <numeric>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/RunTimeError.h"

namespace {

constexpr char kOpen = '<';
constexpr char kClose = '>';

// The byte a token's inner text stands for: a decimal number from 0 to 255,
// one or more digits (leading zeros allowed) after an optional sign. Digit
// strings of any length are read without overflow; "-1" and
// "99999999999999999999" are numbers out of range.
char TokenByte(std::string_view inner) {
  bool negative = false;
  if (!inner.empty() && (inner.front() == '-' || inner.front() == '+')) {
    negative = inner.front() == '-';
    inner.remove_prefix(1);
  }
  unsigned char code = 0;
  const char* const end = inner.data() + inner.size();
  const auto [stop, error] = std::from_chars(inner.data(), end, code);
  if (error == std::errc::invalid_argument || stop != end) {
    throw RunTimeError::TypeMismatch();
  }
  if (error == std::errc::result_out_of_range || (negative && code != 0)) {
    throw RunTimeError::InvalidArgument();
  }
  return static_cast<char>(code);
}

// The text during the numeric pass.
//
// Replacing a token everywhere and then searching again from the first "<"
// costs a scan of the whole text per distinct token, which is quadratic on a
// long line of distinct tokens. Here the bytes form a singly linked list, so
// that a token collapses into its byte in place, and the "<" and ">" bytes
// form a doubly linked list of their own. A token is then exactly a "<" whose
// next bracket is a ">" (nothing between them is a bracket), and every token
// of the text is kept in an index by its inner text. A pass visits only the
// occurrences of its token. Collapsing one changes the bracket list only
// around it: the brackets on either side, or the byte itself if it is "<" or
// ">", may pair up into a new token (as "<1<55>>" becomes the token "<17>"),
// which is indexed at once. Occurrences taken for a pass are those that
// existed when it began, as a replacement of the whole text would find them.
// Each byte is read into at most two inner texts before its token collapses,
// so the whole pass is linear in the length of the text.
class TokenText {
 public:
  explicit TokenText(std::string text);

  std::string Convert();

 private:
  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  bool IsOpen(std::size_t node) const { return node != kNone && bytes_[node] == kOpen; }
  bool IsClose(std::size_t node) const { return node != kNone && bytes_[node] == kClose; }

  void LinkBrackets(std::size_t left, std::size_t right);
  std::string InnerText(std::size_t open) const;
  void IndexToken(std::size_t open);
  void Collapse(std::size_t open, char byte);
  std::string Bytes() const;

  std::string bytes_;
  std::vector<std::size_t> nextByte_;
  std::vector<std::size_t> prevBracket_;
  std::vector<std::size_t> nextBracket_;
  std::size_t firstBracket_ = kNone;
  std::unordered_map<std::string, std::vector<std::size_t>> tokensByInner_;
};

TokenText::TokenText(std::string text)
    : bytes_(std::move(text)),
      nextByte_(bytes_.size()),
      prevBracket_(bytes_.size(), kNone),
      nextBracket_(bytes_.size(), kNone) {
  std::iota(nextByte_.begin(), nextByte_.end(), std::size_t{1});
  if (!nextByte_.empty()) {
    nextByte_.back() = kNone;
  }
  std::size_t lastBracket = kNone;
  for (std::size_t node = 0; node < bytes_.size(); ++node) {
    if (bytes_[node] != kOpen && bytes_[node] != kClose) {
      continue;
    }
    LinkBrackets(lastBracket, node);
    if (IsOpen(lastBracket) && IsClose(node)) {
      IndexToken(lastBracket);
    }
    lastBracket = node;
  }
}

void TokenText::LinkBrackets(std::size_t left, std::size_t right) {
  if (left == kNone) {
    firstBracket_ = right;
  } else {
    nextBracket_[left] = right;
  }
  if (right != kNone) {
    prevBracket_[right] = left;
  }
}

std::string TokenText::InnerText(std::size_t open) const {
  std::string inner;
  for (std::size_t node = nextByte_[open]; node != nextBracket_[open]; node = nextByte_[node]) {
    inner += bytes_[node];
  }
  return inner;
}

void TokenText::IndexToken(std::size_t open) { tokensByInner_[InnerText(open)].push_back(open); }

void TokenText::Collapse(std::size_t open, char byte) {
  const std::size_t close = nextBracket_[open];
  const std::size_t before = prevBracket_[open];
  const std::size_t after = nextBracket_[close];
  bytes_[open] = byte;
  nextByte_[open] = nextByte_[close];
  if (byte == kOpen) {
    LinkBrackets(open, after);
    if (IsClose(after)) {
      IndexToken(open);
    }
  } else if (byte == kClose) {
    LinkBrackets(open, after);
    if (IsOpen(before)) {
      IndexToken(before);
    }
  } else {
    LinkBrackets(before, after);
    if (IsOpen(before) && IsClose(after)) {
      IndexToken(before);
    }
  }
}

std::string TokenText::Convert() {
  for (;;) {
    // A ">" in front of the first "<" never closes a token again: a new "<"
    // appears only where a token was, and tokens lie after the first "<".
    while (IsClose(firstBracket_)) {
      firstBracket_ = nextBracket_[firstBracket_];
    }
    if (firstBracket_ == kNone) {
      break;
    }
    prevBracket_[firstBracket_] = kNone;
    const std::size_t open = firstBracket_;
    std::size_t close = nextBracket_[open];
    if (!IsClose(close)) {
      // Another "<" comes before the first ">": that ">", if there is one,
      // ends an inner text holding "<", which is no number.
      while (close != kNone && !IsClose(close)) {
        close = nextBracket_[close];
      }
      if (close == kNone) {
        break;
      }
      throw RunTimeError::TypeMismatch();
    }
    const std::string inner = InnerText(open);
    const char byte = TokenByte(inner);
    const auto occurrences = tokensByInner_.extract(inner);
    for (const std::size_t occurrence : occurrences.mapped()) {
      Collapse(occurrence, byte);
    }
  }
  return Bytes();
}

std::string TokenText::Bytes() const {
  std::string bytes;
  bytes.reserve(bytes_.size());
  for (std::size_t node = bytes_.empty() ? kNone : 0; node != kNone; node = nextByte_[node]) {
    bytes += bytes_[node];
  }
  return bytes;
}

}  // namespace

std::string ReplaceNumericTokens(std::string text) {
  // Most lines hold only named tokens, or none: nothing to do.
  const auto firstOpen = text.find(kOpen);
  if (firstOpen == std::string::npos || text.find(kClose, firstOpen) == std::string::npos) {
    return text;
  }
  return TokenText(std::move(text)).Convert();
}
