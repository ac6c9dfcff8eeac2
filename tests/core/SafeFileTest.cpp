// The safe way into the shared folder: what the console-level table of
// planted entries cannot show (modes, links the user owns, stale temporary
// files, another user's view of the folder).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "core/SafeFile.h"
#include "tests/support/FakePlatform.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 4242;

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return info.st_mode & 07777;
}

// Runs `body` in a child process whose effective user is kOtherUser and
// returns its exit code (the tests run as root in CI).
int RunAsOtherUser(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setegid(kOtherUser) != 0 || ::seteuid(kOtherUser) != 0) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

class SafeFile : public ::testing::Test {
 protected:
  fs::path Path(const char* name) const { return platform.root / name; }
  FakePlatform platform;
};

TEST_F(SafeFile, AReplacedFileKeepsOnlyItsReadAndWriteBits) {
  // A setuid program planted under a settings name must not hand its bits on.
  for (const mode_t planted : {04755, 06775, 0600}) {
    WriteFile(Path("a.ini"),
              "\x7f"
              "ELF");
    ::chmod(Path("a.ini").c_str(), planted);
    ASSERT_TRUE(SafeWrite(Path("a.ini"), "[S]\r\n").Ok());
    EXPECT_EQ(ModeOf(Path("a.ini")), planted & 0666) << std::oct << planted;
    EXPECT_EQ(ReadFile(Path("a.ini")), "[S]\r\n");
  }
}

TEST_F(SafeFile, ANewFileIsGroupWritableOnlyInTheSharedGroupsFolder) {
  const mode_t mask = ::umask(022);
  ASSERT_TRUE(SafeWrite(Path("plain.ini"), "x").Ok());
  EXPECT_EQ(ModeOf(Path("plain.ini")), 0644);
  fs::create_directory(Path("shared"));
  ::chmod(Path("shared").c_str(), 02775);
  ASSERT_TRUE(SafeWrite(Path("shared") / "a.ini", "x").Ok());
  EXPECT_EQ(ModeOf(Path("shared") / "a.ini"), 0664);
  int log = -1;
  FileStatus status;
  ASSERT_GE(log = SafeOpenLog(Path("shared") / "log.txt", &status), 0);
  ::close(log);
  EXPECT_EQ(ModeOf(Path("shared") / "log.txt"), 0664);
  ::umask(mask);
}

TEST_F(SafeFile, TheUsersOwnLinkIsFollowedButNeverASecondOne) {
  WriteFile(Path("target.ini"), "old");
  fs::create_symlink("target.ini", Path("link.ini"));
  EXPECT_EQ(SafeRead(Path("link.ini")).bytes, "old");
  ASSERT_TRUE(SafeWrite(Path("link.ini"), "new").Ok());
  EXPECT_TRUE(fs::is_symlink(Path("link.ini")));
  EXPECT_EQ(ReadFile(Path("target.ini")), "new");

  fs::create_symlink("link.ini", Path("chain.ini"));
  EXPECT_EQ(SafeRead(Path("chain.ini")).status.refusal, FileRefusal::LinkChain);
  EXPECT_EQ(SafeWrite(Path("chain.ini"), "x").refusal, FileRefusal::LinkChain);
  EXPECT_EQ(ReadFile(Path("target.ini")), "new");
}

TEST_F(SafeFile, ReadingRefusesWhatIsNoSmallRegularFile) {
  WriteFile(Path("big.ini"), std::string(kSafeReadCap + 1, 'x'));
  WriteFile(Path("linked.ini"), "x");
  fs::create_hard_link(Path("linked.ini"), Path("second-name.ini"));
  ::mkfifo(Path("fifo.ini").c_str(), 0666);
  fs::create_directory(Path("dir.ini"));
  EXPECT_EQ(SafeRead(Path("big.ini")).status.refusal, FileRefusal::TooLarge);
  EXPECT_EQ(SafeRead(Path("linked.ini")).status.refusal, FileRefusal::HardLinked);
  EXPECT_EQ(SafeRead(Path("fifo.ini")).status.refusal, FileRefusal::NotRegular);
  EXPECT_EQ(SafeRead(Path("dir.ini")).status.refusal, FileRefusal::NotRegular);
  EXPECT_EQ(SafeRead(Path("missing.ini")).status.refusal, FileRefusal::Missing);
  FileStatus status;
  EXPECT_EQ(SafeOpenLog(Path("fifo.ini"), &status), -1);
  EXPECT_EQ(status.refusal, FileRefusal::NotRegular);
  EXPECT_EQ(SafeOpenLog(Path("linked.ini"), &status), -1);
  EXPECT_EQ(ReadFile(Path("linked.ini")), "x");
}

