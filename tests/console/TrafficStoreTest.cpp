// The traffic list's store with a tiny working set, so that a few hundred
// entries already live mostly in its file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "console/TrafficStore.h"
#include "tests/support/FakePlatform.h"

namespace {

constexpr TrafficStore::Limits kTiny{64 * 1024, 4096, 64};

struct Appended {
  EntryKind kind;
  std::int64_t us;
  std::string bytes;
  bool badFrame;
};

// Lengths from empty to larger than a block, every byte value, every kind;
// times 11 hours and a few microseconds apart, so the date changes often.
std::vector<Appended> Entries(int count) {
  std::mt19937 random(7);
  std::vector<Appended> entries;
  for (int n = 0; n < count; ++n) {
    const std::size_t length = n % 50 == 7 ? 9000 : n % 13 == 0 ? 0 : random() % 300;
    std::string bytes(length, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    const std::int64_t us = 1'700'000'000'000'000 + std::int64_t{n} * 39'600'000'007;
    entries.push_back({static_cast<EntryKind>(n % 4), us, bytes, n % 5 == 1});
  }
  return entries;
}

void ExpectAllReadBack(const TrafficStore& store, const std::vector<Appended>& entries) {
  ASSERT_EQ(store.Count(), entries.size());
  // Backwards, so that reads jump around the file rather than walk it.
  for (std::size_t n = entries.size(); n-- > 0;) {
    const TrafficStore::Meta meta = store.EntryMeta(n);
    EXPECT_EQ(meta.kind, entries[n].kind) << n;
    EXPECT_EQ(meta.utcMicroseconds, entries[n].us) << n;
    EXPECT_EQ(meta.millisecondOfDay, entries[n].us / 1000 % 86'400'000) << n;
    EXPECT_EQ(meta.badFrame, entries[n].badFrame) << n;
    EXPECT_EQ(meta.length, entries[n].bytes.size()) << n;
    ASSERT_EQ(store.EntryBytes(n), entries[n].bytes) << n;
    EXPECT_EQ(store.EntryBytes(n, 5), entries[n].bytes.substr(0, 5)) << n;
  }
}

std::size_t OpenFiles() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

TEST(TrafficStore, KeepsEveryEntryReachableWithMemoryBoundedAndGivesTheDiskBackOnClear) {
  FakePlatform platform;
  const std::size_t filesBefore = OpenFiles();
  // A folder that cannot be made is passed over for the next.
  WriteFile(platform.root / "plain-file", "x");
  TrafficStore store({(platform.root / "plain-file" / "cache").string(), platform.scratchFolders[0]}, kTiny);
  const std::vector<Appended> entries = Entries(2000);
  for (const Appended& e : entries) store.Append(e.kind, e.us, e.bytes, e.badFrame);

  // Read while the writer thread may still be at work, then once it is done.
  ExpectAllReadBack(store, entries);
  store.Settle();
  ExpectAllReadBack(store, entries);
  EXPECT_LE(store.MemoryBytes(), kTiny.memoryBudget + 9000);
  EXPECT_GT(store.FileBytes(), 200'000U);
  EXPECT_EQ(store.TakeProblem(), "");
  // The file has no name: nothing is left in the folder for others to open.
  EXPECT_TRUE(std::filesystem::is_empty(platform.scratchFolders[0]));
  EXPECT_EQ(OpenFiles(), filesBefore + 2);
  // More goes out to the file after those reads; nothing is read before the clear.
  for (const Appended& e : entries) store.Append(e.kind, e.us, e.bytes, e.badFrame);

  store.Clear();
  EXPECT_EQ(store.Count(), 0U);
  EXPECT_EQ(store.MemoryBytes(), 0U);
  EXPECT_EQ(store.FileBytes(), 0U);
  EXPECT_EQ(OpenFiles(), filesBefore);
  store.Append(EntryKind::Outgoing, 1, "again");
  EXPECT_EQ(store.EntryBytes(0), "again");
}

// A process file-size limit makes every write past it fail, as a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*previous_)(int) = nullptr;
};

TEST(TrafficStore, FullDiskIsReportedOnceAndNewEntriesStayInMemory) {
  FakePlatform platform;
  TrafficStore store({platform.scratchFolders[0]}, kTiny);
  const std::vector<Appended> entries = Entries(3000);
  std::size_t n = 0;
  std::vector<std::string> problems;
  {
    const FileSizeLimit full(48 * 1024);
    for (; n < 2000; ++n) {
      store.Append(entries[n].kind, entries[n].us, entries[n].bytes, entries[n].badFrame);
      if (std::string problem = store.TakeProblem(); !problem.empty()) problems.push_back(problem);
    }
    store.Settle();
    if (std::string problem = store.TakeProblem(); !problem.empty()) problems.push_back(problem);
    EXPECT_GT(store.MemoryBytes(), 2 * kTiny.memoryBudget);
  }
  ASSERT_EQ(problems.size(), 1U);
  EXPECT_NE(problems[0].find("large"), std::string::npos) << problems[0];  // "File too large"

  // Space again: the next budget's worth goes to the file, and all of it reads back.
  for (; n < entries.size(); ++n) store.Append(entries[n].kind, entries[n].us, entries[n].bytes, entries[n].badFrame);
  store.Settle();
  EXPECT_LE(store.MemoryBytes(), kTiny.memoryBudget + 9000);
  EXPECT_EQ(store.TakeProblem(), "");
  ExpectAllReadBack(store, entries);
}

// The folders the store's open unnamed files were made in, as the kernel
// names them ("FOLDER/#INODE (deleted)").
std::set<std::string> UnnamedFileFolders() {
  std::set<std::string> folders;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
    const std::size_t name = target.rfind("/#");
    if (!error && name != std::string::npos && target.ends_with(" (deleted)")) folders.insert(target.substr(0, name));
  }
  return folders;
}

TEST(TrafficStore, ACacheFolderReachedThroughAnotherUsersLinkOrFolderIsNotUsed) {
  // Root with another user's cache path (sudo -E, su -m): that user's links
  // and folders must not decide where root's files and folders go.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant another user's links and folders";
  constexpr uid_t kOtherUser = 4242;
  namespace fs = std::filesystem;
  FakePlatform platform;
  const fs::path target = platform.root / "target";
  fs::create_directories(target);
  fs::create_directories(platform.root / "home");
  fs::create_symlink(target, platform.root / "home" / ".cache");
  ASSERT_EQ(::lchown((platform.root / "home" / ".cache").c_str(), kOtherUser, kOtherUser), 0);
  fs::create_directories(platform.root / "alice");
  ASSERT_EQ(::chown((platform.root / "alice").c_str(), kOtherUser, kOtherUser), 0);
  fs::create_directories(platform.root / "theirs");
  ASSERT_EQ(::chown((platform.root / "theirs").c_str(), kOtherUser, kOtherUser), 0);
  fs::create_directories(platform.root / "open");
  fs::permissions(platform.root / "open", fs::perms::all);

  const std::string fallback = platform.scratchFolders[0];
  const struct {
    const char* what;
    fs::path folder;
  } cases[] = {
      {"a link of another user in the path", platform.root / "home" / ".cache" / "telvane"},
      {"a folder of another user in the path", platform.root / "alice" / ".cache" / "telvane"},
      {"a folder of another user", platform.root / "theirs"},
      {"a folder every user may write to", platform.root / "open"},
  };
  for (const auto& c : cases) {
    TrafficStore store({c.folder.string(), fallback}, kTiny);
    for (const Appended& e : Entries(500)) store.Append(e.kind, e.us, e.bytes, e.badFrame);
    store.Settle();
    EXPECT_EQ(store.TakeProblem(), "") << c.what;
    EXPECT_GT(store.FileBytes(), 0U) << c.what;
    EXPECT_EQ(UnnamedFileFolders(), std::set<std::string>{fallback}) << c.what;
  }
  // Nothing was made where the other user's link and folder point.
  EXPECT_TRUE(fs::is_empty(target));
  EXPECT_TRUE(fs::is_empty(platform.root / "alice"));
}

}  // namespace
