// The walk along the cache path to the folder of the traffic list's files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/AppSettings.h"
#include "tests/support/FakePlatform.h"
#include "traffic/StoreFolder.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 4242;

class StoreFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    AppSettings = {};
    AppSettings.Language = 1;
    fs::create_directories(root / "target");
  }
  // Opens the folder and says whether it is `expected`, or why not.
  ::testing::AssertionResult Opens(const fs::path& path, const fs::path& expected) const {
    std::string reason;
    const int fd = OpenStoreFolder(path.string(), &reason);
    if (fd < 0) return ::testing::AssertionFailure() << reason;
    struct stat opened {};
    struct stat wanted {};
    ::fstat(fd, &opened);
    ::close(fd);
    if (::stat(expected.c_str(), &wanted) != 0 || opened.st_ino != wanted.st_ino || opened.st_dev != wanted.st_dev) {
      return ::testing::AssertionFailure() << "opened another folder than " << expected;
    }
    return ::testing::AssertionSuccess();
  }
  std::string Refusal(const fs::path& path) const {
    std::string reason;
    const int fd = OpenStoreFolder(path.string(), &reason);
    if (fd >= 0) ::close(fd);
    return fd >= 0 ? "opened" : reason;
  }

  FakePlatform platform;
  const fs::path root = platform.root;
};

TEST_F(StoreFolder, FollowsTheCurrentUsersLinksAndMakesMissingFoldersForThemAlone) {
  fs::create_symlink(root / "target", root / "absolute");
  fs::create_symlink("target", root / "relative");
  fs::create_symlink("relative", root / "chained");
  fs::create_directories(root / "shared");
  fs::permissions(root / "shared", fs::perms::all | fs::perms::sticky_bit);
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"target", "target"},
      {"new/a/b", "new/a/b"},
      {"absolute/telvane", "target/telvane"},
      {"relative/./x/", "target/x"},
      {"chained/y", "target/y"},
      {"absolute/../side", "side"},  // the parent of the link's target
      {"shared", "shared"},          // a temporary folder: sticky, for everyone
  };
  for (const auto& c : cases) EXPECT_TRUE(Opens(root / c.path, root / c.expected)) << c.path;
  for (const char* made : {"new", "new/a", "new/a/b", "target/telvane", "side"}) {
    struct stat info {};
    ::stat((root / made).c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, 0700U) << made;
  }
}

TEST_F(StoreFolder, ARefusalNamesTheComponentAndWhy) {
  fs::create_symlink("loop", root / "loop");
  fs::create_directories(root / "open");
  fs::permissions(root / "open", fs::perms::all);
  WriteFile(root / "file", "x");
  EXPECT_EQ(Refusal("relative/path"), "relative/path: not an absolute path");
  EXPECT_EQ(Refusal(root / "loop" / "x"), (root / "loop").string() + ": Too many levels of symbolic links");
  EXPECT_EQ(Refusal(root / "file" / "x"), (root / "file").string() + ": Not a directory");
  EXPECT_EQ(Refusal(root / "open"), (root / "open").string() + ": other users may write to it");
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's links and folders";
  fs::create_directories(root / "alice");
  ASSERT_EQ(::chown((root / "alice").c_str(), kOtherUser, kOtherUser), 0);
  fs::create_symlink(root / "target", root / "theirs");
  ASSERT_EQ(::lchown((root / "theirs").c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_EQ(Refusal(root / "alice" / ".cache"), (root / "alice").string() + ": a folder owned by another user");
  EXPECT_EQ(Refusal(root / "theirs" / "x"), (root / "theirs").string() + ": a symbolic link owned by another user");
  EXPECT_TRUE(fs::is_empty(root / "alice"));
  EXPECT_TRUE(fs::is_empty(root / "target"));
}

}  // namespace