TEST_F(SafeFile, AReadOnlyFileIsLeftAsItIsEvenForRoot) {
  WriteFile(Path("ro.ini"), "old");
  ::chmod(Path("ro.ini").c_str(), 0444);
  EXPECT_EQ(SafeWrite(Path("ro.ini"), "new").refusal, FileRefusal::ReadOnly);
  EXPECT_EQ(ReadFile(Path("ro.ini")), "old");
  EXPECT_EQ(SafeWrite(Path("no-folder") / "a.ini", "x").refusal, FileRefusal::Missing);
}

TEST_F(SafeFile, TemporaryFilesOfEndedRunsAreRemovedOthersStay) {
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  const fs::path left = Path((".a.ini.telvane-" + std::to_string(ended) + "-1").c_str());
  const fs::path running = Path(".a.ini.telvane-1-1");  // pid 1 is always running
  const fs::path otherFile = Path((".b.ini.telvane-" + std::to_string(ended) + "-1").c_str());
  for (const fs::path& p : {left, running, otherFile}) WriteFile(p, "partial");
  ASSERT_TRUE(SafeWrite(Path("a.ini"), "x").Ok());
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(fs::exists(running));
  EXPECT_TRUE(fs::exists(otherFile));
}

TEST_F(SafeFile, AWriterInPiecesLeavesTheOldFileUntilItCommits) {
  WriteFile(Path("list.txt"), "old");
  {
    SafeFileWriter abandoned(Path("list.txt"));
    ASSERT_TRUE(abandoned.Write("half").Ok());
  }
  EXPECT_EQ(ReadFile(Path("list.txt")), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(platform.root), {}), 3);  // common, bin, list.txt

  SafeFileWriter writer(Path("list.txt"));
  for (const char* piece : {"one ", "two ", "three"}) ASSERT_TRUE(writer.Write(piece).Ok());
  EXPECT_EQ(ReadFile(Path("list.txt")), "old");
  ASSERT_TRUE(writer.Commit().Ok());
  EXPECT_EQ(ReadFile(Path("list.txt")), "one two three");
  EXPECT_EQ(std::distance(fs::directory_iterator(platform.root), {}), 3);
}

TEST_F(SafeFile, AnotherUsersViewOfTheFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as a second user";
  // A folder the other user cannot write, holding one file they may write
  // and one only root may read.
  ::chmod(platform.root.c_str(), 0755);
  WriteFile(Path("theirs.ini"), "old");
  ASSERT_EQ(::chown(Path("theirs.ini").c_str(), kOtherUser, kOtherUser), 0);
  WriteFile(Path("private.ini"), "secret");
  ::chmod(Path("private.ini").c_str(), 0600);
  const struct stat before = [&] {
    struct stat info {};
    ::stat(Path("theirs.ini").c_str(), &info);
    return info;
  }();

  EXPECT_EQ(RunAsOtherUser([&] {
              // The folder refuses a temporary file: the file is rewritten in
              // place, but never by a writer in pieces, which could leave half.
              if (!SafeFileWriter(Path("theirs.ini")).FolderRefused()) return 3;
              if (!SafeWrite(Path("theirs.ini"), "new").Ok()) return 1;
              const FileContent secret = SafeRead(Path("private.ini"));
              return secret.status.refusal == FileRefusal::SystemError && secret.status.error == EACCES ? 0 : 2;
            }),
            0);
  struct stat after {};
  ::stat(Path("theirs.ini").c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(ReadFile(Path("theirs.ini")), "new");
}

}  // namespace
