#pragma once

// What the kernel says of a process, or of one thread of this process: its
// scheduling state and the processor time it has used (from /proc). Tests
// use it to know that a thread is blocked, benchmarks to measure another
// process's share of a core.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>

namespace vitrix::test {

struct ProcStat {
  // 'R' running or ready, 'S' asleep (on a lock, a condition, a poll), 'D'
  // waiting for a device, ...
  char state = '?';
  // User and system time.
  double cpu_seconds = 0;
};

// The figures of a process; nullopt when it does not exist.
std::optional<ProcStat> ReadProcessStat(pid_t pid);
// The figures of one thread of this process (see CurrentThreadId).
std::optional<ProcStat> ReadThreadStat(pid_t tid);
// The calling thread's system-wide id.
pid_t CurrentThreadId();

// Waits until the thread tid of this process is asleep, which for a thread
// that does nothing else means blocked where it is, and returns true. Returns
// false as soon as gave_up() is true, or once limit has passed.
bool WaitUntilThreadSleeps(pid_t tid, const std::function<bool()>& gave_up,
                           std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace vitrix::test
