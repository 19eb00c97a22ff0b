#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/timing.h"

extern char** environ;

namespace vitrix::test {

ChildProcess::ChildProcess(std::vector<std::string> args, Output output, const std::string& error_file) {
  if (args.empty()) throw std::runtime_error("no program to start");
  int pipe_fds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  if (output != Output::kInherited) {
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) {
      posix_spawn_file_actions_destroy(&actions);
      throw std::runtime_error("pipe() failed");
    }
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    if (output == Output::kStdoutAndStderr) posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
  }
  if (!error_file.empty()) {
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int spawned = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipe_fds[1] >= 0) ::close(pipe_fds[1]);
  output_fd_ = pipe_fds[0];
  if (spawned != 0) {
    pid_ = -1;
    if (output_fd_ >= 0) ::close(output_fd_);
    throw std::runtime_error("cannot start " + args[0]);
  }
}

ChildProcess::~ChildProcess() {
  if (!ended_) Terminate();
  if (output_fd_ >= 0) ::close(output_fd_);
}

std::string ChildProcess::ReadOutput() {
  std::string output;
  if (output_fd_ < 0) return output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(output_fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
  }
  return output;
}

std::vector<std::string> ChildProcess::WaitForOutput(const std::regex& pattern, std::chrono::milliseconds limit) {
  if (output_fd_ < 0) return {};
  const auto deadline = Clock::now() + limit;
  std::string output;
  while (Clock::now() < deadline) {
    pollfd entry{output_fd_, POLLIN, 0};
    if (::poll(&entry, 1, 200) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(output_fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return {};
    output.append(buffer, static_cast<size_t>(n));
    std::smatch match;
    if (std::regex_search(output, match, pattern)) return {match.begin(), match.end()};
  }
  return {};
}

ChildProcess::Exit ChildProcess::Wait() {
  if (ended_) return exit_;
  int status = 0;
  rusage usage{};
  int waited;
  do {
    waited = ::wait4(pid_, &status, 0, &usage);
  } while (waited < 0 && errno == EINTR);
  ended_ = true;
  if (waited < 0) {
    exit_.status = -1;
    return exit_;
  }
  exit_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  exit_.peak_kb = usage.ru_maxrss;
  return exit_;
}

ChildProcess::Exit ChildProcess::Terminate() {
  if (!ended_) ::kill(pid_, SIGTERM);
  return Wait();
}

ChildRun RunChild(const std::vector<std::string>& args, ChildProcess::Output output) {
  const auto start = Clock::now();
  ChildProcess child(args, output);
  ChildRun run;
  run.output = child.ReadOutput();
  const ChildProcess::Exit exit = child.Wait();
  run.seconds = Seconds(start);
  run.status = exit.status;
  run.peak_kb = exit.peak_kb;
  return run;
}

ChildRun RunChildOrThrow(const std::vector<std::string>& args, ChildProcess::Output output) {
  ChildRun run = RunChild(args, output);
  if (run.status != 0) throw std::runtime_error(args[0] + " failed (status " + std::to_string(run.status) + ")");
  return run;
}

}  // namespace vitrix::test
