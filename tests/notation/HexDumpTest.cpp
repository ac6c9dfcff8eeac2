// The hex dump of a datagram: offsets, hex bytes and the code page 437
// glyphs the traffic list shows, 16 bytes a line.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "notation/HexDump.h"

namespace {

std::string AllBytes() {
  std::string bytes;
  for (int byte = 0; byte < 256; ++byte) bytes += static_cast<char>(byte);
  return bytes;
}

std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find(u'\n'); end != std::u16string::npos; end = text.find(u'\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

TEST(HexDump, SixteenBytesALineWithOffsetsAndGlyphsLinedUp) {
  const struct {
    std::string bytes;
    const char16_t* dump;
  } cases[] = {
      {"", u""},
      {"\x02",
       u"00000000  02                                                "
       u"\u263B"},
      {"0123456789ABCDEF", u"00000000  30 31 32 33 34 35 36 37  38 39 41 42 43 44 45 46  0123456789ABCDEF"},
      {"0123456789ABCDEFG",
       u"00000000  30 31 32 33 34 35 36 37  38 39 41 42 43 44 45 46  0123456789ABCDEF\n"
       u"00000010  47                                                G"},
      // A frame: STX, text, ETX and its block check (179).
      {std::string("\x02"
                   "0,1,OK\x03\xB3"),
       u"00000000  02 30 2C 31 2C 4F 4B 03  B3                       "
       u"\u263B0,1,OK\u2665\u2502"},
      // Eight bytes end before the wider gap.
      {"\r\n\t\x1B\x7F\x80\xFE\xFF",
       u"00000000  0D 0A 09 1B 7F 80 FE FF                           "
       u"\u266A\u25D9\u25CB\u2190\u2302\u00C7\u25A0\u00A0"},
  };
  for (const auto& c : cases) EXPECT_TRUE(HexDump(c.bytes) == c.dump) << c.bytes;
}

TEST(HexDump, EveryByteHasItsHexAndItsGlyph) {
  const std::vector<std::u16string> lines = Lines(HexDump(AllBytes()));
  ASSERT_EQ(lines.size(), 16U);
  EXPECT_TRUE(lines[0] ==
              u"00000000  00 01 02 03 04 05 06 07  08 09 0A 0B 0C 0D 0E 0F  "
              u" \u263A\u263B\u2665\u2666\u2663\u2660\u2022"
              u"\u25D8\u25CB\u25D9\u2642\u2640\u266A\u266B\u263C");
  EXPECT_TRUE(lines[2] ==
              u"00000020  20 21 22 23 24 25 26 27  28 29 2A 2B 2C 2D 2E 2F  "
              u" !\"#$%&'()*+,-./");
  EXPECT_TRUE(lines[7] ==
              u"00000070  70 71 72 73 74 75 76 77  78 79 7A 7B 7C 7D 7E 7F  "
              u"pqrstuvwxyz{|}~\u2302");
  EXPECT_TRUE(lines[15] ==
              u"000000F0  F0 F1 F2 F3 F4 F5 F6 F7  F8 F9 FA FB FC FD FE FF  "
              u"\u2261\u00B1\u2265\u2264\u2320\u2321\u00F7\u2248"
              u"\u00B0\u2219\u00B7\u221A\u207F\u00B2\u25A0\u00A0");
}

TEST(HexDump, LargestDatagramHasItsOffsetsToTheEnd) {
  // 65,507 bytes (the most a UDP datagram holds): 4,094 lines of 16, one of 3.
  const std::string bytes(65507, 'x');
  const std::vector<std::u16string> lines = Lines(HexDump(bytes));
  ASSERT_EQ(lines.size(), 4094U + 1);
  EXPECT_TRUE(lines[4093].starts_with(u"0000FFD0  78 78"));
  EXPECT_TRUE(lines[4094] == u"0000FFE0  78 78 78                                          xxx");
}

}  // namespace
