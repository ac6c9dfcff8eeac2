#include "tools/common/RuleLine.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <stdexcept>
#include <utility>

#include "core/RunTimeError.h"
#include "notation/BlockCheck.h"
#include "notation/Notation.h"

namespace {

using Kind = RulePiece::Kind;

RulePiece Piece(Kind kind, std::string bytes = {}) {
  RulePiece piece;
  piece.kind = kind;
  piece.bytes = std::move(bytes);
  return piece;
}

constexpr int kMaxDecimals = 6;
constexpr std::int64_t kMaxRandomMagnitude = 1'000'000'000'000;  // scaled; far from overflow

RulePiece Bytes(const std::string& notation) {
  try {
    return Piece(Kind::Bytes, fkt_SpecialCharsToRaw(notation));
  } catch (const RunTimeError& error) {
    throw std::runtime_error("notation error " + std::to_string(error.Number()) + " (" + error.Description() +
                             ") in '" + notation + "'");
  }
}

// "-12.5" with 2 decimals gives -1250; nothing for anything but a plain
// decimal number.
std::optional<std::int64_t> Scaled(std::string_view text, int decimals) {
  const bool negative = text.starts_with('-');
  if (negative) text.remove_prefix(1);
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  std::string digits(whole);
  digits += fraction;
  digits.append(static_cast<std::size_t>(decimals) - fraction.size(), '0');
  std::int64_t value = 0;
  const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (whole.empty() || failure != std::errc() || end != digits.data() + digits.size() ||
      digits.find_first_not_of("0123456789") != std::string::npos || value > kMaxRandomMagnitude) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

int DecimalsOf(std::string_view number) {
  const std::size_t point = number.find('.');
  return point == std::string_view::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

RulePiece RandomPiece(std::string_view bounds, const std::string& placeholder) {
  const std::size_t colon = bounds.find(':');
  const std::string_view low = bounds.substr(0, colon);
  const std::string_view high = colon == std::string_view::npos ? std::string_view() : bounds.substr(colon + 1);
  RulePiece piece = Piece(Kind::Random);
  piece.decimals = std::max(DecimalsOf(low), DecimalsOf(high));
  const auto lowValue = piece.decimals <= kMaxDecimals ? Scaled(low, piece.decimals) : std::nullopt;
  const auto highValue = piece.decimals <= kMaxDecimals ? Scaled(high, piece.decimals) : std::nullopt;
  if (!lowValue || !highValue || *lowValue > *highValue) {
    throw std::runtime_error(placeholder + " needs two numbers, the lower first, as in {RANDOM:20.0:25.0}");
  }
  piece.low = *lowValue;
  piece.high = *highValue;
  return piece;
}

RulePiece Placeholder(std::string_view name, LineUse use) {
  const std::string placeholder = std::string("{").append(name).append("}");
  if (name == "BCC") return Piece(Kind::BlockCheck);
  if (use == LineUse::Request) {
    if (name == "*") return Piece(Kind::Any);
    throw std::runtime_error("unknown placeholder " + placeholder +
                             " in a request (known: {BCC} {*}; a literal brace is written <123>)");
  }
  if (name.size() == 1 && name[0] >= '1' && name[0] <= '9') {
    RulePiece piece = Piece(Kind::Capture);
    piece.capture = name[0] - '0';
    return piece;
  }
  if (name == "COUNT") return Piece(Kind::Count);
  if (name.starts_with("RANDOM:")) return RandomPiece(name.substr(7), placeholder);
  throw std::runtime_error("unknown placeholder " + placeholder +
                           " in a reply (known: {BCC} {1}..{9} {COUNT} {RANDOM:LOW:HIGH}; a literal brace is "
                           "written <123>)");
}

std::string FormatScaled(std::int64_t value, int decimals) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  if (decimals > 0) {
    if (digits.size() <= static_cast<std::size_t>(decimals)) {
      digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    }
    digits.insert(digits.size() - static_cast<std::size_t>(decimals), 1, '.');
  }
  if (value < 0) digits.insert(0, 1, '-');
  return digits;
}

}  // namespace

RuleLine RuleLine::Parse(const std::string& notation, LineUse use) {
  RuleLine line;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t open = notation.find('{', pos);
    const std::size_t close = open == std::string::npos ? open : notation.find('}', open + 1);
    const std::string literal = notation.substr(pos, close == std::string::npos ? std::string::npos : open - pos);
    if (!literal.empty()) line.pieces_.push_back(Bytes(literal));
    if (close == std::string::npos) break;
    line.pieces_.push_back(Placeholder(std::string_view(notation).substr(open + 1, close - open - 1), use));
    pos = close + 1;
  }
  return line;
}

