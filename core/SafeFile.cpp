#include "core/SafeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <random>
#include <utility>

#include "core/Descriptor.h"

namespace {

// Every open: no link in the last component, no waiting on a FIFO or device,
// nothing inherited by child processes, never a controlling terminal.
constexpr int kOpenFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

FileStatus Refused(FileRefusal why) { return {why, 0}; }

FileStatus SystemFailure(int error) {
  if (error == ENOENT || error == ENOTDIR) return {FileRefusal::Missing, error};
  return {FileRefusal::SystemError, error};
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool TrustedOwner(uid_t owner) { return owner == ::geteuid() || owner == 0; }

struct LinkTarget {
  FileStatus status;
  std::string path;
};

// Where the symbolic link at `path` leads, if it may be followed: only a link
// whose owner could have written its target anyway, the current user or root.
// (The folder's owner is not trusted for that: in a folder an operator owns,
// the operator's link to a file only root may write would have root's next
// save overwrite it.) Owner and target are read from the same open link, so
// the link cannot be swapped in between.
LinkTarget FollowLink(const std::string& path) {
  const Descriptor link(::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
  if (link.Get() < 0) return {SystemFailure(errno), {}};
  struct stat linkInfo {};
  if (::fstat(link.Get(), &linkInfo) != 0) return {SystemFailure(errno), {}};
  if (!S_ISLNK(linkInfo.st_mode)) return {SystemFailure(ELOOP), {}};
  if (!TrustedOwner(linkInfo.st_uid)) return {Refused(FileRefusal::ForeignLink), {}};
  std::array<char, PATH_MAX> buffer{};
  const ssize_t length = ::readlinkat(link.Get(), "", buffer.data(), buffer.size());
  if (length < 0) return {SystemFailure(errno), {}};
  if (length == 0 || static_cast<std::size_t>(length) >= buffer.size()) return {SystemFailure(ENOENT), {}};
  // Built by appending: "a" + b + c chains trip GCC 12's -Wrestrict at -O3.
  std::string target;
  if (buffer[0] != '/') target.append(FolderOf(path)).append("/");
  target.append(buffer.data(), static_cast<std::size_t>(length));
  return {{}, std::move(target)};
}

struct Opened {
  Descriptor fd;
  FileStatus status;
  std::string path;  // the file opened: the link's target where a link was followed
};

Opened Unopened(FileStatus why) {
  Opened none;
  none.status = why;
  return none;
}

// Opens a regular file with a single name, following at most one trusted link.
Opened OpenChecked(const std::string& path, int flags) {
  std::string actual = path;
  int fd = ::open(actual.c_str(), flags | kOpenFlags, 0666);
  if (fd < 0 && errno == ELOOP) {
    LinkTarget link = FollowLink(actual);
    if (!link.status.Ok()) return Unopened(link.status);
    actual = std::move(link.path);
    fd = ::open(actual.c_str(), flags | kOpenFlags, 0666);
    if (fd < 0 && errno == ELOOP) return Unopened(Refused(FileRefusal::LinkChain));
  }
  if (fd < 0) {
    const int error = errno;
    // A FIFO without a reader or a directory opened for writing fails with
    // its own error; say what it is instead.
    struct stat info {};
    if (error != ENOENT && ::lstat(actual.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
      return Unopened(Refused(FileRefusal::NotRegular));
    }
    return Unopened(SystemFailure(error));
  }
  Descriptor owned(fd);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return Unopened(SystemFailure(errno));
  if (!S_ISREG(info.st_mode)) return Unopened(Refused(FileRefusal::NotRegular));
  if (info.st_nlink > 1) return Unopened(Refused(FileRefusal::HardLinked));
  return {std::move(owned), {}, std::move(actual)};
}

FileStatus WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemFailure(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return {};
}

// The process's umask, read without changing it (umask() can only be read by
// setting it, which would race with other threads creating files).
mode_t CurrentUmask() {
  const Descriptor status(::open("/proc/self/status", O_RDONLY | O_CLOEXEC));
  std::array<char, 4096> text{};
  const ssize_t n = status.Get() < 0 ? -1 : ::read(status.Get(), text.data(), text.size() - 1);
  const std::string_view lines(text.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
  const std::size_t at = lines.find("\nUmask:\t");
  unsigned mask = 022;
  if (at != std::string_view::npos) {
    const std::string_view digits = lines.substr(at + 8, 4);
    std::from_chars(digits.data(), digits.data() + digits.size(), mask, 8);
  }
  return static_cast<mode_t>(mask & 0777);
}

// The mode a file written into `folder` gets. The shared group's folder
// carries the setgid bit: its files are 0664, so every operator of the group
// can keep them up to date and everybody else can read them. Elsewhere a file
// gets 0666 less the umask. A mode found on the file being replaced is never
// taken over (a second user could have planted any mode there), except that a
// file of the current user's own, outside the shared folder, stays as private
// as it was (an exported list the user keeps 0600).
mode_t PolicyMode(const std::string& folder, const struct stat* replaced) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) == 0 && (info.st_mode & S_ISGID) != 0) return 0664;
  mode_t mode = 0666 & ~CurrentUmask();
  if (replaced != nullptr && replaced->st_uid == ::geteuid()) mode &= replaced->st_mode;
  return mode;
}

// Gives a file the folder policy's mode where the current user may (it is the
// file's owner); another user's file keeps its mode, which is theirs to set.
void ApplyPolicyMode(int fd, const std::string& folder) {
  struct stat info {};
  if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) return;
  const mode_t mode = PolicyMode(folder, &info);
  if ((info.st_mode & 07777) != mode) ::fchmod(fd, mode);
}

// Removes ".NAME.telvane-PID-..." files of the current user whose run has
// ended (killed in the middle of a write).
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (!name.starts_with(prefix)) continue;
    const std::string_view rest = name.substr(prefix.size());
    int pid = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (error != std::errc() || pid <= 0 || end == rest.data() + rest.size() || *end != '-') continue;
    if (pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat info {};
    if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISREG(info.st_mode) && info.st_uid == ::geteuid()) ::unlinkat(dirFd, entry->d_name, 0);
  }
  ::closedir(dir);
}

