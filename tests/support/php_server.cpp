#include "support/php_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>

extern char** environ;

namespace vitrix::test {

PhpServer::PhpServer(const std::string& router_script, const std::vector<std::string>& ini_settings) {
  std::vector<std::string> args = {"php", "-n"};
  for (const std::string& setting : ini_settings) {
    args.push_back("-d");
    args.push_back(setting);
  }
  args.insert(args.end(), {"-S", "127.0.0.1:0", router_script});
  Start(std::move(args));
}

PhpServer::PhpServer(const ServeScript& script) { Start({script.path, "0"}); }

void PhpServer::Start(std::vector<std::string> args) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDERR_FILENO);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int spawned = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  output_fd_ = pipe_fds[0];
  if (spawned != 0) {
    pid_ = -1;
    return;
  }
  port_ = ReadPort();
  drain_ = std::thread([fd = output_fd_] {
    char buffer[4096];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
  });
}

PhpServer::~PhpServer() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  if (drain_.joinable()) drain_.join();
  if (output_fd_ >= 0) ::close(output_fd_);
}

int PhpServer::ReadPort() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string output;
  const std::regex started(R"(\(http://127\.0\.0\.1:(\d+)\) started)");
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd entry{output_fd_, POLLIN, 0};
    if (::poll(&entry, 1, 200) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(output_fd_, buffer, sizeof buffer);
    if (n <= 0) return 0;
    output.append(buffer, static_cast<size_t>(n));
    std::smatch match;
    if (std::regex_search(output, match, started)) return std::stoi(match[1]);
  }
  return 0;
}

}  // namespace vitrix::test
