#include "net/anti_freeze.h"

#include <algorithm>

namespace vitrix {
namespace {

// Other threads read it while the main thread may set it.
std::atomic<TNetAntiFreezeBase*> g_active{nullptr};

}  // namespace

TNetAntiFreezeBase::~TNetAntiFreezeBase() { SetActive(false); }

void TNetAntiFreezeBase::SetActive(bool active) {
  if (active) {
    thread_ = std::this_thread::get_id();
    g_active.store(this);
    return;
  }
  TNetAntiFreezeBase* self = this;
  g_active.compare_exchange_strong(self, nullptr);
}

bool TNetAntiFreezeBase::Active() const { return g_active.load() == this; }

TNetAntiFreezeBase* TNetAntiFreezeBase::ForThisThread() {
  TNetAntiFreezeBase* active = g_active.load();
  if (active == nullptr || active->thread_ != std::this_thread::get_id() || active->processing_) return nullptr;
  return active;
}

int TNetAntiFreezeBase::WaitSlice(int wait_ms) {
  const TNetAntiFreezeBase* active = ForThisThread();
  if (active == nullptr) return wait_ms;
  const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - active->last_processed_);
  const auto due_in =
      static_cast<int>(std::clamp<int64_t>(active->idle_time_out_ms_ - since.count(), 0, active->idle_time_out_ms_));
  return wait_ms < 0 ? due_in : std::min(wait_ms, due_in);
}

void TNetAntiFreezeBase::ProcessIfDue() {
  TNetAntiFreezeBase* active = ForThisThread();
  if (active == nullptr ||
      Clock::now() - active->last_processed_ < std::chrono::milliseconds(active->idle_time_out_ms_)) {
    return;
  }
  // Whatever Process() does, its own waits are plain ones and it never runs
  // inside itself.
  struct TProcessing {
    TNetAntiFreezeBase& self;
    explicit TProcessing(TNetAntiFreezeBase& s) : self(s) { self.processing_ = true; }
    ~TProcessing() {
      self.processing_ = false;
      self.last_processed_ = Clock::now();
    }
  } processing(*active);
  active->Process();
}

}  // namespace vitrix
