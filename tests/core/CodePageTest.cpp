#include <gtest/gtest.h>

#include <string>

#include "core/CodePage.h"

TEST(CodePage, EveryByteRoundTripsThroughUnicode) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::u16string text = BytesToUtf16(all);
  ASSERT_EQ(text.size(), 256U);
  EXPECT_EQ(Utf16ToBytes(text), all);
}

TEST(CodePage, MapsBytesLikeWindows1252) {
  struct Case {
    unsigned char byte;
    char16_t unicode;
  };
  // clang-format off
  const Case cases[] = {
      {0x41, u'A'},    {0x80, 0x20AC}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8F, 0x008F}, {0x90, 0x0090},
      {0x9D, 0x009D}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xE4, 0x00E4}, {0xDC, 0x00DC}, {0xFF, 0x00FF},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp1252ToUnicode(c.byte), c.unicode) << int(c.byte);
    EXPECT_EQ(UnicodeToCp1252(c.unicode), c.byte) << int(c.byte);
  }
}

TEST(CodePage, CharactersWithoutAByteBecomeQuestionMarks) {
  EXPECT_EQ(Utf16ToBytes(u"a\u4E2Db"), "a?b");
  EXPECT_EQ(Utf16ToBytes(u"x\U0001F600y"), "x?y");  // one character, two code units
  EXPECT_EQ(Utf8ToBytes("\xC3\x9C" "bernehmen \xE2\x82\xAC \xF0\x9F\x98\x80"), "\xDC" "bernehmen \x80 ?");
  EXPECT_EQ(Utf8ToBytes("cut\xE2\x82"), "cut?");
}

TEST(CodePage, TrafficGlyphsShowControlAndHighCodes) {
  struct Case {
    unsigned char byte;
    char16_t glyph;
  };
  // clang-format on
  const Case cases[] = {{2, 0x263B},    {3, 0x2665},    {10, 0x25D9},   {13, 0x266A},  {'A', u'A'},
                        {0x7F, 0x2302}, {0xB3, 0x2502}, {0xE4, 0x03A3}, {0xFF, 0x00A0}};
  for (const Case& c : cases) EXPECT_EQ(Cp437Glyph(c.byte), c.glyph) << int(c.byte);
  EXPECT_EQ(BytesToCp437Glyphs("\x02"
                               "0,1\x03"),
            u"\u263B0,1\u2665");
}
