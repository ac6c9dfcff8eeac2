#include <gtest/gtest.h>

#include <string>

#include "core/AppSettings.h"
#include "core/CodePage.h"
#include "core/StringTable.h"

namespace {

struct LookupCase {
  int language;
  int id;
  const char* expectedUtf8;
};

class Lookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(Lookup, GivesTheRowOfTheSelectedLanguage) {
  const LookupCase& c = GetParam();
  AppSettings.Language = static_cast<std::uint8_t>(c.language);
  EXPECT_EQ(fkt_LoadResText(c.id), Utf8ToBytes(c.expectedUtf8));
}

INSTANTIATE_TEST_SUITE_P(Table, Lookup,
                         ::testing::Values(LookupCase{0, 1001, "Datei"}, LookupCase{1, 1001, "File"},
                                           LookupCase{2, 1001, "File"}, LookupCase{255, 1001, "File"},
                                           LookupCase{0, 1518, "UDP-Port (Lokal)"},
                                           LookupCase{1, 1518, "UDP-Port (Local)"},
                                           LookupCase{0, 1032, "Sonderzeichen einfügen..."},
                                           LookupCase{0, 1708, "Zustand: Partner schließt die Verbindung."},
                                           LookupCase{0, 1509, "(Fix: 8 Datenbits, keine Pärität, 1 Stoppbit)"},
                                           // No row in either language: the empty text.
                                           LookupCase{0, 3154, ""}, LookupCase{1, 3154, ""},
                                           // An English id asked for directly has no English row (id + 10000):
                                           // the fallback ends at the row itself. With English selected, only
                                           // the last step (the row under the id as given) finds it.
                                           LookupCase{0, 11001, "File"}, LookupCase{1, 11001, "File"}));

TEST(StringTable, SingleLookupsGiveCodePageBytesAndNothingForMissingRows) {
  EXPECT_EQ(fkt_LoadResTextGerman(1301), std::string(1, '\xDC') + "bernehmen");
  EXPECT_EQ(fkt_LoadResTextEnglish(1001), "File");
  EXPECT_EQ(fkt_LoadResTextGerman(11001), "File");
  EXPECT_EQ(fkt_LoadResTextGerman(999), "");
  EXPECT_EQ(fkt_LoadResTextEnglish(2147483647), "");  // no overflow at the top of the id range
}

struct FillCase {
  const char* name;
  const char* templateText;
  std::string p1, p2, p3, p4, p5;
  const char* expected;
};

class InsertParam : public ::testing::TestWithParam<FillCase> {};

TEST_P(InsertParam, FillsFromLeftToRight) {
  const FillCase& c = GetParam();
  EXPECT_EQ(fkt_FormatInsertParam(c.templateText, c.p1, c.p2, c.p3, c.p4, c.p5), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InsertParam,
    ::testing::Values(FillCase{"both", "Befehl %% [F%%]", "3", "3", "", "", "", "Befehl 3 [F3]"},
                      FillCase{"firstEmptyStillRemoved", "Befehl %% [F%%]", "", "3", "", "", "", "Befehl  [F3]"},
                      FillCase{"stopsAtFirstEmpty", "Befehl %% [F%%]", "3", "", "", "", "", "Befehl 3 [F%%]"},
                      FillCase{
                          "errorTextStopsAfterEmptyDescription",
                          "Es ist ein Fehler bei folgender Aktion aufgetreten: %%.%%Beschreibung: %%.%%Fehler: %%.",
                          "X", "\r\n", "", "\r\n", "13",
                          "Es ist ein Fehler bei folgender Aktion aufgetreten: X.\r\nBeschreibung: %%.%%Fehler: %%."},
                      FillCase{"noPlaceholder", "plain", "a", "b", "", "", "", "plain"},
                      FillCase{"extraParametersIgnored", "%%", "a", "b", "c", "", "", "a"},
                      FillCase{"placeholderInsideParameterIsNextPlace", "%% end", "<%%>", "x", "", "", "", "<x> end"},
                      FillCase{"fiveInOrder", "%%%%%%%%%%", "1", "2", "3", "4", "5", "12345"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StringTable, ElevenPlaceholdersAtMost) {
  const std::string twelve = "%%%%%%%%%%%%%%%%%%%%%%%%";
  EXPECT_EQ(fkt_FormatInsertParam(twelve, "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"), "abcdefghijk%%");
}

}  // namespace
