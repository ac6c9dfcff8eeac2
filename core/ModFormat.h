#pragma once
// Small text helpers shared by start-up and the dialogs.
#include <cstdint>
#include <string>

// The one-character text with 8-bit code `code`, or the empty text for a code
// outside 0 .. 255.
std::string fktFormatChr(int code);

// Field `index` (counted from 1) of `source`, fields separated by the
// one-character text `separator`. With `numbersOnly` only "-", "." and decimal
// digits are kept. Too few fields, or index 0, give the empty text. A separator
// that is not exactly one character never matches, so the whole text is field 1.
std::string fkt_FormatExtractSpecParameter(const std::string& source, std::uint8_t index, bool numbersOnly,
                                           const std::string& separator);
