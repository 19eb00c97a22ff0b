#pragma once

// Keeps a program's windows alive while its thread waits on the network.
//
// Every socket wait (connecting, waiting for data or for room to send) blocks
// the thread that makes it. A program whose windows live on that thread
// derives from TNetAntiFreezeBase and activates one instance: the waits of the
// thread that activated it are then cut into slices, and between the slices,
// every IdleTimeOut milliseconds, they call Process(), where the program does
// what must not wait (painting its windows). Process() is never re-entered:
// a wait made inside it is a plain one. The waits keep their own limits; the
// time spent in Process() counts against them.
//
// The network code knows nothing of windows: this is the only place where it
// hands control back to the program during a wait.

#include <atomic>
#include <chrono>
#include <thread>

namespace vitrix {

class TNetAntiFreezeBase {
 public:
  static constexpr int kDefaultIdleTimeOut = 250;

  TNetAntiFreezeBase() = default;
  TNetAntiFreezeBase(const TNetAntiFreezeBase&) = delete;
  TNetAntiFreezeBase& operator=(const TNetAntiFreezeBase&) = delete;
  // Deactivates it first.
  virtual ~TNetAntiFreezeBase();

  // Makes this the process's instance, for the waits of the calling thread
  // (an instance active before is replaced), or deactivates it.
  void SetActive(bool active);
  bool Active() const;
  // Milliseconds between two calls of Process() during a wait (at least 1).
  int IdleTimeOut() const { return idle_time_out_ms_; }
  void SetIdleTimeOut(int milliseconds) { idle_time_out_ms_ = milliseconds < 1 ? 1 : milliseconds; }

  // For the socket waits. The longest the calling thread may wait now before
  // Process() is due: wait_ms itself (negative: no limit) when no instance is
  // active for this thread or Process() is running.
  static int WaitSlice(int wait_ms);
  // Runs Process() of the active instance when it is active for the calling
  // thread, not running already, and due.
  static void ProcessIfDue();

 protected:
  virtual void Process() = 0;

 private:
  using Clock = std::chrono::steady_clock;

  // The instance active for the calling thread, not inside its Process().
  static TNetAntiFreezeBase* ForThisThread();

  int idle_time_out_ms_ = kDefaultIdleTimeOut;
  std::thread::id thread_;
  bool processing_ = false;
  Clock::time_point last_processed_{};
};

}  // namespace vitrix
