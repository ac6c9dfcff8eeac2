#include "traffic/TrafficStore.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>
#include <random>
#include <shared_mutex>
#include <thread>
#include <utility>

#include "traffic/StoreFolder.h"
#include "traffic/TimeOfDay.h"

namespace {

constexpr std::size_t kWindowBytes = std::size_t{64} << 10;
constexpr unsigned kOffsetBits = 48;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;
constexpr unsigned kBadFrameBit = 58;
constexpr unsigned kNoticeBit = 59;
// While entries are not listed, the file is tried again at most this often
// (in the entries' own time, so a test can step it).
constexpr std::int64_t kRetryMicroseconds = 1'000'000;

std::int64_t DayOf(std::int64_t utcMicroseconds) {
  const std::int64_t day = utcMicroseconds / kMicrosecondsPerDay;
  return utcMicroseconds % kMicrosecondsPerDay < 0 ? day - 1 : day;
}

// An unnamed file in the folder, or -1 (errno says why). Where the file
// system has no unnamed files, a file with a random name is created
// exclusively and its name removed at once.
int OpenUnnamedFile(int folder) {
  int fd = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR)) return fd;
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = ".telvane-list-" + std::to_string(random()) + std::to_string(random());
    fd = ::openat(folder, name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::unlinkat(folder, name.c_str(), 0);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// A shared hold of the lock, taken only while it is free. A reader that
// waits in the lock's queue is counted as holding it as soon as the writer
// lets go, before it runs; a walk on a thread of low priority may then not
// get a processor for milliseconds while the receive thread waits for it.
// Trying instead, the walk holds the lock only while it runs.
std::shared_lock<WriterFirstLock> HoldWhileFree(WriterFirstLock& lock) {
  constexpr std::chrono::microseconds kRetry{50};
  std::shared_lock hold(lock, std::defer_lock);
  while (!hold.try_lock()) std::this_thread::sleep_for(kRetry);
  return hold;
}

bool ReadAll(int fd, char* out, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}

}  // namespace

TrafficStore::Pages::Pages(std::size_t size) : size_(size) {
  if (size == 0) return;
  void* pages = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) throw std::bad_alloc();
  data_ = static_cast<char*>(pages);
}

TrafficStore::Pages::~Pages() {
  if (data_ != nullptr) ::munmap(data_, size_);
}