int RuleLine::Wildcards() const {
  return static_cast<int>(
      std::count_if(pieces_.begin(), pieces_.end(), [](const RulePiece& p) { return p.kind == Kind::Any; }));
}

int RuleLine::HighestCapture() const {
  int highest = 0;
  for (const RulePiece& p : pieces_) highest = std::max(highest, p.capture);
  return highest;
}

bool RuleLine::Match(std::string_view request, std::vector<std::string>* captures) const {
  // The classic wildcard match: on a mismatch, only the last {*} entered
  // takes one more byte, and the pieces after it are tried again. {BCC}
  // stands for one byte here and is checked once a match is found.
  const std::size_t count = pieces_.size();
  std::vector<std::size_t> start(count + 1, 0);  // where each piece begins in the request
  std::size_t piece = 0;
  std::size_t at = 0;
  std::optional<std::size_t> lastAny;
  std::size_t lastAnyEnd = 0;
  for (;;) {
    if (piece == count) {
      if (at == request.size()) break;
    } else {
      const RulePiece& p = pieces_[piece];
      start[piece] = at;
      if (p.kind == Kind::Any) {
        lastAny = piece++;
        lastAnyEnd = at;
        continue;
      }
      if (p.kind == Kind::Bytes && request.substr(at).starts_with(p.bytes)) {
        at += p.bytes.size();
        ++piece;
        continue;
      }
      if (p.kind == Kind::BlockCheck && at < request.size()) {
        ++at;
        ++piece;
        continue;
      }
    }
    if (!lastAny || lastAnyEnd == request.size()) return false;
    at = ++lastAnyEnd;
    piece = *lastAny + 1;
  }
  start[count] = request.size();
  for (std::size_t i = 0; i < count; ++i) {
    if (pieces_[i].kind == Kind::BlockCheck &&
        static_cast<std::uint8_t>(request[start[i]]) != fkt_CalcBlockCheck(request.substr(0, start[i]))) {
      return false;
    }
  }
  captures->clear();
  for (std::size_t i = 0; i < count; ++i) {
    if (pieces_[i].kind == Kind::Any) captures->emplace_back(request.substr(start[i], start[i + 1] - start[i]));
  }
  return true;
}

RuleLine::Expansion RuleLine::Expand(const std::vector<std::string>& captures, std::uint64_t count,
                                     std::mt19937_64& random, bool corruptBlockCheck) const {
  Expansion result;
  std::string& out = result.bytes;
  for (const RulePiece& p : pieces_) {
    switch (p.kind) {
      case Kind::Bytes: out += p.bytes; break;
      case Kind::BlockCheck: {
        std::uint8_t check = fkt_CalcBlockCheck(out);
        if (corruptBlockCheck) {
          check ^= 1U;
          result.blockCheckCorrupted = true;
        }
        out.push_back(static_cast<char>(check));
        break;
      }
      case Kind::Capture:
        if (static_cast<std::size_t>(p.capture) <= captures.size())
          out += captures[static_cast<std::size_t>(p.capture) - 1];
        break;
      case Kind::Count: out += std::to_string(count); break;
      case Kind::Random:
        out += FormatScaled(std::uniform_int_distribution<std::int64_t>(p.low, p.high)(random), p.decimals);
        break;
      case Kind::Any: break;  // requests only
    }
  }
  return result;
}
