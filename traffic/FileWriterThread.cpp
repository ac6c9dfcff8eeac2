#include "traffic/FileWriterThread.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// Written in pieces of this size, so that Cancel never waits for a whole block.
constexpr std::size_t kPiece = std::size_t{1} << 20;

}  // namespace

FileWriterThread::~FileWriterThread() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    // The thread stops at its next piece and takes no further job.
    ending_ = cancelling_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void FileWriterThread::Queue(const Job& job) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(job);
    if (!thread_.joinable()) thread_ = std::thread(&FileWriterThread::Run, this);
  }
  wake_.notify_one();
}

std::uint64_t FileWriterThread::Done() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return done_;
}

std::string FileWriterThread::TakeFailure() {
  std::string failure;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    failure.swap(failure_);
    // Jobs queued after the failure and before it was taken go too: the
    // caller counts everything not done as not written.
    if (!failure.empty()) jobs_.clear();
  }
  wake_.notify_one();
  return failure;
}

void FileWriterThread::WaitUntilIdle() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return !busy_ && (jobs_.empty() || !failure_.empty()); });
}

void FileWriterThread::Cancel() {
  std::unique_lock<std::mutex> lock(mutex_);
  cancelling_ = true;
  if (busy_) {
    // The job being written stays at the front until the thread lets go of it.
    jobs_.erase(jobs_.begin() + 1, jobs_.end());
  } else {
    jobs_.clear();
  }
  idle_.wait(lock, [this] { return !busy_; });
  jobs_.clear();
  cancelling_ = false;
  done_ = 0;
  failure_.clear();
}

void FileWriterThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return ending_ || (!jobs_.empty() && failure_.empty() && !cancelling_); });
    if (ending_) return;
    const Job job = jobs_.front();
    busy_ = true;
    std::string failure;
    std::size_t written = 0;
    while (written < job.size && !cancelling_) {
      lock.unlock();
      const std::size_t piece = std::min(kPiece, job.size - written);
      const ssize_t n = ::pwrite(job.fd, job.data + written, piece, static_cast<off_t>(job.offset + written));
      const int error = errno;
      lock.lock();
      if (n < 0 && error == EINTR) continue;
      if (n <= 0) {
        // A short write that wrote nothing means the file cannot grow.
        failure = std::strerror(n < 0 ? error : ENOSPC);
        break;
      }
      written += static_cast<std::size_t>(n);
    }
    busy_ = false;
    jobs_.pop_front();
    if (cancelling_) {
      // Cancel counts nothing and clears the rest.
    } else if (failure.empty()) {
      ++done_;
    } else {
      failure_ = failure;
      jobs_.clear();
    }
    if (jobs_.empty() || !failure_.empty() || cancelling_) idle_.notify_all();
  }
}
