// libFuzzer target for the notation: arbitrary bytes go through both
// conversions. A crash, a sanitizer report, a hang or a broken invariant is a
// finding:
// - fkt_SpecialCharsToRaw returns exactly what the literal conversion of the
//   tests returns, or fails with the same error number (13 or 5);
// - the display form holds only letters, digits, " !.,?" and tokens "<n>" of
//   bytes that are not shown as themselves, with n in decimal without leading
//   zeros;
// - the display form of bytes without "<" and ">" converts back to them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/RunTimeError.h"
#include "notation/Notation.h"
#include "tests/notation/LiteralNotation.h"

namespace {

// The literal conversion is quadratic; longer inputs only test the fast one.
constexpr std::size_t kLongestCompared = 4096;

bool ShownAsItself(char ch) {
  constexpr std::string_view kMarks = " !.,?";
  return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') ||
         kMarks.find(ch) != std::string_view::npos;
}

void Check(bool holds) {
  if (!holds) {
    std::abort();
  }
}

struct Outcome {
  std::optional<std::string> raw;
  int errorNumber = 0;
};

template <typename Convert>
Outcome OutcomeOf(Convert convert, const std::string& notation) {
  try {
    return {convert(notation), 0};
  } catch (const RunTimeError& error) {
    Check(error.Number() == 13 || error.Number() == 5);
    return {std::nullopt, error.Number()};
  }
}

// Decodes the display form token by token and compares it with raw.
void CheckDisplayForm(const std::string& raw, const std::string& display) {
  std::size_t pos = 0;
  for (const char byte : raw) {
    if (ShownAsItself(byte)) {
      Check(pos < display.size() && display[pos] == byte);
      ++pos;
      continue;
    }
    const std::string token = "<" + std::to_string(static_cast<unsigned char>(byte)) + ">";
    Check(display.compare(pos, token.size(), token) == 0);
    pos += token.size();
  }
  Check(pos == display.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  const Outcome fast = OutcomeOf(fkt_SpecialCharsToRaw, input);
  Check(!fast.raw || fast.raw->size() <= input.size());
  if (input.size() <= kLongestCompared) {
    const Outcome literal = OutcomeOf(LiteralSpecialCharsToRaw, input);
    Check(fast.raw == literal.raw && fast.errorNumber == literal.errorNumber);
  }

  const std::string display = fkt_RawToSpecialChars(input);
  CheckDisplayForm(input, display);
  if (input.find_first_of("<>") == std::string::npos) {
    Check(fkt_SpecialCharsToRaw(display) == input);
  }
  return 0;
}
