#include "http/rw_lock.h"

namespace vitrix {

void TNetMultiReadExclusiveWriteLock::BeginRead() {
  if (WriterIsCurrentThread()) {
    ++writer_depth_;
    return;
  }
  mutex_.lock_shared();
}

void TNetMultiReadExclusiveWriteLock::EndRead() {
  if (WriterIsCurrentThread()) {
    --writer_depth_;
    return;
  }
  mutex_.unlock_shared();
}

void TNetMultiReadExclusiveWriteLock::BeginWrite() {
  if (WriterIsCurrentThread()) {
    ++writer_depth_;
    return;
  }
  mutex_.lock();
  writer_.store(std::this_thread::get_id());
  writer_depth_ = 1;
}

void TNetMultiReadExclusiveWriteLock::EndWrite() {
  if (--writer_depth_ > 0) return;
  writer_.store(std::thread::id());
  mutex_.unlock();
}

}  // namespace vitrix