FileStatus WriteAllAt(int fd, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return SystemFailure(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += n;
  }
  return {};
}

// Rewrites a file in its own blocks, for a folder that refuses a temporary
// file. The old content stays whole until the room for the new one is on the
// disk: the part that grows the file is written (and flushed) first, behind
// the old content, and only then is the old content overwritten from the
// start; the file is shortened last. A full disk therefore fails before a
// byte of the old content has changed, and the growth is cut off again.
// A kill in the middle leaves: during the growth, the old content followed by
// part of the new content's tail; during the overwrite, the new content's
// start followed by the rest of the old file; before the shortening, the new
// content followed by the old content's tail.
FileStatus WriteInPlace(const std::string& path, std::string_view bytes) {
  const Opened file = OpenChecked(path, O_WRONLY);
  if (!file.status.Ok()) return file.status;
  const int fd = file.fd.Get();
  struct stat info {};
  if (::fstat(fd, &info) != 0) return SystemFailure(errno);
  const auto oldSize = static_cast<std::size_t>(info.st_size);

  if (bytes.size() > oldSize) {
    // Blocks reserved ahead spare a file system that supports it a part-
    // written growth; the write behind the old content is the reservation
    // everywhere else.
    const int reserved = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size()));
    FileStatus grown = reserved == 0 || errno == EOPNOTSUPP || errno == ENOSYS ? FileStatus{} : SystemFailure(errno);
    if (grown.Ok()) grown = WriteAllAt(fd, bytes.substr(oldSize), static_cast<off_t>(oldSize));
    if (grown.Ok() && ::fsync(fd) != 0) grown = SystemFailure(errno);
    if (!grown.Ok()) {
      // Whatever was reserved or written goes again; the old content is whole.
      if (::ftruncate(fd, static_cast<off_t>(oldSize)) != 0) return grown;
      ::fsync(fd);
      return grown;
    }
  }
  FileStatus written = WriteAllAt(fd, bytes.substr(0, std::min(bytes.size(), oldSize)), 0);
  if (written.Ok() && bytes.size() < oldSize && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
    written = SystemFailure(errno);
  }
  if (written.Ok() && ::fsync(fd) != 0) written = SystemFailure(errno);
  if (written.Ok()) ApplyPolicyMode(fd, FolderOf(file.path));
  return written;
}

bool FolderNotWritable(int error) { return error == EACCES || error == EPERM; }

}  // namespace

FileContent SafeRead(const std::string& path) {
  const Opened file = OpenChecked(path, O_RDONLY);
  if (!file.status.Ok()) return {file.status, {}};
  std::string bytes;
  std::array<char, std::size_t{64} * 1024> buffer{};
  for (;;) {
    const ssize_t n = ::read(file.fd.Get(), buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return {SystemFailure(errno), {}};
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > kSafeReadCap) return {Refused(FileRefusal::TooLarge), {}};
    bytes.append(buffer.data(), static_cast<std::size_t>(n));
  }
  return {{}, std::move(bytes)};
}

