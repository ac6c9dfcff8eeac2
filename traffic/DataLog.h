#pragma once
// The data log: one line per received datagram, CR LF line ends, 8-bit text.
//
// Lines collect in memory and reach the file at every Flush, which the
// receive path calls once per batch of arrivals, so nothing that was listed
// is lost to buffering when the program quits or is killed. A failure to open
// or write is returned with its reason, never ignored.
#include <string>
#include <string_view>

#include "core/SafeFile.h"

class DataLog {
 public:
  DataLog() = default;
  ~DataLog();
  DataLog(const DataLog&) = delete;
  DataLog& operator=(const DataLog&) = delete;

  // Creates or empties the file (path in the file system's encoding). The
  // path may name a file in the shared settings folder, so it is opened the
  // safe way: no foreign link followed, nothing but a regular file emptied,
  // never a wait on a FIFO.
  FileStatus Open(const std::string& path);
  // Writes what is pending and closes; false (with the reason) if the last write failed.
  bool Close(std::string* reason);
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& Path() const { return path_; }

  // timeStamp + four blanks + content + CR LF.
  void WriteLine(std::string_view timeStamp, std::string_view content);
  bool Flush(std::string* reason);

 private:
  int fd_ = -1;
  std::string path_;
  std::string pending_;
};
