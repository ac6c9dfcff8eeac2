#pragma once
// The system's 8-bit code page is Windows-1252. All text inside the program is
// bytes (std::string); it becomes Unicode only at the widget boundary, through
// BytesToUtf16 / Utf16ToBytes. Every one of the 256 byte values round-trips:
// the five bytes that Windows-1252 leaves undefined map to the C1 controls
// U+0081, U+008D, U+008F, U+0090 and U+009D.
//
// The traffic list shows bytes as the glyphs of code page 437, so control
// characters and codes above 127 stay visible (STX shows as U+263B).
#include <string>
#include <string_view>

char16_t Cp1252ToUnicode(unsigned char byte);
// The byte for a Unicode character, or -1 when the code page has none.
int UnicodeToCp1252(char32_t ch);

std::u16string BytesToUtf16(std::string_view bytes);
// Characters without a byte become "?"; a surrogate pair is one character.
std::string Utf16ToBytes(std::u16string_view text);
// UTF-8 source text (string table, fixed captions) to bytes.
std::string Utf8ToBytes(std::string_view utf8);

// The lower-case letter of a byte, where it is a capital (A-Z, and the
// accented capitals, Š, Œ, Ž and Ÿ of Windows-1252); any other byte as it is.
char Cp1252ToLower(char byte);

char16_t Cp437Glyph(unsigned char byte);
std::u16string BytesToCp437Glyphs(std::string_view bytes);
