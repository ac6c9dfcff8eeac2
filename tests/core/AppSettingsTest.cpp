#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/AppSettings.h"
#include "tests/support/FakePlatform.h"

namespace fs = std::filesystem;

namespace {

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings = {};
    SetCommandConfigHooks([this](const std::string& p) { loaded.push_back(p); },
                          [this](const std::string& p) { saved.push_back(p); });
  }
  void TearDown() override { SetCommandConfigHooks(nullptr, nullptr); }

  fs::path SettingsIni() const { return fs::path(platform.SettingsFolder()) / "Settings.ini"; }
  fs::path TemplateIni() const { return fs::path(platform.executableFolder) / "Settings.ini"; }

  FakePlatform platform;
  std::vector<std::string> loaded;
  std::vector<std::string> saved;
};

TEST_F(Settings, NoFileAnywhereLoadsDefaultsAndTheFirstSaveWritesThemInOrder) {
  fkt_LoadSettings();
  EXPECT_EQ(AppSettings.SettingsFolder, platform.SettingsFolder());
  EXPECT_EQ(AppSettings.UdpAddress, kDefaultUdpAddress);
  EXPECT_FALSE(fs::exists(fs::path(platform.commonAppData) / "Kelvor"));  // loading creates nothing
  EXPECT_EQ(loaded, std::vector<std::string>{platform.SettingsFolder() + "DefaultCommands.icf"});
  // Saving creates the missing folder and writes the eleven keys, defaults included.
  AppSettings.UdpAddress = "127.0.0.1";
  fkt_SaveSettings();
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_EQ(ReadFile(SettingsIni()),
            "[SETTINGS]\r\nUdpPort=8364\r\nUdpPortLocale=8364\r\nUdpAddress=127.0.0.1\r\n"
            "LocaleIpAddress=testhost\r\nPeculiar=1\r\nLanguage=1\r\nPrefixOption=0\r\nReadjustOption=0\r\n"
            "PrefixChars=\r\nReadjustChars=\r\nDeleteSendChars=0\r\n");
  EXPECT_EQ(saved, std::vector<std::string>{platform.SettingsFolder() + "DefaultCommands.icf"});
}

TEST_F(Settings, TemplateBesideTheExecutableIsCopiedOnlyOnFirstStart) {
  WriteFile(TemplateIni(), "[SETTINGS]\r\nUdpAddress=127.0.0.9\r\n");
  fkt_LoadSettings();
  EXPECT_EQ(AppSettings.UdpAddress, "127.0.0.9");
  EXPECT_EQ(ReadFile(SettingsIni()), "[SETTINGS]\r\nUdpAddress=127.0.0.9\r\n");
  WriteFile(SettingsIni(), "[SETTINGS]\r\nUdpAddress=127.0.0.5\r\n");
  fkt_LoadSettings();
  EXPECT_EQ(AppSettings.UdpAddress, "127.0.0.5");
  EXPECT_EQ(ReadFile(SettingsIni()), "[SETTINGS]\r\nUdpAddress=127.0.0.5\r\n");
}

TEST_F(Settings, FlagsTakeWholeNumbersUpTo255AndDefaultsOtherwise) {
  struct Case {
    const char* stored;
    int expectedLanguage;
  };
  const Case cases[] = {{"0", 0}, {"1", 1},  {"2", 2},   {"255", 255}, {"abc", 1}, {"300", 1},
                        {"", 1},  {"-1", 1}, {"1.5", 1}, {"&H1", 1},   {"007", 7}};
  for (const Case& c : cases) {
    WriteFile(SettingsIni(), std::string("[SETTINGS]\r\nLanguage=") + c.stored + "\r\nPeculiar=x\r\n");
    fkt_LoadSettings();
    EXPECT_EQ(AppSettings.Language, c.expectedLanguage) << c.stored;
    EXPECT_EQ(AppSettings.Peculiar, 1) << c.stored;
  }
}

TEST_F(Settings, BlanksAroundPrefixAndSuffixAreLostOnTheWayThroughTheFile) {
  fkt_LoadSettings();
  AppSettings.PrefixChars = " <STX> ";
  AppSettings.ReadjustChars = "<ETX> ";
  fkt_SaveSettings();
  fkt_LoadSettings();
  EXPECT_EQ(AppSettings.PrefixChars, "<STX>");
  EXPECT_EQ(AppSettings.ReadjustChars, "<ETX>");
}

