#pragma once
// The one way the program opens, reads and writes the files of the settings
// folder, the first-start template, the data log and the saved traffic list.
//
// The settings folder is shared by every local user of the machine, so any of
// them may have put something there: a symbolic link to another user's file,
// a FIFO, a device, a directory, a setuid program, a hard link. This module
// treats every file it is given that way:
//  - A symbolic link in the last component is followed only when the link
//    belongs to the current user or to root, who could have written its
//    target anyway (stricter than the kernel's fs.protected_symlinks, which
//    also trusts the folder's owner and which many machines run with off),
//    and never into a second link.
//  - Files are opened without blocking and must be regular files with a
//    single hard link; anything else is refused before a byte is read,
//    written or truncated.
//  - Reading stops at kSafeReadCap bytes: a larger file is refused as a whole.
//  - Writing puts the new content into a hidden temporary file beside the
//    target (".NAME.telvane-PID-N") and renames it over the old file, so a
//    crash never leaves half a file; temporary files that a killed run of the
//    same user left behind are removed on the next write. Where the folder is
//    not writable but the file is, the file is rewritten in place, with the
//    room for the new content taken before the old content is overwritten.
//  - A file written gets the folder policy's mode, never a mode found on the
//    file it replaces: 0664 in a folder with the setgid bit (the shared
//    group's folder), elsewhere 0666 less the umask, where a file of the
//    current user's own keeps no more read and write bits than it had.
//  - A file that exists but cannot be read is never replaced by the callers:
//    they read before they write and stop at a refusal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Settings and command files are a few KiB; 4 MiB is far beyond any of them.
inline constexpr std::size_t kSafeReadCap = std::size_t{4} << 20;

enum class FileRefusal {
  None,         // fine
  Missing,      // the file (or its folder) does not exist
  SystemError,  // the system refused; `error` holds errno
  ForeignLink,  // a symbolic link of another user
  LinkChain,    // a trusted link that leads to another link
  NotRegular,   // a directory, FIFO, device or socket
  HardLinked,   // a regular file with more than one name
  TooLarge,     // more than kSafeReadCap bytes
  ReadOnly,     // no write bit set: left as it is
};

struct FileStatus {
  FileRefusal refusal = FileRefusal::None;
  int error = 0;
  bool Ok() const { return refusal == FileRefusal::None; }
  // Readable, or simply not there yet: the caller may go on and write it.
  bool OkOrMissing() const { return Ok() || refusal == FileRefusal::Missing; }
};

struct FileContent {
  FileStatus status;
  std::string bytes;
};

FileContent SafeRead(const std::string& path);
// Replaces the file's content as a whole.
FileStatus SafeWrite(const std::string& path, std::string_view bytes);

// Writes a new version of a file piece by piece, for content too large to
// hold in memory at once, by the same rules: a trusted link is followed to
// its target, anything but a regular file with one name is refused, the
// pieces go into a hidden temporary file beside the target, and Commit
// renames it over the target. Until then the old file stays as it was; a
// writer destroyed without Commit removes its temporary file. There is no
// rewriting in place: where the folder does not let the temporary file be
// made or renamed, FolderRefused() tells, and the status says why.
class SafeFileWriter {
 public:
  // Beyond this many bytes, Write starts writing the file to the disk.
  static constexpr std::uint64_t kWriteBehindBytes = std::uint64_t{8} << 20;

  explicit SafeFileWriter(std::string path);
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  // Whether the writer could start: a refusal of what stands at the path, or
  // the system's reason why no temporary file could be made.
  const FileStatus& Status() const { return status_; }
  FileStatus Write(std::string_view bytes);
  // Flushes the temporary file to the disk and renames it over the target.
  FileStatus Commit();

  // The file that is replaced (the link's target, where the path is a link).
  const std::string& Target() const { return target_; }
  // The folder refused the temporary file or its rename while the target
  // exists and may be writable itself.
  bool FolderRefused() const { return folderRefused_; }

 private:
  void Discard();

  std::string target_;
  std::string temp_;
  int fd_ = -1;
  std::uint64_t written_ = 0;    // bytes in the temporary file
  std::uint64_t writingTo_ = 0;  // where the write-behind has started the disk writing
  unsigned mode_ = 0;            // the mode the new file gets
  FileStatus status_;
  bool existed_ = false;
  bool folderRefused_ = false;
};
// Opens the data log for writing and empties it, creating it when missing.
// Returns the descriptor, or -1 with the reason in *status.
int SafeOpenLog(const std::string& path, FileStatus* status);

// How a folder of shared files is open to users who should not change it.
// Its owner must be root or the current user (an owner may change anything
// in it), and users outside its group must not write in it; a link where the
// folder belongs counts as the folder only when root or the current user
// made it. A missing folder exposes nothing.
enum class FolderExposure {
  None,
  ForeignLink,       // a symbolic link of another user
  ForeignOwner,      // owned by neither root nor the current user
  WritableByOthers,  // writable by users outside its group
};
FolderExposure SharedFolderExposure(const std::string& folder);
