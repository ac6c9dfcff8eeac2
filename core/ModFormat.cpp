#include "core/ModFormat.h"

std::string fktFormatChr(int code) {
  // Every code of the 8-bit code page reads back as itself (all 256 bytes
  // round-trip), so the check for a changed code never fires here.
  if (code < 0 || code > 255) return {};
  return std::string(1, static_cast<char>(code));
}

std::string fkt_FormatExtractSpecParameter(const std::string& source, std::uint8_t index, bool numbersOnly,
                                           const std::string& separator) {
  const bool separatorUsable = separator.size() == 1;
  std::string field;
  unsigned counter = 0;
  // Positions 0 .. size(); the one past the end closes the last field.
  for (std::size_t i = 0; i <= source.size(); ++i) {
    const bool atEnd = i == source.size();
    if (atEnd || (separatorUsable && source[i] == separator[0])) {
      ++counter;
      if (counter == index) return field;
      field.clear();
      continue;
    }
    const char c = source[i];
    if (!numbersOnly || c == '-' || c == '.' || (c >= '0' && c <= '9')) field.push_back(c);
  }
  return {};
}
