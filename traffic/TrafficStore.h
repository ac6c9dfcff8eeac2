#pragma once
// Where the traffic list's entries live: every entry ever listed, in order,
// with resident memory bounded whatever their number.
//
// An entry is its kind, its UTC time to the microsecond, whether it is a
// received frame with a wrong block check, and its bytes. The bytes of all
// entries form one stream, and a 16-byte record per entry says where in the
// stream its bytes lie and holds the rest; the date of each entry comes from
// a small list of the entries where a new UTC day began. Stream and records
// are kept in blocks; the newest blocks stay in memory (the working set). Once
// the working set outgrows its budget, its oldest blocks are handed to a
// writer thread, which writes them to an unnamed file (no name on disk, so
// nobody else can open it, and the space goes back when it is closed) in a
// folder private to the user; a block is freed once it is on file. The window
// thread never waits on the disk. Entries on file are read back on demand
// through a small window of the file, so the visible rows and a walk from one
// entry to the next stay cheap.
//
// If no file can be created or written (a full disk), the blocks stay in
// memory: nothing listed is lost, the failure is reported once (TakeProblem),
// and writing is tried again after another budget's worth of entries. Memory
// is not endless, though: beyond a limit (a share of the machine's memory)
// new entries are no longer listed but counted, in one notice entry per
// episode that says how many and why. Writing is tried again once a second
// while entries arrive, and listing resumes once the file takes the blocks
// again and a working set's worth of memory is free, or after Clear. Clear
// frees the memory and closes the file.
//
// Threads: one thread appends and clears (the receive thread of the traffic
// session; a test's own thread where there is none), and any thread may read
// meanwhile: the window thread for the rows it paints, a find or an export on
// a worker. A read-write lock on which the writer goes first keeps them
// apart; each reading thread passes a Cursor of its own, which keeps the
// pieces of the files it read last. A walk over many entries reads them in
// runs (ReadEntries), which take the lock twice per run, briefly, and read
// the files with the lock free.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "traffic/FileWriterThread.h"
#include "traffic/WriterFirstLock.h"

enum class EntryKind : std::uint8_t {
  Outgoing,         // time, "  [OUT]  ", the line in notation
  IncomingDisplay,  // time, "  [IN]   ", the display form of the bytes
  IncomingRaw,      // the bytes alone
  OutgoingRaw,      // time, "  [OUT]  ", the raw bytes that were sent
  Notice,           // the store's own: entries not listed from here on, and why
};

inline bool IsOutgoing(EntryKind kind) { return kind == EntryKind::Outgoing || kind == EntryKind::OutgoingRaw; }
inline bool IsIncoming(EntryKind kind) { return kind == EntryKind::IncomingDisplay || kind == EntryKind::IncomingRaw; }

class TrafficStore {
 public:
  struct Limits {
    std::size_t memoryBudget = std::size_t{64} << 20;   // blocks kept in memory, in bytes
    std::size_t dataBlockBytes = std::size_t{4} << 20;  // entry bytes per block
    std::size_t recordsPerBlock = std::size_t{1} << 16;
    // Blocks in memory at most, in bytes, written or not; 0: DefaultMemoryLimit().
    // Taken as at least two budgets.
    std::size_t memoryLimit = 0;
  };
  // Why entries are not listed.
  enum class NotListedCause : std::uint8_t {
    FileFailed,  // the file cannot be created or written: `reason`
    FileBehind,  // the writes are still pending (a disk that does not keep pace)
    NoMemory,    // the system gave no memory for another block
  };
  // What a notice entry stands for: the entries not listed after it, up to
  // the next listed entry.
  struct NotListed {
    std::uint64_t received = 0;  // incoming entries
    std::uint64_t sent = 0;      // outgoing entries
    NotListedCause cause = NotListedCause::FileFailed;
    std::string reason;
  };
  struct Meta {
    EntryKind kind = EntryKind::Outgoing;
    std::uint32_t millisecondOfDay = 0;
    std::uint32_t length = 0;
    std::int64_t utcMicroseconds = 0;
    bool badFrame = false;   // a received frame whose block check is wrong
    std::size_t notice = 0;  // of a Notice entry: its number for NoticeOf
  };
  static constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

 private:
  // A piece of a file, read once and reused while reads stay inside it.
  struct Window {
    std::uint64_t start = 0;
    std::string bytes;
    // Empties the window and gives its memory back. (Not "window = {}":
    // GCC 12 assigns such a braced list to `cond ? a : b` without
    // constructing the string, leaving it with a null buffer.)
    void Forget() {
      start = 0;
      std::string().swap(bytes);
    }
  };

 public:
  // What one reading thread keeps between its reads: the pieces of the two
  // files it read last, so that neighbouring entries on file cost no read.
  class Cursor {
   private:
    friend class TrafficStore;
    Window data_;
    Window records_;
    std::uint64_t generation_ = 0;  // the store's Clear count the windows belong to
  };

  // folders: where the file may go, most preferred first.
  explicit TrafficStore(std::vector<std::string> folders, Limits limits);
  ~TrafficStore();
  TrafficStore(const TrafficStore&) = delete;
  TrafficStore& operator=(const TrafficStore&) = delete;

