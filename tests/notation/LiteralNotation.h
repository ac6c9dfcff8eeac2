#pragma once
// fkt_SpecialCharsToRaw written step by step as the notation defines it, with
// no regard for speed: replace each name everywhere, then again and again
// replace the token at the first "<" everywhere. The fast conversion must
// give exactly its results and errors.
#include <string>

std::string LiteralSpecialCharsToRaw(std::string text);
