#include "traffic/DataLog.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

DataLog::~DataLog() {
  std::string ignored;
  Close(&ignored);
}

FileStatus DataLog::Open(const std::string& path) {
  std::string ignored;
  Close(&ignored);
  FileStatus status;
  const int fd = SafeOpenLog(path, &status);
  if (fd < 0) return status;
  fd_ = fd;
  path_ = path;
  return status;
}

bool DataLog::Close(std::string* reason) {
  if (fd_ < 0) return true;
  const bool flushed = Flush(reason);
  const bool closed = ::close(fd_) == 0;
  if (flushed && !closed) *reason = std::strerror(errno);
  fd_ = -1;
  pending_.clear();
  return flushed && closed;
}

void DataLog::WriteLine(std::string_view timeStamp, std::string_view content) {
  pending_.append(timeStamp);
  pending_.append("    ");
  pending_.append(content);
  pending_.append("\r\n");
}

bool DataLog::Flush(std::string* reason) {
  std::size_t written = 0;
  while (written < pending_.size()) {
    const ssize_t n = ::write(fd_, pending_.data() + written, pending_.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      *reason = std::strerror(errno);
      pending_.erase(0, written);
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  pending_.clear();
  return true;
}
