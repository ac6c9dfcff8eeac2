#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "core/ProfileFile.h"
#include "tests/support/FakePlatform.h"

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

TEST(ProfileFile, ValuesAreCutTo254Characters) {
  const std::string longValue(300, 'x');
  EXPECT_EQ(ProfileFile::FromText("[S]\nK=" + longValue + "\n").Get("S", "K", ""), std::string(254, 'x'));
}

TEST(ProfileFile, MissingFileReadsAsDefault) {
  EXPECT_EQ(ProfileGetString("S", "K", "fallback", "/nonexistent/telvane/none.ini"), "fallback");
}

TEST(ProfileFile, WritingANewFileGivesSectionAndKeysInOrder) {
  ProfileFile file;
  file.Set("SETTINGS", "A", "1");
  file.Set("SETTINGS", "B", "");
  EXPECT_EQ(file.Text(), "[SETTINGS]\r\nA=1\r\nB=\r\n");
}

TEST(ProfileFile, WritingKeepsEveryOtherByte) {
  // A key replaced in place, a key appended after the last line of its
  // section (before the blank line), a new section at the end; the LF-only
  // lines and the comment stay as they were.
  ProfileFile file = ProfileFile::FromText(
      "; comment\n[Other]\nx = 1\n\n[settings]\nUdpPort = 1\nKeep=me\n\n[Last]\ny=2");
  file.Set("SETTINGS", "UdpPort", "8364");
  file.Set("SETTINGS", "Language", "0");
  file.Set("NEW", "Param1", "v");
  EXPECT_EQ(file.Text(),
            "; comment\n[Other]\nx = 1\n\n[settings]\nUdpPort=8364\r\nKeep=me\nLanguage=0\r\n\n[Last]\ny=2\r\n"
            "[NEW]\r\nParam1=v\r\n");
}

TEST(ProfileFile, SaveReplacesTheFileAtomically) {
  FakePlatform platform;
  const auto path = platform.root / "a.ini";
  WriteFile(path, "[S]\nK=old\n");
  ProfileFile file = ProfileFile::Load(path.string());
  file.Set("S", "K", "new");
  std::string reason;
  ASSERT_TRUE(file.Save(path.string(), &reason)) << reason;
  EXPECT_EQ(ReadFile(path), "[S]\nK=new\r\n");
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(platform.root), {}), 3);
}

TEST(ProfileFile, SaveFailuresAreReportedAndLeaveTheOldFile) {
  FakePlatform platform;
  ProfileFile file;
  file.Set("S", "K", "v");
  std::string reason;
  EXPECT_FALSE(file.Save((platform.root / "missing" / "a.ini").string(), &reason));
  EXPECT_FALSE(reason.empty());

  const auto readOnly = platform.root / "ro.ini";
  WriteFile(readOnly, "[S]\nK=old\n");
  ::chmod(readOnly.c_str(), 0444);
  reason.clear();
  EXPECT_FALSE(file.Save(readOnly.string(), &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(ReadFile(readOnly), "[S]\nK=old\n");
}

}  // namespace
