#include <gtest/gtest.h>

#include <filesystem>

#include "core/AppSettings.h"
#include "core/ModFile.h"
#include "tests/support/FakePlatform.h"

namespace fs = std::filesystem;

TEST(ModFile, FileExistsIsTrueOnlyForFiles) {
  FakePlatform platform;
  WriteFile(platform.root / "f.txt", "x");
  EXPECT_TRUE(fkt_FileExists((platform.root / "f.txt").string()));
  EXPECT_FALSE(fkt_FileExists(platform.root.string()));
  EXPECT_FALSE(fkt_FileExists((platform.root / "none").string()));
  EXPECT_TRUE(fkt_FolderExists(platform.root.string()));
  EXPECT_FALSE(fkt_FolderExists((platform.root / "f.txt").string()));
}

TEST(ModFile, CreatePathMakesEveryMissingFolder) {
  FakePlatform platform;
  EXPECT_TRUE(fkt_CreatePath(platform.root.string(), true));
  const fs::path deep = platform.root / "a" / "b" / "c";
  EXPECT_TRUE(fkt_CreatePath(deep.string() + "/", true));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(platform.messages.empty());
}

TEST(ModFile, CreatePathReportsAFolderItCannotMake) {
  FakePlatform platform;
  AppSettings.Language = 1;
  WriteFile(platform.root / "blocker", "a file where a folder should go");
  const std::string path = (platform.root / "blocker" / "sub").string();

  EXPECT_FALSE(fkt_CreatePath(path, false));
  EXPECT_TRUE(platform.messages.empty());

  EXPECT_FALSE(fkt_CreatePath(path, true));
  // Once where the walk stops, once more for the result.
  ASSERT_EQ(platform.messages.size(), 2U);
  EXPECT_EQ(platform.messages[0].text, "Error while create file directory!\r\n");
  EXPECT_EQ(platform.messages[0].caption, "Error");
}
