#include <gtest/gtest.h>

#include <string>

#include "core/ProfileFile.h"

namespace {

struct ReadCase {
  const char* name;
  const char* fileText;
  const char* section;
  const char* key;
  const char* expected;
};

class ProfileRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FollowsTheProfileRules) {
  const ReadCase& c = GetParam();
  EXPECT_EQ(ProfileFile::FromText(c.fileText).Get(c.section, c.key, "DEF"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileRead,
    ::testing::Values(ReadCase{"plain", "[SETTINGS]\r\nUdpPort=8364\r\n", "SETTINGS", "UdpPort", "8364"},
                      ReadCase{"namesIgnoreCase", "[settings]\nudpport=1\n", "SETTINGS", "UDPPORT", "1"},
                      ReadCase{"blanksDropped", "[S]\r\n  K  =   a b  \r\n", "S", "K", "a b"},
                      ReadCase{"doubleQuotesDropped", "[S]\nK=\" x \"\n", "S", "K", " x "},
                      ReadCase{"singleQuotesDropped", "[S]\nK='y'\n", "S", "K", "y"},
                      ReadCase{"onlyOnePairDropped", "[S]\nK=\"\"z\"\"\n", "S", "K", "\"z\""},
                      ReadCase{"unmatchedQuoteKept", "[S]\nK=\"z'\n", "S", "K", "\"z'"},
                      ReadCase{"emptyValueIsNotDefault", "[S]\nK=\n", "S", "K", ""},
                      ReadCase{"missingKey", "[S]\nOther=1\n", "S", "K", "DEF"},
                      ReadCase{"missingSection", "[T]\nK=1\n", "S", "K", "DEF"},
                      ReadCase{"keyOfAnotherSection", "[S]\nA=1\n[T]\nK=2\n", "S", "K", "DEF"},
                      ReadCase{"firstKeyWins", "[S]\nK=1\nK=2\n", "S", "K", "1"},
                      ReadCase{"valueKeepsEqualsSigns", "[S]\nK=a=b\n", "S", "K", "a=b"},
                      ReadCase{"highBytesKept", "[S]\nK=\xE4\xFC<179>\n", "S", "K", "\xE4\xFC<179>"},
                      // Line ends: only LF ends a line; the CRs right before it (or before
                      // the end of the file) belong to the line end, any other CR to the line.
                      ReadCase{"crLfEndsALine", "[S]\r\nK=1\r\nL=2\r\n", "S", "L", "2"},
                      ReadCase{"loneLfEndsALine", "[S]\nK=1\nL=2\n", "S", "L", "2"},
                      ReadCase{"loneCrStaysInTheValue", "[S]\r\nK=a\rb\r\n", "S", "K", "a\rb"},
                      ReadCase{"loneCrStartsNoKey", "[S]\r\nK=a\rL=2\r\n", "S", "L", "DEF"},
                      ReadCase{"loneCrStartsNoSection", "[T]\r\nX=1\r[S]\r\nK=2\r\n", "S", "K", "DEF"},
                      ReadCase{"crsAtTheEndOfAValueEndTheLine", "[S]\r\nK=v\r\r\nL=2\r\n", "S", "K", "v"},
                      ReadCase{"crAtTheEndOfTheFileEndsTheLine", "[S]\r\nK=v\r", "S", "K", "v"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFile, WritingKeepsEveryOtherByte) {
  // A key replaced in place, a key appended after the last line of its
  // section (before the blank line), a new section at the end; the LF-only
  // lines and the comment stay as they were.
  ProfileFile file =
      ProfileFile::FromText("; comment\n[Other]\nx = 1\n\n[settings]\nudpport = 1\nKeep=me\n\n[Last]\ny=2");
  ASSERT_TRUE(file.Set("SETTINGS", "UdpPort", "8364"));
  ASSERT_TRUE(file.Set("SETTINGS", "Language", "0"));
  ASSERT_TRUE(file.Set("NEW", "Param1", "v"));
  EXPECT_EQ(file.Text(),
            "; comment\n[Other]\nx = 1\n\n[settings]\nUdpPort=8364\r\nKeep=me\nLanguage=0\r\n\n[Last]\ny=2\r\n"
            "[NEW]\r\nParam1=v\r\n");
}

TEST(ProfileFile, AFileEditedElsewhereKeepsEveryByteWhenItsValuesAreWrittenBack) {
  // Written back as a save does it: every key set to the value read. The
  // value holding a lone CR cannot be written as one line, but the file
  // already holds it, so its line stays; the CR CR LF line is the program's
  // own once replaced.
  const std::string original =
      "[SETTINGS]\r\nUdpPort=8364\r\nPrefixChars= a\rb \r\nReadjustChars=<ETX>\r\r\n[Other]\nx=1\ry\r\n";
  ProfileFile file = ProfileFile::FromText(original);
  for (const char* key : {"UdpPort", "PrefixChars"}) {
    EXPECT_TRUE(file.Set("SETTINGS", key, file.Get("SETTINGS", key, ""))) << key;
  }
  EXPECT_EQ(file.Text(), original);
  ASSERT_TRUE(file.Set("SETTINGS", "ReadjustChars", file.Get("SETTINGS", "ReadjustChars", "")));
  EXPECT_EQ(file.Text(),
            "[SETTINGS]\r\nUdpPort=8364\r\nPrefixChars= a\rb \r\nReadjustChars=<ETX>\r\n[Other]\nx=1\ry\r\n");
  // Changed, the value is written as usual and replaces the whole line.
  ASSERT_TRUE(file.Set("SETTINGS", "PrefixChars", "a<CR>b"));
  EXPECT_EQ(file.Get("SETTINGS", "PrefixChars", ""), "a<CR>b");
  EXPECT_EQ(file.Text(),
            "[SETTINGS]\r\nUdpPort=8364\r\nPrefixChars=a<CR>b\r\nReadjustChars=<ETX>\r\n[Other]\nx=1\ry\r\n");
}

TEST(ProfileFile, AKeyWrittenBehindACrAtTheEndOfTheFileStartsALineOfItsOwn) {
  ProfileFile file = ProfileFile::FromText("[S]\r\nK=v\r");
  ASSERT_TRUE(file.Set("S", "L", "2"));
  EXPECT_EQ(file.Text(), "[S]\r\nK=v\r\nL=2\r\n");
}

TEST(ProfileFile, AValueIsCutTo254Characters) {
  const std::string full(254, 'v');
  const std::pair<std::string, std::string> cases[] = {
      {full, full},
      {full + "w", full},
      {full + "wxyz", full},
      {"\"" + full + "\"", full},  // the quotes are dropped before the cut
      {full.substr(1) + "wx", full.substr(1) + "w"},
  };
  for (const auto& [raw, expected] : cases) {
    EXPECT_EQ(ProfileFile::FromText("[S]\r\nK=" + raw + "\r\n").Get("S", "K", ""), expected) << raw.size();
  }
  EXPECT_EQ(ProfileFile::FromText("").Get("S", "K", full + "w"), full);  // the default too
}

TEST(ProfileFile, ALineBreakAnywhereIsRefusedAndChangesNothing) {
  // A value pasted with line breaks would otherwise add sections and keys.
  const std::string original = "[SETTINGS]\r\nParam3=old\r\nParam4=mine\r\n";
  for (const char* value : {"first\r\n[SETTINGS]\r\nParam4=injected", "a\nb", "a\rb", "\n"}) {
    ProfileFile file = ProfileFile::FromText(original);
    EXPECT_FALSE(file.Set("SETTINGS", "Param3", value));
    EXPECT_FALSE(file.Set("SETTINGS", value, "x"));
    EXPECT_FALSE(file.Set(value, "Param3", "x"));
    EXPECT_EQ(file.Text(), original);
  }
}

}  // namespace