  // Writing (one thread at a time).
  // utcMicroseconds: the entry's time, microseconds since 1970 (UTC); kind:
  // any but Notice, which the store makes itself. False when the entry was
  // not listed but counted in a notice (the memory limit).
  bool Append(EntryKind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame = false);
  // Appends several entries under one hold of the lock: a receive batch.
  class Batch {
   public:
    explicit Batch(TrafficStore& store) : store_(store), lock_(store.lock_) {}
    bool Append(EntryKind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame = false) {
      return store_.AppendLocked(kind, utcMicroseconds, bytes, badFrame);
    }

   private:
    TrafficStore& store_;
    std::unique_lock<WriterFirstLock> lock_;
  };
  void Clear();
  // Waits until the writer thread has written what it was given (or failed),
  // and takes the result; for measurements and tests that need a settled store.
  void Settle();

  // Reading (any thread). A null cursor uses the store's own, shared by the
  // callers that pass none (one at a time).
  std::uint64_t Count() const { return count_.load(std::memory_order_acquire); }
  // How many times the store was cleared: a walk over the entries that runs
  // beside the writer sees from it whether the entries it walks are still there.
  std::uint64_t Generation() const { return generation_.load(std::memory_order_acquire); }
  // Entry numbers below Count(); a number beyond reads as an empty entry. An
  // entry that cannot be read back (an I/O error) reads as empty and is
  // reported through TakeProblem.
  Meta EntryMeta(std::uint64_t entry, Cursor* cursor = nullptr) const;
  // At most maxBytes of the entry's bytes, from its start.
  std::string EntryBytes(std::uint64_t entry, std::size_t maxBytes = kWhole, Cursor* cursor = nullptr) const;
  // Both at once, the bytes into `bytes`, whose memory is reused (a walk over
  // many entries).
  Meta ReadEntry(std::uint64_t entry, std::string& bytes, std::size_t maxBytes = kWhole,
                 Cursor* cursor = nullptr) const;
  // Consecutive entries from `first`, for a walk over many (an export): at
  // most `count`, and fewer where their bytes would pass maxBytes (but at
  // least one). Returns how many `run` holds. The lock is held only to copy
  // what is in memory; what is on file is read with it free, so that the
  // writer never waits on the disk or on a reader that lost its processor;
  // and it is taken only while free, never queued behind the writer.
  // Entries read as ReadEntry reads them; where the store is cleared
  // meanwhile, they read as empty or as they were before the Clear.
  class EntryRun;
  static constexpr std::size_t kRunBytes = std::size_t{1} << 20;
  std::size_t ReadEntries(std::uint64_t first, std::size_t count, EntryRun& run,
                          std::size_t maxBytes = kRunBytes) const;
  // The last outgoing entry before `entry`, if any: where its reply time runs from.
  std::optional<std::uint64_t> LastOutgoingBefore(std::uint64_t entry) const;
  // What the entry of a Notice stands for.
  NotListed NoticeOf(const Meta& meta) const;
  // The entries not listed since the start or Clear; changes when a notice
  // entry's counts do.
  std::uint64_t NotListedCount() const;
  // The notice entry that counts now; nothing while entries are listed.
  std::optional<std::uint64_t> CountingNotice() const;
  std::size_t MemoryLimit() const { return memoryLimit_; }
  // An eighth of the machine's memory, at least 128 MiB and at most 1 GiB.
  static std::size_t DefaultMemoryLimit();

  std::size_t MemoryBytes() const;
  std::uint64_t FileBytes() const;
  // What went wrong with the file since the last call ("" if nothing): set
  // once per failure, so a full disk is reported once, not per entry.
  std::string TakeProblem();

 private:
  // Memory straight from the system: a freed block goes back at once, which
  // the C library's heap does not promise for many mid-sized blocks.
  class Pages {
   public:
    explicit Pages(std::size_t size);
    ~Pages();
    Pages(Pages&& other) noexcept;
    Pages& operator=(Pages&& other) noexcept;
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;
    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

   private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
  };
  struct Block {
    std::uint64_t first = 0;  // stream offset, or entry number for records
    std::size_t used = 0;     // bytes
    Pages pages;
  };
  struct Record {
    // Bits 0-47 the stream offset (256 TiB), 48-57 the microsecond within the
    // millisecond, 58 the wrong block check, 59 a notice (bits 0-47 then hold
    // its number in notices_, and the kind bits are 0).
    std::uint64_t offsetAndMore;
    std::uint32_t length;
    std::uint32_t timeAndKind;  // millisecond of day << 2 | kind
  };
  // The two files. A read with the lock free holds them too, so that a
  // Clear meanwhile never leaves it with a closed or reused descriptor.
  struct Files {
    int data = -1;
    int records = -1;
    Files() = default;
    ~Files();
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;
  };
  // Where a UTC day began: its first entry and the day's number since 1970.
  struct DayStart {
    std::uint64_t entry;
    std::int64_t day;
  };

