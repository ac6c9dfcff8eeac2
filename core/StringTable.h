#pragma once
// Localized texts. Every text shown in the windows and message boxes, apart
// from a few fixed captions, comes from one string table that holds it in
// German under its id and in English under id + 10000. Texts are bytes in the
// 8-bit code page. The language is read from AppSettings.Language at every
// call: 0 is German, any other value English.
#include <cstdint>
#include <string>

// The text for a German id in the selected language, falling back to English,
// then German; the empty text when neither row exists.
std::string fkt_LoadResText(std::int32_t id);

// The three single lookups that fkt_LoadResText combines.
std::string fkt_LoadResTextSelected(std::int32_t id);
std::string fkt_LoadResTextEnglish(std::int32_t id);
std::string fkt_LoadResTextGerman(std::int32_t id);

// Fills "%%" placeholders from left to right; see the definition for the rule.
std::string fkt_FormatInsertParam(const std::string& strText, const std::string& p1 = {}, const std::string& p2 = {},
                                  const std::string& p3 = {}, const std::string& p4 = {}, const std::string& p5 = {},
                                  const std::string& p6 = {}, const std::string& p7 = {}, const std::string& p8 = {},
                                  const std::string& p9 = {}, const std::string& p10 = {}, const std::string& p11 = {});
