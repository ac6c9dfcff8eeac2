// The safe way into the shared folder: what the console-level table of
// planted entries cannot show (modes, links the user owns, stale temporary
// files, another user's view of the folder).
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "core/ProfileSave.h"
#include "core/SafeFile.h"
#include "core/StringTable.h"
#include "tests/support/FakePlatform.h"

namespace fs = std::filesystem;

namespace {

constexpr uid_t kOtherUser = 4242;
constexpr uid_t kThirdUser = 4343;

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

// Runs `body` in a child process with a mount namespace of its own, so that
// what it mounts is gone with it, and returns its exit code.
int RunInOwnMountNamespace(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(99);
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

TEST_F(SafeFile, AWrittenFileGetsTheFolderPolicysModeNeverAPlantedOne) {
  // A second user plants any mode under a settings name; the file written
  // over it gets the policy's mode: 0664 in the shared group's folder,
  // otherwise 0666 less the umask. Only the user's own file may stay as
  // private as it was, and only outside the shared folder.
  const bool root = ::geteuid() == 0;
  const mode_t mask = ::umask(022);
  fs::create_directory(Path("shared"));
  ::chmod(Path("shared").c_str(), 02775);
  struct Case {
    const char* folder;
    mode_t planted;
    bool byOtherUser;
    mode_t expected;
  };
  const Case cases[] = {
      {"shared", 0666, true, 0664},  {"shared", 06777, true, 0664},  {"shared", 0600, true, 0664},
      {"shared", 0600, false, 0664}, {"shared", 04755, false, 0664}, {".", 0666, true, 0644},
      {".", 06777, true, 0644},      {".", 0600, true, 0644},        {".", 0666, false, 0644},
      {".", 04755, false, 0644},     {".", 0600, false, 0600},       {".", 0640, false, 0640},
  };
  for (const Case& c : cases) {
    if (c.byOtherUser && !root) continue;  // chown needs root
    const fs::path file = platform.root / c.folder / "a.ini";
    WriteFile(file,
              "\x7f"
              "ELF");
    if (c.byOtherUser) {
      ASSERT_EQ(::chown(file.c_str(), kOtherUser, kOtherUser), 0);
    }
    ::chmod(file.c_str(), c.planted);
    ASSERT_TRUE(SafeWrite(file, "[S]\r\n").Ok());
    EXPECT_EQ(ModeOf(file), c.expected) << c.folder << " " << std::oct << c.planted << " " << c.byOtherUser;
    EXPECT_EQ(ReadFile(file), "[S]\r\n");
    fs::remove(file);
  }
  ::umask(mask);
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

TEST_F(SafeFile, ALinkIsFollowedOnlyWhereItsOwnerCouldWriteTheTargetAnyway) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to own links as other users";
  // The other user's folder (an old install, a folder made without the
  // policy) holding links to a file only root may write.
  ::chmod(platform.root.c_str(), 0755);
  fs::create_directory(Path("theirs"));
  ASSERT_EQ(::chown(Path("theirs").c_str(), kOtherUser, kOtherUser), 0);
  ::chmod(Path("theirs").c_str(), 0777);
  WriteFile(Path("root-only"), "secret");
  ::chmod(Path("root-only").c_str(), 0600);
  WriteFile(Path("theirs") / "own", "theirs");
  ASSERT_EQ(::chown((Path("theirs") / "own").c_str(), kOtherUser, kOtherUser), 0);
  struct Case {
    const char* link;
    const char* target;
    uid_t linkOwner;
    bool asOtherUser;  // acting user: root, or the folder's owner
    bool followed;
  };
  const Case cases[] = {
      {"folder-owner.ini", "root-only", kOtherUser, false, false},  // the folder's owner is not trusted
      {"third-user.ini", "root-only", kThirdUser, false, false},
      {"roots.ini", "own", 0, true, true},               // root could have written it anyway
      {"their-own.ini", "own", kOtherUser, true, true},  // the user's own link
  };
  for (const Case& c : cases) {
    const fs::path link = Path("theirs") / c.link;
    fs::create_symlink(c.target == std::string("own") ? Path("theirs") / "own" : Path(c.target), link);
    ASSERT_EQ(::lchown(link.c_str(), c.linkOwner, c.linkOwner), 0);
    const int result = [&] {
      auto attempt = [&] {
        const bool read = SafeRead(link).status.Ok();
        const FileStatus written = SafeWrite(link, "[SETTINGS]\r\n");
        if (read != c.followed || written.Ok() != c.followed) return 1;
        if (!c.followed && written.refusal != FileRefusal::ForeignLink) return 2;
        return 0;
      };
      return c.asOtherUser ? RunAsOtherUser(attempt) : attempt();
    }();
    EXPECT_EQ(result, 0) << c.link;
    EXPECT_TRUE(fs::is_symlink(link)) << c.link;
  }
  EXPECT_EQ(ReadFile(Path("root-only")), "secret");
  EXPECT_EQ(ReadFile(Path("theirs") / "own"), "[SETTINGS]\r\n");
}

TEST_F(SafeFile, AFolderIsExposedWhenItsOwnerOrEveryoneElseMayChangeIt) {
  struct Case {
    const char* name;
    mode_t mode;
    uid_t owner;  // 0: the current user (root in CI)
    bool link;    // a link owned by `owner` to a folder of the current user's
    FolderExposure expected;
  };
  const Case cases[] = {
      {"policy", 02775, 0, false, FolderExposure::None},
      {"private", 0700, 0, false, FolderExposure::None},
      {"legacy", 0777, 0, false, FolderExposure::WritableByOthers},
      {"sticky", 01777, 0, false, FolderExposure::WritableByOthers},
      {"operators", 0755, kOtherUser, false, FolderExposure::ForeignOwner},
      {"own-link", 0755, 0, true, FolderExposure::None},
      {"foreign-link", 0755, kOtherUser, true, FolderExposure::ForeignLink},
  };
  EXPECT_EQ(SharedFolderExposure(Path("missing")), FolderExposure::None);
  for (const Case& c : cases) {
    if (c.owner != 0 && ::geteuid() != 0) continue;  // chown needs root
    const fs::path folder = Path(c.name);
    const fs::path real = c.link ? Path("real") / c.name : folder;
    fs::create_directories(real);
    ::chmod(real.c_str(), c.mode);
    if (c.link) {
      fs::create_symlink(real, folder);
      if (c.owner != 0) {
        ASSERT_EQ(::lchown(folder.c_str(), c.owner, c.owner), 0);
      }
    } else if (c.owner != 0) {
      ASSERT_EQ(::chown(folder.c_str(), c.owner, c.owner), 0);
    }
    EXPECT_EQ(SharedFolderExposure(folder.string()), c.expected) << c.name;
  }
}

TEST_F(SafeFile, AFullDiskLeavesAFileRewrittenInPlaceWhole) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root for a small file system of its own and a second user";
  // A file system with room for little more than the file, a folder the
  // other user cannot write (so the file is rewritten in place) and the
  // file, theirs, a line longer than before each time.
  ::chmod(platform.root.c_str(), 0755);
  const fs::path folder = Path("small");
  fs::create_directory(folder);
  const std::string old = [] {
    std::string text = "[SETTINGS]\r\n";
    for (int i = 0; text.size() < 4000; ++i) text += "Key" + std::to_string(i) + "=value of a key\r\n";
    return text;
  }();
  const int result = RunInOwnMountNamespace([&] {
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=32k,mode=0755") != 0) return 100;
    WriteFile(folder / "Settings.ini", old);
    if (::chown((folder / "Settings.ini").c_str(), kOtherUser, kOtherUser) != 0) return 101;
    // Fill what is left.
    WriteFile(folder / "filler", std::string(std::size_t{64} * 1024, 'x'));
    if (::setegid(kOtherUser) != 0 || ::seteuid(kOtherUser) != 0) return 102;
    const FileStatus grown = SafeWrite(folder / "Settings.ini", old + "Grown=" + std::string(5000, 'y') + "\r\n");
    if (grown.Ok() || grown.error != ENOSPC) return 1;
    if (ReadFile(folder / "Settings.ini") != old) return 2;
    // The box says the old content is still there.
    if (SaveProfileKeys(folder / "Settings.ini", "SETTINGS", {{"Grown", std::string(5000, 'y')}})) return 5;
    if (ReadFile(folder / "Settings.ini") != old) return 6;
    if (platform.messages.size() != 1 || platform.messages[0].text.find(fkt_LoadResText(8006)) == std::string::npos) {
      return 7;
    }
    // A shorter content needs no room: written, and the file is cut after it.
    if (!SafeWrite(folder / "Settings.ini", "[SETTINGS]\r\nShort=1\r\n").Ok()) return 3;
    if (ReadFile(folder / "Settings.ini") != "[SETTINGS]\r\nShort=1\r\n") return 4;
    return 0;
  });
  EXPECT_EQ(result, 0);
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

TEST_F(SafeFile, ALargeFileWrittenBehindItsEndArrivesWhole) {
  // Pieces of uneven sizes cross the write-behind chunks at odd places; every
  // byte says where it belongs.
  const std::size_t total = 3 * SafeFileWriter::kWriteBehindBytes + 12345;
  std::string expected(total, '\0');
  for (std::size_t n = 0; n < total; ++n) expected[n] = static_cast<char>('a' + (n * 7 + n / 4099) % 26);
  SafeFileWriter writer(Path("large.txt"));
  std::size_t at = 0;
  for (std::size_t piece = 1; at < total; piece = piece * 3 % 1'000'003 + 1) {
    const std::size_t length = std::min(piece, total - at);
    ASSERT_TRUE(writer.Write(std::string_view(expected).substr(at, length)).Ok());
    at += length;
  }
  ASSERT_TRUE(writer.Commit().Ok());
  EXPECT_TRUE(ReadFile(Path("large.txt")) == expected);
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
