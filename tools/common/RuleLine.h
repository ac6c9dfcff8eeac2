#pragma once
// A line in the notation with placeholders in braces, read once: a pattern
// that a datagram must match (a request of telvane-sim's rules, the replies
// telvane-send --expect waits for) or a reply the simulator builds.
//
//   {BCC}              the block check over everything before it, as the
//                      block-check button computes it; in a request, the byte
//                      there must be that block check for the rule to match
//   {*}                requests only: any run of bytes, also none
//   {1} ... {9}        replies only: what the request's first ... ninth {*} matched
//   {COUNT}            replies only: how often this rule has answered or sent, from 1
//   {RANDOM:LOW:HIGH}  replies only: a number from LOW to HIGH with as many
//                      decimals as they have ({RANDOM:20.0:25.0} gives 21.7)
//
// Every "{" up to the next "}" is a placeholder, and an unknown one is an
// error; a "{" with no "}" after it is an ordinary byte, and a literal "{"
// before a "}" is written <123>. The text between placeholders is converted
// with fkt_SpecialCharsToRaw at loading, so a bad token is reported then and
// building a reply never fails.
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

enum class LineUse { Request, Reply };

struct RulePiece {
  enum class Kind { Bytes, BlockCheck, Any, Capture, Count, Random };
  Kind kind = Kind::Bytes;
  std::string bytes;  // Bytes: the converted text
  int capture = 0;    // Capture: 1 to 9
  // Random: the bounds in units of the last decimal (20.0 -> 200).
  std::int64_t low = 0;
  std::int64_t high = 0;
  int decimals = 0;
};

class RuleLine {
 public:
  // Throws std::runtime_error with a message for the operator.
  static RuleLine Parse(const std::string& notation, LineUse use);

  int Wildcards() const;       // how many {*}
  int HighestCapture() const;  // the highest {n}, 0 for none

  // Requests: whether the whole of `request` matches; each {*}'s bytes go to
  // `captures`. Linear in the request for each {*}, so no datagram can make
  // the simulator hang.
  bool Match(std::string_view request, std::vector<std::string>* captures) const;

  struct Expansion {
    std::string bytes;
    bool blockCheckCorrupted = false;
  };
  // Replies: the datagram. With `corruptBlockCheck`, every {BCC} gets a wrong
  // value (still with bit 7 set, so only the check itself can tell).
  Expansion Expand(const std::vector<std::string>& captures, std::uint64_t count, std::mt19937_64& random,
                   bool corruptBlockCheck) const;

 private:
  std::vector<RulePiece> pieces_;
};