  // With the lock held: the writer's append, and the readers' steps.
  bool AppendLocked(EntryKind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame);
  // The cursor to read with: the caller's, or the store's own with its mutex held.
  class ReadingCursor;
  Record RecordOf(std::uint64_t entry, Cursor& cursor) const;
  // The record of an entry whose record is in memory.
  Record RecordInMemory(std::uint64_t entry) const;
  // Copies the stream's bytes [from, to), all in memory, into out.
  void CopyStream(std::uint64_t from, std::uint64_t to, char* out) const;
  Meta MetaOf(const Record& record, std::uint64_t entry) const;
  // Copies `length` stream bytes at `offset` into out; false on a read error.
  bool ReadStream(std::uint64_t offset, std::size_t length, char* out, Cursor& cursor) const;
  bool ReadFile(int fd, Window& window, std::uint64_t offset, std::size_t length, char* out) const;
  std::size_t RecordBlockBytes() const { return limits_.recordsPerBlock * sizeof(Record); }
  // Adds the blocks an entry of `length` bytes needs; false (nothing added)
  // where that would pass the memory limit or the system has no memory.
  bool MakeRoomFor(std::size_t length);
  // Writes the entry's record into the last record block, which has room.
  void AddRecord(std::uint64_t offsetAndFlags, std::uint32_t length, std::int64_t utcMicroseconds, EntryKind kind);
  // Starts a notice, at the time of the first entry it counts.
  void StopListing(std::int64_t utcMicroseconds);
  // Counts an entry that is not listed in the last notice; false.
  bool CountNotListed(EntryKind kind);
  // While not listing: whether there is room again, trying the file anew now and then.
  bool ListingResumes(std::int64_t utcMicroseconds);
  void KeepWithinBudget();
  // Frees the blocks the writer thread has put on file, and takes its failure.
  void Reap();
  bool OpenFiles();
  void Fail(const std::string& problem) const;
  // The failure of the file that lasts, if any.
  std::optional<std::string> FailureInForce() const;

  std::vector<std::string> folders_;
  Limits limits_;
  std::size_t memoryLimit_;
  // Held shared by every read and exclusively by the writer's changes.
  mutable WriterFirstLock lock_;
  std::atomic<std::uint64_t> count_ = 0;
  std::atomic<std::uint64_t> generation_ = 0;
  std::uint64_t streamEnd_ = 0;
  std::deque<Block> data_;     // stream blocks in memory, oldest first
  std::deque<Block> records_;  // record blocks in memory, oldest first
  std::vector<DayStart> days_;
  std::vector<std::uint64_t> outgoing_;  // the outgoing entries, ascending
  std::uint64_t dataOnFile_ = 0;         // the stream up to here is on file
  std::uint64_t recordsOnFile_ = 0;      // entries whose records are on file
  std::size_t memoryBytes_ = 0;
  // Blocks handed to the writer thread: the first dataQueued_ of data_ and
  // recordsQueued_ of records_, their bytes, and which deque each job came
  // from (true: data_), in the order given.
  std::size_t dataQueued_ = 0;
  std::size_t recordsQueued_ = 0;
  std::size_t queuedBytes_ = 0;
  std::deque<bool> jobs_;
  std::uint64_t reaped_ = 0;        // jobs whose blocks were freed
  std::optional<bool> failedData_;  // the file the last failed write was to (true: data)
  std::size_t retryAbove_ = 0;      // after a failed write: memory at which to try again
  std::vector<NotListed> notices_;
  std::optional<std::uint64_t> noticeEntry_;  // the last notice's entry, if it could be listed
  bool listing_ = true;                       // false: new entries go to the last notice
  bool noMemory_ = false;                     // the last block could not be had from the system
  std::int64_t lastTryMicroseconds_ = 0;      // while not listing: when the file was last tried
  std::uint64_t notListedCount_ = 0;
  std::shared_ptr<const Files> files_;  // null until the first block goes to file
  int dataFd_ = -1;                     // files_'s, while it is there
  int recordFd_ = -1;
  // The cursor of the callers that pass none.
  mutable std::mutex ownCursorMutex_;
  mutable Cursor ownCursor_;
  // A failure, from the writer or from any reader's read of the files.
  mutable std::mutex problemMutex_;
  mutable std::string problem_;
  mutable std::string failure_;  // the failure in force, while failing_
  mutable bool failing_ = false;
  // Last, so that it is gone before the blocks it may be writing.
  FileWriterThread writer_;
};

// What ReadEntries read: entry i of the run is entry first + i.
class TrafficStore::EntryRun {
 public:
  std::size_t Size() const { return metas_.size(); }
  const Meta& MetaAt(std::size_t i) const { return metas_[i]; }
  std::string_view BytesAt(std::size_t i) const { return {bytes_.data() + starts_[i], lengths_[i]}; }

 private:
  friend class TrafficStore;
  std::vector<Record> records_;
  std::vector<Meta> metas_;
  std::vector<std::size_t> starts_;  // where each entry's bytes begin in bytes_
  std::vector<std::size_t> lengths_;
  std::string bytes_;  // the stream's bytes of the run, one entry after another
};
