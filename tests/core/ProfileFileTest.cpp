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
    ::testing::Values(
        ReadCase{"plain", "[SETTINGS]\r\nUdpPort=8364\r\n", "SETTINGS", "UdpPort", "8364"},
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
        ReadCase{"highBytesKept", "[S]\nK=\xE4\xFC<179>\n", "S", "K", "\xE4\xFC<179>"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFile, WritingKeepsEveryOtherByte) {
  // A key replaced in place, a key appended after the last line of its
  // section (before the blank line), a new section at the end; the LF-only
  // lines and the comment stay as they were.
  ProfileFile file = ProfileFile::FromText(
      "; comment\n[Other]\nx = 1\n\n[settings]\nUdpPort = 1\nKeep=me\n\n[Last]\ny=2");
  ASSERT_TRUE(file.Set("SETTINGS", "UdpPort", "8364"));
  ASSERT_TRUE(file.Set("SETTINGS", "Language", "0"));
  ASSERT_TRUE(file.Set("NEW", "Param1", "v"));
  EXPECT_EQ(file.Text(),
            "; comment\n[Other]\nx = 1\n\n[settings]\nUdpPort=8364\r\nKeep=me\nLanguage=0\r\n\n[Last]\ny=2\r\n"
            "[NEW]\r\nParam1=v\r\n");
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