SafeFileWriter::SafeFileWriter(std::string path) : target_(std::move(path)) {
  // Through a trusted link the link's target is what gets replaced.
  struct stat info {};
  bool exists = ::lstat(target_.c_str(), &info) == 0;
  if (exists && S_ISLNK(info.st_mode)) {
    LinkTarget link = FollowLink(target_);
    if (!link.status.Ok()) {
      status_ = link.status;
      return;
    }
    target_ = std::move(link.path);
    exists = ::lstat(target_.c_str(), &info) == 0;
    if (exists && S_ISLNK(info.st_mode)) {
      status_ = Refused(FileRefusal::LinkChain);
      return;
    }
  }

  const std::string folder = FolderOf(target_);
  if (exists) {
    if (!S_ISREG(info.st_mode)) {
      status_ = Refused(FileRefusal::NotRegular);
      return;
    }
    if (info.st_nlink > 1) {
      status_ = Refused(FileRefusal::HardLinked);
      return;
    }
    // Checked on the bits, so a read-only file stays untouched for root too.
    if ((info.st_mode & 0222) == 0) {
      status_ = Refused(FileRefusal::ReadOnly);
      return;
    }
  }
  mode_ = PolicyMode(folder, exists ? &info : nullptr);
  existed_ = exists;

  const std::string prefix = std::string(".").append(NameOf(target_)).append(".telvane-");
  RemoveStaleTemporaries(folder, prefix);
  static std::mt19937_64 random{std::random_device{}()};
  int error = 0;
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    temp_.assign(folder).append("/").append(prefix).append(std::to_string(::getpid())).append("-");
    temp_.append(std::to_string(random()));
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666);
    error = errno;
    if (fd_ < 0 && error != EEXIST) break;
  }
  if (fd_ < 0) {
    temp_.clear();
    folderRefused_ = exists && FolderNotWritable(error);
    status_ = SystemFailure(error);
  }
}

SafeFileWriter::~SafeFileWriter() { Discard(); }

void SafeFileWriter::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

FileStatus SafeFileWriter::Write(std::string_view bytes) {
  if (!status_.Ok()) return status_;
  status_ = WriteAll(fd_, bytes);
  if (!status_.Ok()) {
    Discard();
    return status_;
  }
  // A large file goes to the disk as it grows, a chunk or two behind its
  // end, rather than all at once in Commit's fsync: a gigabyte flushed in one
  // go holds the file system's journal for seconds, and every other writer on
  // the disk with it (the data log on the receive thread). The wait for the
  // older chunk falls on this writer, and the chunks written leave the page
  // cache. Errors show at the fsync of Commit.
  written_ += bytes.size();
  while (written_ - writingTo_ >= kWriteBehindBytes) {
    const auto chunk = static_cast<off_t>(kWriteBehindBytes);
    const auto start = static_cast<off_t>(writingTo_);
    ::sync_file_range(fd_, start, chunk, SYNC_FILE_RANGE_WRITE);
    if (start >= chunk) {
      ::sync_file_range(fd_, start - chunk, chunk,
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
      ::posix_fadvise(fd_, start - chunk, chunk, POSIX_FADV_DONTNEED);
    }
    writingTo_ += kWriteBehindBytes;
  }
  return status_;
}

FileStatus SafeFileWriter::Commit() {
  if (!status_.Ok()) return status_;
  if (::fchmod(fd_, mode_) != 0) status_ = SystemFailure(errno);
  if (status_.Ok() && ::fsync(fd_) != 0) status_ = SystemFailure(errno);
  if (status_.Ok() && ::close(std::exchange(fd_, -1)) != 0) status_ = SystemFailure(errno);
  if (status_.Ok() && ::rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    // In a sticky folder only a file's owner may replace it.
    folderRefused_ = existed_ && FolderNotWritable(error);
    status_ = SystemFailure(error);
  }
  if (status_.Ok()) temp_.clear();  // renamed: nothing left to remove
  Discard();
  return status_;
}

FileStatus SafeWrite(const std::string& path, std::string_view bytes) {
  SafeFileWriter writer(path);
  if (writer.Status().Ok() && writer.Write(bytes).Ok()) writer.Commit();
  // Where the folder is not writable but the file is, the file is rewritten in place.
  if (writer.FolderRefused()) return WriteInPlace(writer.Target(), bytes);
  return writer.Status();
}

int SafeOpenLog(const std::string& path, FileStatus* status) {
  // A new file first: O_EXCL neither follows a link nor touches what exists.
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | kOpenFlags, 0666));
  if (fd.Get() >= 0) {
    ApplyPolicyMode(fd.Get(), FolderOf(path));
    *status = {};
    return fd.Release();
  }
  if (errno != EEXIST) {
    *status = SystemFailure(errno);
    return -1;
  }
  // An existing file is checked before it is emptied.
  Opened file = OpenChecked(path, O_WRONLY | O_CREAT);
  if (!file.status.Ok()) {
    *status = file.status;
    return -1;
  }
  if (::ftruncate(file.fd.Get(), 0) != 0) {
    *status = SystemFailure(errno);
    return -1;
  }
  ApplyPolicyMode(file.fd.Get(), FolderOf(file.path));
  *status = {};
  return file.fd.Release();
}

FolderExposure SharedFolderExposure(const std::string& folder) {
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return FolderExposure::None;  // not there: nothing to expose
  if (S_ISLNK(info.st_mode)) {
    if (!TrustedOwner(info.st_uid)) return FolderExposure::ForeignLink;
    if (::stat(folder.c_str(), &info) != 0) return FolderExposure::None;
  }
  if (!TrustedOwner(info.st_uid)) return FolderExposure::ForeignOwner;
  // A sticky folder still lets everybody create the names that are missing.
  if ((info.st_mode & S_IWOTH) != 0) return FolderExposure::WritableByOthers;
  return FolderExposure::None;
}
