#pragma once
// The numeric part of fkt_SpecialCharsToRaw, for text whose named tokens are
// already replaced.
#include <string>

// Replaces the numeric tokens as fkt_SpecialCharsToRaw describes: the token
// at the first "<" is replaced everywhere, then the search starts again at
// the first "<" of the changed text. Throws RunTimeError 13 or 5.
std::string ReplaceNumericTokens(std::string text);
