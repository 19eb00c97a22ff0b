#pragma once

// Other programs run from tests and benchmarks: a server kept running for a
// test (PHP's web server, the image host's deployment), a reference tool run
// to its end (cjpeg, curl) and timed. Arguments go to the program as they
// are, with no shell between; its standard input is empty.

#include <sys/types.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

namespace vitrix::test {

// A program started with args (args[0] looked up in PATH), ended (SIGTERM)
// and waited for when the object goes away if it still runs.
class ChildProcess {
 public:
  enum class Output {
    kInherited,        // the child writes where this process writes
    kStdout,           // its standard output comes through OutputFd()
    kStdoutAndStderr,  // both come through OutputFd()
  };

  // Throws std::runtime_error when the program cannot be started.
  // error_file: where the standard error goes instead, when not empty.
  explicit ChildProcess(std::vector<std::string> args, Output output = Output::kInherited,
                        const std::string& error_file = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // The reading end of the child's output, or -1 (kInherited).
  int OutputFd() const { return output_fd_; }
  // Everything the child writes until it closes its output.
  std::string ReadOutput();
  // Reads the output until what came matches pattern (a server's start-up
  // line) and returns the match and its groups; nothing when the output ends
  // or limit passes first.
  std::vector<std::string> WaitForOutput(const std::regex& pattern, std::chrono::milliseconds limit);

  struct Exit {
    // The exit code, or minus the signal that ended the child.
    int status = 0;
    // Peak resident memory of the child.
    long peak_kb = 0;
  };
  // Waits for the child to end (once; later calls give the same).
  Exit Wait();
  // Asks the child to end (SIGTERM) and waits for it.
  Exit Terminate();

 private:
  pid_t pid_ = -1;
  int output_fd_ = -1;
  bool ended_ = false;
  Exit exit_;
};

struct ChildRun {
  int status = 0;      // the exit code, or minus the signal
  double seconds = 0;  // wall time from start to exit
  long peak_kb = 0;    // peak resident memory of the child
  std::string output;  // its standard output, when asked for
};

// Runs args to its end. Throws std::runtime_error when it cannot start.
ChildRun RunChild(const std::vector<std::string>& args, ChildProcess::Output output = ChildProcess::Output::kInherited);
// The same, and throws std::runtime_error unless the program exits with 0.
ChildRun RunChildOrThrow(const std::vector<std::string>& args,
                         ChildProcess::Output output = ChildProcess::Output::kInherited);

}  // namespace vitrix::test
