#pragma once

// A multi-reader, single-writer lock whose writer may take the lock again,
// for writing or reading, while it holds it: code that runs under the write
// lock can call code that locks again.

#include <atomic>
#include <shared_mutex>
#include <thread>

namespace vitrix {

class TNetMultiReadExclusiveWriteLock {
 public:
  void BeginRead();
  void EndRead();
  void BeginWrite();
  void EndWrite();

  // The calling thread holds the write side.
  bool WriterIsCurrentThread() const { return writer_.load() == std::this_thread::get_id(); }

 private:
  std::shared_mutex mutex_;
  std::atomic<std::thread::id> writer_{};
  // Nesting of the writer's own locks (reads included); only the writer
  // thread touches it.
  int writer_depth_ = 0;
};

// Holds one side of the lock for a scope.
enum class TNetLockAccess { laRead, laReadWrite };

class TNetLockScope {
 public:
  TNetLockScope(TNetMultiReadExclusiveWriteLock& lock, TNetLockAccess access) : lock_(lock), access_(access) {
    access_ == TNetLockAccess::laRead ? lock_.BeginRead() : lock_.BeginWrite();
  }
  ~TNetLockScope() { access_ == TNetLockAccess::laRead ? lock_.EndRead() : lock_.EndWrite(); }
  TNetLockScope(const TNetLockScope&) = delete;
  TNetLockScope& operator=(const TNetLockScope&) = delete;

 private:
  TNetMultiReadExclusiveWriteLock& lock_;
  TNetLockAccess access_;
};

}  // namespace vitrix
