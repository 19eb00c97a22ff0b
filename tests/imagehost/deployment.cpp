#include "deployment.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace vitrix::test {

ImageHostDeployment::ImageHostDeployment() {
  // Directly under /tmp and open to others for traversal: run as root, the
  // servers run as nobody, who must reach this folder.
  std::string pattern = "/tmp/vitrix-deployment-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return;
  ::chmod(pattern.c_str(), 0711);
  dir_ = pattern + "/";
  Start();
}

void ImageHostDeployment::Start() {
  const std::string source = VITRIX_SOURCE_DIR;
  const std::string script = "\"$1/tests/imagehost/make-test-certificate\" \"$2cert\" && "
                             "exec \"$1/tools/imagehost/deploy/start\" --dir \"$2stack\" --data \"$2data\" "
                             "--cert \"$2cert/server.pem\" --key \"$2cert/server.key\" --plain-port 0 --lifetime 600";
  std::vector<std::string> args = {"bash", "-c", script, "deployment", source, dir_};
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, (dir_ + "start.log").c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int spawned = ::posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_fds[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(pipe_fds[0]);
    return;
  }
  // The script says "ready https=N http=N plain=N" once both servers answer.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const std::regex ready(R"(ready https=(\d+) http=\d+ plain=(\d+))");
  std::string output;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd entry{pipe_fds[0], POLLIN, 0};
    if (::poll(&entry, 1, 200) <= 0) continue;
    char buffer[256];
    const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
    std::smatch match;
    if (std::regex_search(output, match, ready)) {
      https_port_ = std::stoi(match[1]);
      plain_port_ = std::stoi(match[2]);
      break;
    }
  }
  ::close(pipe_fds[0]);
}

ImageHostDeployment::~ImageHostDeployment() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

std::string ImageHostDeployment::Log() const {
  std::string log = ReadWholeFile(dir_ + "start.log");
  for (const char* name : {"nginx-error.log", "php-fpm.log"}) {
    log += std::string("\n== ") + name + "\n" + ReadWholeFile(dir_ + "stack/logs/" + name);
  }
  return log;
}

}  // namespace vitrix::test