TrafficStore::Pages::Pages(Pages&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

TrafficStore::Pages& TrafficStore::Pages::operator=(Pages&& other) noexcept {
  if (this != &other) {
    if (data_ != nullptr) ::munmap(data_, size_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

TrafficStore::Files::~Files() {
  if (data >= 0) ::close(data);
  if (records >= 0) ::close(records);
}

TrafficStore::TrafficStore(std::vector<std::string> folders, Limits limits)
    : folders_(std::move(folders)),
      limits_(limits),
      memoryLimit_(
          std::max(limits.memoryLimit != 0 ? limits.memoryLimit : DefaultMemoryLimit(), 2 * limits.memoryBudget)) {}

TrafficStore::~TrafficStore() { Clear(); }

std::size_t TrafficStore::DefaultMemoryLimit() {
  // Enough for tens of millions of short datagrams while the disk is full,
  // and never so much that the machine runs out of memory over it.
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  const std::size_t machine =
      pages > 0 && pageSize > 0 ? static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) : 0;
  return std::clamp(machine / 8, std::size_t{128} << 20, std::size_t{1} << 30);
}

bool TrafficStore::Append(EntryKind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame) {
  const std::unique_lock lock(lock_);
  return AppendLocked(kind, utcMicroseconds, bytes, badFrame);
}

bool TrafficStore::AppendLocked(EntryKind kind, std::int64_t utcMicroseconds, std::string_view bytes, bool badFrame) {
  if (!listing_ && !ListingResumes(utcMicroseconds)) return CountNotListed(kind);
  if (!MakeRoomFor(bytes.size())) {
    StopListing(utcMicroseconds);
    return CountNotListed(kind);
  }
  if (!bytes.empty()) {
    Block& block = data_.back();
    std::memcpy(block.pages.Data() + block.used, bytes.data(), bytes.size());
    block.used += bytes.size();
  }
  if (IsOutgoing(kind)) outgoing_.push_back(Count());
  AddRecord((streamEnd_ & kOffsetMask) | (static_cast<std::uint64_t>(badFrame) << kBadFrameBit),
            static_cast<std::uint32_t>(bytes.size()), utcMicroseconds, kind);
  streamEnd_ += bytes.size();
  KeepWithinBudget();
  return true;
}

bool TrafficStore::MakeRoomFor(std::size_t length) {
  // An entry never straddles two blocks; one larger than a block gets a block
  // of its own.
  const bool newData = length > 0 && (data_.empty() || data_.back().pages.Size() - data_.back().used < length);
  const bool newRecords = records_.empty() || records_.back().used == RecordBlockBytes();
  if (!newData && !newRecords) return true;
  const std::size_t dataSize = newData ? std::max(length, limits_.dataBlockBytes) : 0;
  const std::size_t recordSize = newRecords ? RecordBlockBytes() : 0;
  // Room for one more record block stays free, for a notice.
  const auto fits = [&] { return memoryBytes_ + dataSize + recordSize + RecordBlockBytes() <= memoryLimit_; };
  if (!fits() && !jobs_.empty()) Reap();
  if (!fits()) return false;
  try {
    if (newData) data_.push_back({streamEnd_, 0, Pages(dataSize)});
    memoryBytes_ += dataSize;
    if (newRecords) records_.push_back({Count(), 0, Pages(recordSize)});
    memoryBytes_ += recordSize;
  } catch (const std::bad_alloc&) {
    // A data block made before the failure stays for the next entries.
    noMemory_ = true;
    return false;
  }
  return true;
}

void TrafficStore::AddRecord(std::uint64_t offsetAndFlags, std::uint32_t length, std::int64_t utcMicroseconds,
                             EntryKind kind) {
  const std::int64_t day = DayOf(utcMicroseconds);
  const std::uint64_t entry = Count();
  if (days_.empty() || days_.back().day != day) days_.push_back({entry, day});
  const auto ofDay = static_cast<std::uint64_t>(utcMicroseconds - day * kMicrosecondsPerDay);
  const auto kindBits = kind == EntryKind::Notice ? 0U : static_cast<std::uint32_t>(kind);
  const Record record{offsetAndFlags | ((ofDay % 1000) << kOffsetBits), length,
                      static_cast<std::uint32_t>((ofDay / 1000) << 2U) | kindBits};
  Block& block = records_.back();
  std::memcpy(block.pages.Data() + block.used, &record, sizeof record);
  block.used += sizeof record;
  // Readers take the lock too; the count alone is read without it.
  count_.store(entry + 1, std::memory_order_release);
}

bool TrafficStore::CountNotListed(EntryKind kind) {
  NotListed& notice = notices_.back();
  ++(IsOutgoing(kind) ? notice.sent : notice.received);
  ++notListedCount_;
  return false;
}

void TrafficStore::StopListing(std::int64_t utcMicroseconds) {
  // One entry per episode, counting on while it lasts, rather than one written
  // when listing resumes: the list shows at once, and all along, that and why
  // entries are missing from here on. Its counts live beside the records, so
  // the record itself never changes.
  NotListed notice;
  const std::optional<std::string> failure = FailureInForce();
  notice.cause = std::exchange(noMemory_, false) ? NotListedCause::NoMemory
                 : failure                       ? NotListedCause::FileFailed
                                                 : NotListedCause::FileBehind;
  if (notice.cause == NotListedCause::FileFailed) notice.reason = *failure;
  listing_ = false;
  lastTryMicroseconds_ = utcMicroseconds;
  notices_.push_back(std::move(notice));
  noticeEntry_.reset();
  // The room kept free takes the notice's record.
  if (records_.empty() || records_.back().used == RecordBlockBytes()) {
    try {
      records_.push_back({Count(), 0, Pages(RecordBlockBytes())});
      memoryBytes_ += RecordBlockBytes();
    } catch (const std::bad_alloc&) {
      return;  // counted all the same, but not shown
    }
  }
  noticeEntry_ = Count();
  AddRecord((notices_.size() - 1) | (std::uint64_t{1} << kNoticeBit), 0, utcMicroseconds, EntryKind::Notice);
}

bool TrafficStore::ListingResumes(std::int64_t utcMicroseconds) {
  if (!jobs_.empty()) Reap();
  NotListed& notice = notices_.back();
  if (notice.cause == NotListedCause::FileBehind) {
    if (std::optional<std::string> failure = FailureInForce()) {
      notice.cause = NotListedCause::FileFailed;
      notice.reason = std::move(*failure);
    }
  }
  // A working set's worth of room: listing does not stop again at once.
  if (memoryBytes_ + limits_.memoryBudget <= memoryLimit_) {
    listing_ = true;
    return true;
  }
  // The disk may have room again: the blocks in memory are handed to the
  // writer once more. A clock set back counts as time passed.
  if (jobs_.empty() &&
      (utcMicroseconds - lastTryMicroseconds_ >= kRetryMicroseconds || utcMicroseconds < lastTryMicroseconds_)) {
    lastTryMicroseconds_ = utcMicroseconds;
    retryAbove_ = 0;
    KeepWithinBudget();
  }
  return false;
}

std::optional<std::uint64_t> TrafficStore::CountingNotice() const {
  const std::shared_lock lock(lock_);
  return listing_ ? std::nullopt : noticeEntry_;
}

std::uint64_t TrafficStore::NotListedCount() const {
  const std::shared_lock lock(lock_);
  return notListedCount_;
}

TrafficStore::NotListed TrafficStore::NoticeOf(const Meta& meta) const {
  const std::shared_lock lock(lock_);
  return meta.notice < notices_.size() ? notices_[meta.notice] : NotListed{};
}

std::optional<std::uint64_t> TrafficStore::LastOutgoingBefore(std::uint64_t entry) const {
  if (entry == 0) return std::nullopt;
  const std::shared_lock lock(lock_);
  const auto after = std::upper_bound(outgoing_.begin(), outgoing_.end(), entry - 1);
  if (after == outgoing_.begin()) return std::nullopt;
  return *std::prev(after);
}

void TrafficStore::KeepWithinBudget() {
  // Written blocks are freed as soon as the writer is done with them, one at
  // a time. Freeing them only when the next block is made (to save the
  // writer's lock on each append) frees several at once, and those longer
  // pauses lost datagrams at 700,000/s with 10 million entries listed.
  if (!jobs_.empty()) Reap();
  if (memoryBytes_ - queuedBytes_ <= limits_.memoryBudget || memoryBytes_ < retryAbove_) return;
  // The block being filled always stays; of the others, the larger kind goes first.
  while (memoryBytes_ - queuedBytes_ > limits_.memoryBudget) {
    const bool dataCanGo = data_.size() > dataQueued_ + 1;
    const bool recordsCanGo = records_.size() > recordsQueued_ + 1;
    bool data = false;
    if (dataCanGo && (!recordsCanGo || data_[dataQueued_].pages.Size() >= records_[recordsQueued_].pages.Size())) {
      data = true;
    } else if (!recordsCanGo) {
      return;
    }
    if (dataFd_ < 0 && !OpenFiles()) {
      retryAbove_ = memoryBytes_ + limits_.memoryBudget;
      return;
    }
    const Block& block = data ? data_[dataQueued_++] : records_[recordsQueued_++];
    // A block's place in its file: the stream offset, or the first record's.
    writer_.Queue({data ? dataFd_ : recordFd_, block.pages.Data(), block.used,
                   data ? block.first : block.first * sizeof(Record)});
    queuedBytes_ += block.pages.Size();
    jobs_.push_back(data);
  }
  retryAbove_ = 0;
}

void TrafficStore::Reap() {
  // The failure first: once it is taken the thread has nothing queued, so the
  // count of jobs done that follows is final for the jobs handed over so far.
  const std::string failure = writer_.TakeFailure();
  const std::uint64_t done = writer_.Done();
  for (; reaped_ < done; ++reaped_) {
    const bool data = jobs_.front();
    jobs_.pop_front();
    // A failure is over once a write to the file that failed succeeds (any
    // write, after a failure to create the files).
    if (!failedData_ || *failedData_ == data) {
      const std::lock_guard problemLock(problemMutex_);
      failing_ = false;
      failedData_.reset();
    }
    std::deque<Block>& blocks = data ? data_ : records_;
    memoryBytes_ -= blocks.front().pages.Size();
    queuedBytes_ -= blocks.front().pages.Size();
    blocks.pop_front();
    // The block being filled is never queued, so a block always follows.
    // (What cursors keep of the files stays valid: written blocks never change.)
    if (data) {
      --dataQueued_;
      dataOnFile_ = data_.front().first;
    } else {
      --recordsQueued_;
      recordsOnFile_ = records_.front().first;
    }
  }
  if (!failure.empty()) {
    // The first job not done is the one that failed; it and the rest were
    // dropped. Their blocks stay in memory, and writing is tried again after
    // another budget's worth of entries.
    failedData_ = jobs_.front();
    Fail(failure);
    jobs_.clear();
    dataQueued_ = recordsQueued_ = queuedBytes_ = 0;
    retryAbove_ = memoryBytes_ + limits_.memoryBudget;
  }
}

void TrafficStore::Settle() {
  writer_.WaitUntilIdle();
  const std::unique_lock lock(lock_);
  Reap();
}

bool TrafficStore::OpenFiles() {
  std::string reasons;
  for (const std::string& path : folders_) {
    std::string reason;
    const int folder = OpenStoreFolder(path, &reason);
    if (folder >= 0) {
      const int data = OpenUnnamedFile(folder);
      const int records = data < 0 ? -1 : OpenUnnamedFile(folder);
      const int error = errno;
      ::close(folder);
      reason = path + ": " + std::strerror(error);
      if (records >= 0) {
        auto files = std::make_shared<Files>();
        files->data = dataFd_ = data;
        files->records = recordFd_ = records;
        files_ = std::move(files);
        return true;
      }
      if (data >= 0) ::close(data);
    }
    reasons += (reasons.empty() ? "" : "; ") + reason;
  }
  Fail(reasons.empty() ? std::string("no folder for the list's file") : reasons);
  return false;
}

void TrafficStore::Fail(const std::string& problem) const {
  const std::lock_guard lock(problemMutex_);
  if (failing_) return;
  failing_ = true;
  problem_ = problem;
  failure_ = problem;
}

std::optional<std::string> TrafficStore::FailureInForce() const {
  const std::lock_guard lock(problemMutex_);
  if (!failing_) return std::nullopt;
  return failure_;
}

std::string TrafficStore::TakeProblem() {
  const std::lock_guard lock(problemMutex_);
  return std::exchange(problem_, std::string());
}

std::size_t TrafficStore::MemoryBytes() const {
  const std::shared_lock lock(lock_);
  return memoryBytes_;
}

std::uint64_t TrafficStore::FileBytes() const {
  const std::shared_lock lock(lock_);
  return dataOnFile_ + recordsOnFile_ * sizeof(Record);
}

// The cursor a read goes through: the caller's own, or the store's, whose
// mutex is held for the read.
class TrafficStore::ReadingCursor {
 public:
  ReadingCursor(const TrafficStore& store, Cursor* given)
      : own_(given == nullptr ? std::unique_lock(store.ownCursorMutex_) : std::unique_lock<std::mutex>()),
        cursor_(given == nullptr ? store.ownCursor_ : *given) {
    // Pieces of the files of before a Clear are of no use any more.
    if (cursor_.generation_ != store.Generation()) {
      cursor_.data_.Forget();
      cursor_.records_.Forget();
      cursor_.generation_ = store.Generation();
    }
  }
  Cursor& Get() { return cursor_; }

 private:
  std::unique_lock<std::mutex> own_;
  Cursor& cursor_;
};

TrafficStore::Record TrafficStore::RecordInMemory(std::uint64_t entry) const {
  Record record{};
  const std::uint64_t index = entry - recordsOnFile_;
  const Block& block = records_[index / limits_.recordsPerBlock];
  std::memcpy(&record, block.pages.Data() + index % limits_.recordsPerBlock * sizeof(Record), sizeof record);
  return record;
}

TrafficStore::Record TrafficStore::RecordOf(std::uint64_t entry, Cursor& cursor) const {
  Record record{};
  if (entry >= Count()) return record;
  if (entry >= recordsOnFile_) {
    record = RecordInMemory(entry);
  } else if (!ReadFile(recordFd_, cursor.records_, entry * sizeof(Record), sizeof record,
                       reinterpret_cast<char*>(&record))) {
    record = {};
  }
  return record;
}

TrafficStore::Meta TrafficStore::EntryMeta(std::uint64_t entry, Cursor* cursor) const {
  const std::shared_lock lock(lock_);
  ReadingCursor reading(*this, cursor);
  return MetaOf(RecordOf(entry, reading.Get()), entry);
}

TrafficStore::Meta TrafficStore::MetaOf(const Record& record, std::uint64_t entry) const {
  Meta meta;
  meta.kind = static_cast<EntryKind>(record.timeAndKind & 3U);
  meta.millisecondOfDay = record.timeAndKind >> 2U;
  meta.length = record.length;
  meta.badFrame = ((record.offsetAndMore >> kBadFrameBit) & 1U) != 0;
  if (((record.offsetAndMore >> kNoticeBit) & 1U) != 0) {
    meta.kind = EntryKind::Notice;
    meta.notice = static_cast<std::size_t>(record.offsetAndMore & kOffsetMask);
  }
  // The last day that began at or before the entry; nearly always the first.
  auto day = days_.end();
  if (days_.size() == 1 && days_.front().entry <= entry) {
    day = days_.begin();
  } else if (const auto after =
                 std::upper_bound(days_.begin(), days_.end(), entry,
                                  [](std::uint64_t at, const DayStart& start) { return at < start.entry; });
             after != days_.begin()) {
    day = std::prev(after);
  }
  const std::int64_t dayNumber = day == days_.end() ? 0 : day->day;
  meta.utcMicroseconds = dayNumber * kMicrosecondsPerDay + std::int64_t{meta.millisecondOfDay} * 1000 +
                         static_cast<std::int64_t>((record.offsetAndMore >> kOffsetBits) & 1023U);
  return meta;
}

std::string TrafficStore::EntryBytes(std::uint64_t entry, std::size_t maxBytes, Cursor* cursor) const {
  std::string bytes;
  ReadEntry(entry, bytes, maxBytes, cursor);
  return bytes;
}

TrafficStore::Meta TrafficStore::ReadEntry(std::uint64_t entry, std::string& bytes, std::size_t maxBytes,
                                           Cursor* cursor) const {
  const std::shared_lock lock(lock_);
  ReadingCursor reading(*this, cursor);
  const Record record = RecordOf(entry, reading.Get());
  bytes.resize(std::min<std::size_t>(record.length, maxBytes));
  if (!bytes.empty() && !ReadStream(record.offsetAndMore & kOffsetMask, bytes.size(), bytes.data(), reading.Get())) {
    bytes.clear();
  }
  return MetaOf(record, entry);
}

std::size_t TrafficStore::ReadEntries(std::uint64_t first, std::size_t count, EntryRun& run,
                                      std::size_t maxBytes) const {
  run.records_.assign(count, Record{});
  run.metas_.clear();
  run.starts_.clear();
  run.lengths_.clear();
  run.bytes_.clear();
  if (count == 0) return 0;
  // 1. The records in memory, under the lock.
  std::uint64_t generation = 0;
  std::uint64_t end = first;  // entries from here on are beyond Count()
  std::uint64_t recordsOnFile = 0;
  std::shared_ptr<const Files> files;
  {
    const std::shared_lock lock = HoldWhileFree(lock_);
    generation = Generation();
    files = files_;
    if (first < Count()) end = first + std::min<std::uint64_t>(count, Count() - first);
    recordsOnFile = std::min(recordsOnFile_, end);
    for (std::uint64_t entry = std::max(first, recordsOnFile); entry < end; ++entry) {
      run.records_[entry - first] = RecordInMemory(entry);
    }
  }
  // 2. The records on file, with the lock free: what is on file never changes.
  if (first < recordsOnFile && !ReadAll(files->records, reinterpret_cast<char*>(run.records_.data()),
                                        (recordsOnFile - first) * sizeof(Record), first * sizeof(Record))) {
    Fail(std::string("reading the list's file: ") + std::strerror(errno));
    std::fill_n(run.records_.begin(), recordsOnFile - first, Record{});
  }
  // 3. The metas, and the bytes in memory, under the lock. Bytes of
  // consecutive entries lie one after another in the stream, so the run's
  // bytes are one piece of it, [from, to), and one read at most.
  std::uint64_t from = 0;
  std::uint64_t to = 0;
  std::uint64_t onFileTo = 0;  // the part of the piece that is on file ends here
  {
    const std::shared_lock lock = HoldWhileFree(lock_);
    if (Generation() != generation) {
      // Cleared meanwhile: what was read belongs to entries that are gone.
      std::fill(run.records_.begin(), run.records_.end(), Record{});
      end = first;
    }
    files = files_;
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const Record& record = run.records_[i];
      const Meta meta = first + i < end ? MetaOf(record, first + i) : Meta{};
      const std::size_t length = meta.kind == EntryKind::Notice ? 0 : record.length;
      if (i > 0 && bytes + length > maxBytes) break;
      if (length > 0 && bytes == 0) from = to = record.offsetAndMore & kOffsetMask;
      run.metas_.push_back(meta);
      run.starts_.push_back(bytes);
      run.lengths_.push_back(length);
      bytes += length;
      to += length;
    }
    run.bytes_.resize(bytes);
    onFileTo = std::clamp(dataOnFile_, from, to);
    if (onFileTo < to) CopyStream(onFileTo, to, run.bytes_.data() + (onFileTo - from));
  }
  // 4. The bytes on file, with the lock free.
  if (from < onFileTo && !ReadAll(files->data, run.bytes_.data(), onFileTo - from, from)) {
    Fail(std::string("reading the list's file: ") + std::strerror(errno));
    // Those entries read as empty, as an entry that cannot be read does.
    for (std::size_t i = 0; i < run.Size() && run.starts_[i] < onFileTo - from; ++i) run.lengths_[i] = 0;
  }
  return run.Size();
}

void TrafficStore::CopyStream(std::uint64_t from, std::uint64_t to, char* out) const {
  // The blocks in memory hold the stream's end without a gap.
  auto block = std::prev(std::upper_bound(data_.begin(), data_.end(), from,
                                          [](std::uint64_t at, const Block& b) { return at < b.first; }));
  while (from < to) {
    const std::uint64_t until = std::min(to, block->first + block->used);
    std::memcpy(out, block->pages.Data() + (from - block->first), until - from);
    out += until - from;
    from = until;
    ++block;
  }
}

bool TrafficStore::ReadStream(std::uint64_t offset, std::size_t length, char* out, Cursor& cursor) const {
  if (offset < dataOnFile_) return ReadFile(dataFd_, cursor.data_, offset, length, out);
  CopyStream(offset, offset + length, out);
  return true;
}

bool TrafficStore::ReadFile(int fd, Window& window, std::uint64_t offset, std::size_t length, char* out) const {
  const bool inside = offset >= window.start && offset + length <= window.start + window.bytes.size();
  if (!inside && length <= kWindowBytes / 2) {
    // Neighbouring entries are read next: take in the window around this one.
    window.start = offset - offset % (kWindowBytes / 2);
    window.bytes.resize(kWindowBytes);
    const ssize_t n = ::pread(fd, window.bytes.data(), kWindowBytes, static_cast<off_t>(window.start));
    window.bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  }
  if (offset >= window.start && offset + length <= window.start + window.bytes.size()) {
    std::memcpy(out, window.bytes.data() + (offset - window.start), length);
    return true;
  }
  if (ReadAll(fd, out, length, offset)) return true;
  Fail(std::string("reading the list's file: ") + std::strerror(errno));
  return false;
}

void TrafficStore::Clear() {
  const std::unique_lock lock(lock_);
  // The writer thread lets go of the blocks and the files first.
  writer_.Cancel();
  jobs_.clear();
  reaped_ = 0;
  dataQueued_ = recordsQueued_ = queuedBytes_ = 0;
  data_.clear();
  records_.clear();
  days_.clear();
  days_.shrink_to_fit();
  outgoing_.clear();
  outgoing_.shrink_to_fit();
  // Closed here, or by the last read still at them.
  files_.reset();
  dataFd_ = recordFd_ = -1;
  count_.store(0, std::memory_order_release);
  generation_.fetch_add(1, std::memory_order_acq_rel);
  streamEnd_ = dataOnFile_ = recordsOnFile_ = 0;
  memoryBytes_ = retryAbove_ = 0;
  {
    const std::lock_guard problemLock(problemMutex_);
    failing_ = false;
    problem_.clear();
    failure_.clear();
  }
  failedData_.reset();
  notices_.clear();
  notices_.shrink_to_fit();
  noticeEntry_.reset();
  listing_ = true;
  noMemory_ = false;
  notListedCount_ = 0;
#ifdef __GLIBC__
  // What the index and the views left on the heap goes back too.
  ::malloc_trim(0);
#endif
}
