#include "tests/notation/LiteralNotation.h"

#include <cctype>
#include <string_view>
#include <utility>

#include "core/RunTimeError.h"

namespace {

void ReplaceAll(std::string& text, const std::string& token, char byte) {
  for (auto pos = text.find(token); pos != std::string::npos; pos = text.find(token, pos + 1)) {
    text.replace(pos, token.size(), 1, byte);
  }
}

char LiteralTokenByte(std::string_view inner) {
  const bool negative = !inner.empty() && inner.front() == '-';
  if (!inner.empty() && (inner.front() == '-' || inner.front() == '+')) {
    inner.remove_prefix(1);
  }
  if (inner.empty()) {
    throw RunTimeError::TypeMismatch();
  }
  for (const char ch : inner) {
    if (std::isdigit(static_cast<unsigned char>(ch)) == 0) {
      throw RunTimeError::TypeMismatch();
    }
  }
  while (inner.size() > 1 && inner.front() == '0') {
    inner.remove_prefix(1);
  }
  const int value = inner.size() > 3 ? 1000 : std::stoi(std::string(inner));
  if (value > 255 || (negative && value != 0)) {
    throw RunTimeError::InvalidArgument();
  }
  return static_cast<char>(value);
}

}  // namespace

std::string LiteralSpecialCharsToRaw(std::string text) {
  const std::pair<const char*, char> names[] = {{"<STX>", 2}, {"<ETX>", 3}, {"<EOT>", 4}, {"<ENQ>", 5},
                                                {"<ACK>", 6}, {"<LF>", 10}, {"<CR>", 13}, {"<NAK>", 21}};
  for (const auto& [name, byte] : names) {
    ReplaceAll(text, name, byte);
  }
  for (;;) {
    const auto open = text.find('<');
    if (open == std::string::npos) {
      break;
    }
    const auto close = text.find('>', open);
    if (close == std::string::npos) {
      break;
    }
    const std::string inner = text.substr(open + 1, close - open - 1);
    ReplaceAll(text, "<" + inner + ">", LiteralTokenByte(inner));
  }
  return text;
}
