#include "notation/HexDump.h"

#include "core/CodePage.h"

namespace {
constexpr char16_t kHexDigits[] = u"0123456789ABCDEF";
// "00000000" + two blanks, 16 x "XX " + one blank more after the eighth,
// one blank more before the glyphs, 16 glyphs.
constexpr std::size_t kOffsetDigits = 8;
constexpr std::size_t kHexColumn = kOffsetDigits + 2;
constexpr std::size_t kGlyphColumn = kHexColumn + 3 * kHexDumpBytesPerLine + 2;
constexpr std::size_t kLineChars = kGlyphColumn + kHexDumpBytesPerLine;
}  // namespace

std::u16string HexDump(std::string_view bytes) {
  std::u16string text;
  const std::size_t lines = (bytes.size() + kHexDumpBytesPerLine - 1) / kHexDumpBytesPerLine;
  // Built in one go: a 64 KiB datagram is 4,096 lines of 76 characters.
  text.reserve(lines * (kLineChars + 1));
  for (std::size_t start = 0; start < bytes.size(); start += kHexDumpBytesPerLine) {
    if (start != 0) text += u'\n';
    const std::size_t lineStart = text.size();
    for (std::size_t digit = kOffsetDigits; digit-- > 0;) text += kHexDigits[(start >> (4 * digit)) & 0xF];
    text.resize(lineStart + kGlyphColumn, u' ');
    const std::string_view line = bytes.substr(start, kHexDumpBytesPerLine);
    for (std::size_t i = 0; i < line.size(); ++i) {
      const auto byte = static_cast<unsigned char>(line[i]);
      const std::size_t at = lineStart + kHexColumn + 3 * i + (i >= kHexDumpBytesPerLine / 2 ? 1 : 0);
      text[at] = kHexDigits[byte >> 4];
      text[at + 1] = kHexDigits[byte & 0xF];
      text += Cp437Glyph(byte);
    }
  }
  return text;
}
