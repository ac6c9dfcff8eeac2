#include "notation/Notation.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

#include "notation/NumericTokens.h"

namespace {

struct NamedToken {
  std::string_view name;
  char byte;
};

// In the order in which they are replaced.
constexpr std::array<NamedToken, 8> kNamedTokens{{
    {"<STX>", '\x02'},
    {"<ETX>", '\x03'},
    {"<EOT>", '\x04'},
    {"<ENQ>", '\x05'},
    {"<ACK>", '\x06'},
    {"<LF>", '\x0A'},
    {"<CR>", '\x0D'},
    {"<NAK>", '\x15'},
}};

// Replacing the names one after the other equals one pass from the left: two
// names cannot overlap (each holds its only "<" at the start), and the
// control byte that replaces a name cannot be part of another name, so every
// name finds the same occurrences in either order.
std::string ReplaceNamedTokens(const std::string& notation) {
  std::string replaced;
  replaced.reserve(notation.size());
  const std::string_view text = notation;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::string_view rest = text.substr(pos);
    const auto match = std::find_if(kNamedTokens.begin(), kNamedTokens.end(),
                                    [rest](const NamedToken& token) { return rest.starts_with(token.name); });
    if (match != kNamedTokens.end()) {
      replaced += match->byte;
      pos += match->name.size();
    } else {
      replaced += rest.front();
      ++pos;
    }
  }
  return replaced;
}

bool StandsForItself(unsigned char byte) {
  constexpr std::string_view kMarks = " !.,?";
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
         kMarks.find(static_cast<char>(byte)) != std::string_view::npos;
}

}  // namespace

std::string fkt_SpecialCharsToRaw(const std::string& notation) {
  return ReplaceNumericTokens(ReplaceNamedTokens(notation));
}

std::string fkt_RawToSpecialChars(const std::string& raw) {
  std::string display;
  display.reserve(raw.size());
  for (const char ch : raw) {
    const auto byte = static_cast<unsigned char>(ch);
    if (StandsForItself(byte)) {
      display += ch;
      continue;
    }
    std::array<char, 3> digits{};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), byte).ptr;
    display += '<';
    display.append(digits.data(), end);
    display += '>';
  }
  return display;
}
