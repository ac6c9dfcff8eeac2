#pragma once
// Writes ranges of memory to files on a thread of its own, in the order they
// were handed over, so that the thread that hands them over never waits on
// the disk (a file system may hold a writer for tens of milliseconds while it
// commits its journal or writes back other pages).
//
// The memory of a job must stay unchanged and alive until the job is done or
// Cancel returns. After a failed write the thread drops the jobs still queued
// and takes no more until the failure has been taken (TakeFailure).
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

class FileWriterThread {
 public:
  struct Job {
    int fd = -1;
    const char* data = nullptr;
    std::size_t size = 0;
    std::uint64_t offset = 0;  // where in the file
  };

  FileWriterThread() = default;
  ~FileWriterThread();
  FileWriterThread(const FileWriterThread&) = delete;
  FileWriterThread& operator=(const FileWriterThread&) = delete;

  // The thread starts with the first job.
  void Queue(const Job& job);
  // Jobs completely written since the start or the last Cancel, in order.
  std::uint64_t Done() const;
  // Why a write failed ("" if none has); the jobs after it were dropped and
  // none was counted done. Clears the failure, so jobs are taken again.
  std::string TakeFailure();
  // Blocks until the queue is empty (written or dropped after a failure).
  void WaitUntilIdle();
  // Drops the queued jobs, stops the one being written at its next piece and
  // waits for that; counts start again at zero.
  void Cancel();

 private:
  void Run();

  mutable std::mutex mutex_;
  std::condition_variable wake_;  // a job, or the end
  std::condition_variable idle_;  // the queue ran empty
  std::deque<Job> jobs_;
  bool busy_ = false;  // a job is being written (it is still jobs_.front())
  bool cancelling_ = false;
  bool ending_ = false;
  std::uint64_t done_ = 0;
  std::string failure_;
  std::thread thread_;
};
