#include "support/proc_stat.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace vitrix::test {
namespace {

std::optional<ProcStat> ReadStatFile(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  if (!std::getline(file, line)) return std::nullopt;
  // After the command name, which ends with the last ')', come the state,
  // ten counters, then the user and system times in clock ticks.
  const size_t end = line.rfind(')');
  if (end == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(end + 1));
  ProcStat stat;
  unsigned long long skipped = 0, user = 0, system = 0;
  fields >> stat.state;
  for (int i = 0; i < 10; ++i) fields >> skipped;
  if (!(fields >> user >> system)) return std::nullopt;
  stat.cpu_seconds = static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
  return stat;
}

}  // namespace

std::optional<ProcStat> ReadProcessStat(pid_t pid) { return ReadStatFile("/proc/" + std::to_string(pid) + "/stat"); }

std::optional<ProcStat> ReadThreadStat(pid_t tid) {
  return ReadStatFile("/proc/self/task/" + std::to_string(tid) + "/stat");
}

pid_t CurrentThreadId() { return ::gettid(); }

bool WaitUntilThreadSleeps(pid_t tid, const std::function<bool()>& gave_up, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (gave_up()) return false;
    const std::optional<ProcStat> stat = ReadThreadStat(tid);
    if (stat && stat->state == 'S') return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

}  // namespace vitrix::test