TEST_F(Settings, ASettingsFolderOthersMayChangeIsReportedOnceAtStart) {
  // Loaded as usual, the console goes on; the box names the folder, why, and
  // how to restore the policy.
  const fs::path kelvor = fs::path(platform.commonAppData) / "Kelvor";
  WriteFile(SettingsIni(), "[SETTINGS]\r\nUdpAddress=127.0.0.7\r\nLanguage=1\r\n");
  struct Case {
    const char* name;
    mode_t kelvorMode;
    mode_t folderMode;
    uid_t kelvorOwner;   // 0: the current user
    const char* reason;  // nullptr: nothing to report
  };
  const Case cases[] = {
      {"policy", 0755, 02775, 0, nullptr},
      {"legacy folder", 0755, 0777, 0, "Every user may write in it."},
      {"legacy parent", 0777, 02775, 0, "Every user may write in it."},
      {"operator's parent", 0755, 02775, 4242, "It belongs neither to root nor to you."},
  };
  for (const Case& c : cases) {
    if (c.kelvorOwner != 0 && ::geteuid() != 0) continue;  // chown needs root
    ::chmod(kelvor.c_str(), c.kelvorMode);
    ::chmod(SettingsIni().parent_path().c_str(), c.folderMode);
    ASSERT_EQ(::chown(kelvor.c_str(), c.kelvorOwner == 0 ? ::geteuid() : c.kelvorOwner, ::getegid()), 0);
    platform.messages.clear();
    fkt_LoadSettings();
    EXPECT_EQ(AppSettings.UdpAddress, "127.0.0.7") << c.name;
    if (c.reason == nullptr) {
      EXPECT_TRUE(platform.messages.empty()) << c.name;
      continue;
    }
    ASSERT_EQ(platform.messages.size(), 1U) << c.name;
    const std::string& text = platform.messages[0].text;
    EXPECT_EQ(text.rfind("The settings folder is open to users outside the operators' group", 0), 0U) << text;
    EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    EXPECT_NE(text.find("chown root:telvane " + SettingsIni().parent_path().string() + "; chmod 2775 " +
                        SettingsIni().parent_path().string()),
              std::string::npos)
        << text;
    fkt_SaveSettings();
    EXPECT_EQ(platform.messages.size(), 1U) << c.name;  // once, at start
  }
  EXPECT_EQ(::chown(kelvor.c_str(), ::geteuid(), ::getegid()), 0);
}

TEST_F(Settings, SaveThatFailsNamesTheFile) {
  // A file where the "Kelvor" folder should be: nothing can be created.
  WriteFile(fs::path(platform.commonAppData) / "Kelvor", "blocker");
  fkt_LoadSettings();
  AppSettings.Language = 1;
  fkt_SaveSettings();
  ASSERT_EQ(platform.messages.size(), 1U);
  EXPECT_NE(platform.messages[0].text.find(platform.SettingsFolder() + "Settings.ini"), std::string::npos);
  EXPECT_EQ(platform.messages[0].caption, "Error");
  EXPECT_EQ(platform.messages[0].icon, MessageIcon::Error);
}

TEST_F(Settings, ConsolePreferencesLiveInASectionOfTheirOwnWrittenOnceChanged) {
  const std::string settings = "[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nLanguage=1\r\n[OTHER]\r\nKept=yes\r\n";
  WriteFile(SettingsIni(), settings);
  fkt_LoadSettings();
  EXPECT_EQ(AppSettings.FollowNewEntries, 0);
  EXPECT_EQ(AppSettings.AppendBlockCheck, 0);
  // Unchanged preferences add nothing to the file.
  fkt_SaveSettings();
  const std::string partKeys = ReadFile(SettingsIni());
  EXPECT_EQ(partKeys.find("CONSOLE"), std::string::npos) << partKeys;
  EXPECT_NE(partKeys.find("[OTHER]\r\nKept=yes\r\n"), std::string::npos) << partKeys;

  AppSettings.FollowNewEntries = 1;
  fkt_SaveSettings();
  EXPECT_EQ(ReadFile(SettingsIni()), partKeys + "[CONSOLE]\r\nFollowNewEntries=1\r\n");
  fkt_LoadSettings();
  EXPECT_EQ(AppSettings.FollowNewEntries, 1);
  // Switched off again, the key stays and says so.
  AppSettings.FollowNewEntries = 0;
  AppSettings.AppendBlockCheck = 1;
  fkt_SaveSettings();
  EXPECT_EQ(ReadFile(SettingsIni()), partKeys + "[CONSOLE]\r\nFollowNewEntries=0\r\nAppendBlockCheck=1\r\n");

  // A planted value is on only when it says 1.
  struct Case {
    const char* stored;
    int expected;
  };
  const Case cases[] = {{"1", 1}, {"01", 1}, {" 1 ", 1}, {"0", 0}, {"2", 0}, {"255", 0}, {"yes", 0}, {"", 0}};
  for (const Case& c : cases) {
    WriteFile(SettingsIni(),
              settings + "[console]\r\nfollownewentries=" + c.stored + "\r\nAppendBlockCheck=" + c.stored + "\r\n");
    fkt_LoadSettings();
    EXPECT_EQ(AppSettings.FollowNewEntries, c.expected) << c.stored;
    EXPECT_EQ(AppSettings.AppendBlockCheck, c.expected) << c.stored;
  }
}

}  // namespace
