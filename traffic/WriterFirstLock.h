#pragma once
// A read-write lock on which a waiting writer goes first: readers that come
// after it wait until it is through. The store's one writer is the receive
// thread, and a find or an export reads entry after entry; with the usual
// reader-first lock those reads, overlapping, could keep the receive thread
// waiting for as long as they go on, while datagrams pile up in the socket.
// Meets the standard's SharedMutex requirements, for std::unique_lock and
// std::shared_lock.
#include <pthread.h>

class WriterFirstLock {
 public:
  WriterFirstLock() {
    pthread_rwlockattr_t attributes;
    pthread_rwlockattr_init(&attributes);
    pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
    pthread_rwlock_init(&lock_, &attributes);
    pthread_rwlockattr_destroy(&attributes);
  }
  ~WriterFirstLock() { pthread_rwlock_destroy(&lock_); }
  WriterFirstLock(const WriterFirstLock&) = delete;
  WriterFirstLock& operator=(const WriterFirstLock&) = delete;

  void lock() { pthread_rwlock_wrlock(&lock_); }
  bool try_lock() { return pthread_rwlock_trywrlock(&lock_) == 0; }
  void unlock() { pthread_rwlock_unlock(&lock_); }
  void lock_shared() { pthread_rwlock_rdlock(&lock_); }
  bool try_lock_shared() { return pthread_rwlock_tryrdlock(&lock_) == 0; }
  void unlock_shared() { pthread_rwlock_unlock(&lock_); }

 private:
  pthread_rwlock_t lock_{};
};
