// The traffic list's store with a tiny working set, so that a few hundred
// entries already live mostly in its file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QSignalSpy>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/AppSettings.h"
#include "tests/support/FakePlatform.h"
#include "traffic/TrafficListModel.h"
#include "traffic/TrafficStore.h"

namespace {

constexpr TrafficStore::Limits kTiny{std::size_t{64} * 1024, 4096, 64};
// The same with a memory limit that a few thousand entries reach.
constexpr TrafficStore::Limits kTinyLimited{std::size_t{64} * 1024, 4096, 64, std::size_t{256} * 1024};

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

// The same through runs of entries of several lengths and byte limits, on
// past the end (where entries read as empty).
void ExpectRunsReadBack(const TrafficStore& store, const std::vector<Appended>& entries) {
  const struct {
    std::size_t count;
    std::size_t maxBytes;
  } shapes[] = {{1, TrafficStore::kRunBytes}, {7, 500}, {64, 20'000}, {4096, TrafficStore::kRunBytes}};
  TrafficStore::EntryRun run;
  for (const auto& shape : shapes) {
    for (std::uint64_t entry = 0; entry < entries.size() + 3;) {
      const std::size_t read = store.ReadEntries(entry, shape.count, run, shape.maxBytes);
      ASSERT_GE(read, 1U);
      ASSERT_LE(read, shape.count);
      std::size_t bytes = 0;
      for (std::size_t i = 0; i < read; ++i, ++entry) {
        const TrafficStore::Meta& meta = run.MetaAt(i);
        const Appended expected = entry < entries.size() ? entries[entry] : Appended{EntryKind::Outgoing, 0, "", false};
        EXPECT_EQ(meta.kind, expected.kind) << entry;
        EXPECT_EQ(meta.utcMicroseconds, expected.us) << entry;
        EXPECT_EQ(meta.badFrame, expected.badFrame) << entry;
        EXPECT_EQ(meta.length, expected.bytes.size()) << entry;
        ASSERT_EQ(run.BytesAt(i), expected.bytes) << entry << " in runs of " << shape.count;
        bytes += expected.bytes.size();
      }
      if (read > 1) {
        EXPECT_LE(bytes, shape.maxBytes) << entry;
      }
    }
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
  ExpectRunsReadBack(store, entries);
  store.Settle();
  ExpectAllReadBack(store, entries);
  ExpectRunsReadBack(store, entries);
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
    const FileSizeLimit full(rlim_t{48} * 1024);
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

TEST(TrafficStore, AtTheMemoryLimitEntriesAreCountedInOneNoticeUntilTheFileTakesThemAgain) {
  FakePlatform platform;
  TrafficStore store({platform.scratchFolders[0]}, kTinyLimited);
  const std::vector<Appended> entries = Entries(6000);
  std::vector<Appended> listed;  // what must read back, the notice as an empty entry
  std::optional<std::uint64_t> notice;
  std::uint64_t received = 0;
  std::uint64_t sent = 0;
  std::size_t peak = 0;
  const auto append = [&](const Appended& e) {
    const bool wasListed = store.Append(e.kind, e.us, e.bytes, e.badFrame);
    if (!wasListed) {
      if (!notice) {
        notice = listed.size();
        listed.push_back({EntryKind::Notice, e.us, "", false});
      }
      ++(IsOutgoing(e.kind) ? sent : received);
    } else {
      listed.push_back(e);
    }
    peak = std::max(peak, store.MemoryBytes());
    return wasListed;
  };
  std::size_t n = 0;
  {
    const FileSizeLimit full(rlim_t{48} * 1024);
    for (; n < 4000; ++n) {
      append(entries[n]);
      if (n % 100 == 0) store.Settle();  // the writer's failure comes in
    }
  }
  ASSERT_TRUE(notice);
  EXPECT_LE(peak, kTinyLimited.memoryLimit);
  EXPECT_GT(received + sent, 2000U);
  EXPECT_EQ(store.CountingNotice(), notice);
  const TrafficStore::NotListed first = store.NoticeOf(store.EntryMeta(*notice));
  EXPECT_EQ(first.cause, TrafficStore::NotListedCause::FileFailed);
  EXPECT_NE(first.reason.find("large"), std::string::npos) << first.reason;  // "File too large"

  // Room again: the next entry hands the blocks to the writer once more (it
  // is counted still); once they are on file, listing resumes.
  EXPECT_FALSE(append(entries[n++]));
  store.Settle();
  for (; n < entries.size(); ++n) {
    EXPECT_TRUE(append(entries[n])) << n;
    // Appends here outrun any disk; the writer keeps pace with them.
    if (n % 100 == 0) store.Settle();
  }
  EXPECT_EQ(store.CountingNotice(), std::nullopt);
  const TrafficStore::NotListed counted = store.NoticeOf(store.EntryMeta(*notice));
  EXPECT_EQ(counted.received, received);
  EXPECT_EQ(counted.sent, sent);
  EXPECT_EQ(store.NotListedCount(), received + sent);
  store.Settle();
  EXPECT_LE(store.MemoryBytes(), kTiny.memoryBudget + 9000);
  ExpectAllReadBack(store, listed);
  ExpectRunsReadBack(store, listed);
}

TEST(TrafficStore, RunsReadBesideAppendsAndClearsAreWholeEntriesOrEmpty) {
  FakePlatform platform;
  TrafficStore store({platform.scratchFolders[0]}, kTiny);
  // Every entry's time says which list (between two clears) and which entry
  // it is, and its bytes say the same: a run that mixed records of one list
  // with bytes of another (a file closed by the Clear and its descriptor
  // reused for the next list's) shows.
  constexpr std::int64_t kBase = 1'700'000'000'000'000;
  constexpr std::int64_t kPerList = 1'000'000'000;
  const auto bytesOf = [](std::int64_t list, std::int64_t entry) {
    std::string bytes = "list " + std::to_string(list) + " entry " + std::to_string(entry) + ' ';
    bytes.resize(bytes.size() + static_cast<std::size_t>(entry % 300), static_cast<char>('a' + entry % 26));
    return bytes;
  };
  std::atomic<bool> done = false;
  std::atomic<std::uint64_t> whole = 0;
  std::uint64_t wrong = 0;
  std::string firstWrong;
  std::thread reader([&] {
    TrafficStore::EntryRun run;
    while (!done) {
      for (std::uint64_t entry = 0; entry < store.Count() + 10;) {
        const std::size_t read = store.ReadEntries(entry, 97, run, 6000);
        for (std::size_t i = 0; i < read; ++i, ++entry) {
          const TrafficStore::Meta& meta = run.MetaAt(i);
          if (meta.length == 0 && run.BytesAt(i).empty()) continue;  // gone, or beyond the end
          const std::int64_t list = (meta.utcMicroseconds - kBase) / kPerList;
          const std::int64_t number = (meta.utcMicroseconds - kBase) % kPerList;
          if (number != static_cast<std::int64_t>(entry) || run.BytesAt(i) != bytesOf(list, number)) {
            if (wrong++ == 0) firstWrong = "entry " + std::to_string(entry) + ": " + std::string(run.BytesAt(i));
          } else {
            ++whole;
          }
        }
      }
    }
  });
  // Sixty lists at least, and on until the reader has seen entries whole.
  for (std::int64_t list = 0; list < 60 || whole == 0; ++list) {
    for (std::int64_t n = 0; n < 300 + list * 37 % 1500; ++n) {
      store.Append(EntryKind::IncomingRaw, kBase + list * kPerList + n, bytesOf(list, n));
    }
    store.Clear();
  }
  done = true;
  reader.join();
  EXPECT_EQ(wrong, 0U) << firstWrong;
  EXPECT_GT(whole, 0U);
}

TEST(TrafficStore, ANoticeReadsAsTextOfItsOwnWithoutFrameCheckOrReplyTime) {
  FakePlatform platform;
  WriteFile(platform.root / "plain-file", "x");
  TrafficListModel model({(platform.root / "plain-file" / "cache").string()}, kTinyLimited);
  QSignalSpy changed(&model, &TrafficListModel::EntryChanged);
  // 01:02:03.004005 UTC on a day in 2024.
  constexpr std::int64_t kTime = 1'717'200'000'000'000 + 3'723'004'005;
  model.Append(EntryKind::Outgoing, kTime - 1000, "<STX>0,1,INFO?<ETX><179>");
  const std::string frame =
      "\x02"
      "0,1,OK\x03"
      "B";
  for (int n = 0; n < 10'000 && !model.Store().CountingNotice(); ++n) {
    model.Append(EntryKind::IncomingDisplay, kTime, frame + std::string(200, 'x'));
  }
  ASSERT_TRUE(model.Store().CountingNotice());
  const std::uint64_t notice = *model.Store().CountingNotice();
  model.Commit();
  for (int n = 0; n < 3; ++n) model.Append(EntryKind::IncomingDisplay, kTime + 1000, frame);
  model.Append(EntryKind::Outgoing, kTime + 2000, "<STX>0,1,STOP<ETX><154>");
  model.Commit();
  EXPECT_EQ(model.ShownCount(), notice + 1);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toULongLong(), notice);

  const std::string reason = (platform.root / "plain-file").string() + ": Not a directory";
  const struct {
    std::uint8_t language;
    std::string text;
  } cases[] = {
      {1, "01:02:03.004  [---]  Not listed: datagrams received 4, lines sent 1; the list's file cannot be written (" +
              reason + ")."},
      {0,
       "01:02:03.004  [---]  Nicht aufgelistet: empfangene Datagramme 4, gesendete Zeilen 1; die Datei der Liste "
       "kann nicht geschrieben werden (" +
           reason + ")."},
  };
  for (const auto& c : cases) {
    AppSettings.Language = c.language;
    EXPECT_EQ(model.EntryText(notice), c.text);
    // As copied, found and saved: the same words, in lower case for a find
    // without regard to case.
    TrafficListModel::TextBuffers buffers;
    EXPECT_EQ(model.NotationText(notice, buffers), c.text);
    std::string lower = c.text;
    for (char& letter : lower) letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    EXPECT_EQ(model.NotationText(notice, buffers, true), lower);
  }
  EXPECT_FALSE(model.FrameCheckOf(notice));
  EXPECT_FALSE(model.TimeSinceSent(notice));
  EXPECT_FALSE(model.IsBadFrame(notice));
  AppSettings = {};

  // "Delete list" ends the episode, though the file still cannot be made.
  model.Clear();
  model.Append(EntryKind::IncomingDisplay, kTime, frame);
  EXPECT_EQ(model.EntryCount(), 1U);
  EXPECT_EQ(model.Store().CountingNotice(), std::nullopt);
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
