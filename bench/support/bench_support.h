// Small pieces every benchmark needs: wall-clock timing, medians, size and
// list arguments, and running a child program while measuring it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vitrix::bench {

using Clock = std::chrono::steady_clock;

// Seconds elapsed since start.
double Seconds(Clock::time_point start);

// The median of values (the mean of the two middle ones for an even count).
double Median(std::vector<double> values);

// "100M", "1G", "64K" or a plain byte count.
int64_t ParseSize(const std::string& text);

// "1M,100M,1G" -> {"1M", "100M", "1G"}; empty items are dropped.
std::vector<std::string> SplitList(const std::string& text);

// A TCP server on 127.0.0.1, at a port the system picks, that hands each
// accepted connection to serve on its own thread, one at a time, and closes
// it afterwards. It stops when the object goes away. Throws
// std::runtime_error when it cannot listen.
class TLoopbackServer {
 public:
  explicit TLoopbackServer(std::function<void(int fd)> serve);
  ~TLoopbackServer();
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  int Port() const { return port_; }

 private:
  void Run();

  std::function<void(int fd)> serve_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct TChildRun {
  double seconds = 0;  // wall time from start to exit
  long peak_kb = 0;    // peak resident memory of the child
};

// Runs args[0] (looked up in PATH) with args and waits for it. When output is
// given, the child's standard output is collected there. Throws
// std::runtime_error when the child cannot start or does not exit with 0.
TChildRun RunChild(const std::vector<std::string>& args, std::string* output = nullptr);

}  // namespace vitrix::bench
