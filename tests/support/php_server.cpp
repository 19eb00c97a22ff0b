#include "support/php_server.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <stdexcept>

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
  try {
    process_ = std::make_unique<ChildProcess>(std::move(args), ChildProcess::Output::kStdoutAndStderr);
  } catch (const std::runtime_error&) {
    return;
  }
  port_ = ReadPort();
  drain_ = std::thread([this] { process_->ReadOutput(); });
}

PhpServer::~PhpServer() {
  if (process_) process_->Terminate();
  if (drain_.joinable()) drain_.join();
}

int PhpServer::ReadPort() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string output;
  const std::regex started(R"(\(http://127\.0\.0\.1:(\d+)\) started)");
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd entry{process_->OutputFd(), POLLIN, 0};
    if (::poll(&entry, 1, 200) <= 0) continue;
    char buffer[512];
    const ssize_t n = ::read(process_->OutputFd(), buffer, sizeof buffer);
    if (n <= 0) return 0;
    output.append(buffer, static_cast<size_t>(n));
    std::smatch match;
    if (std::regex_search(output, match, started)) return std::stoi(match[1]);
  }
  return 0;
}

}  // namespace vitrix::test
