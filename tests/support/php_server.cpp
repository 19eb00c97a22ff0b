#include "support/php_server.h"

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
  const std::vector<std::string> started =
      process_->WaitForOutput(std::regex(R"(\(http://127\.0\.0\.1:(\d+)\) started)"), std::chrono::seconds(10));
  if (started.size() == 2) port_ = std::stoi(started[1]);
  drain_ = std::thread([this] { process_->ReadOutput(); });
}

PhpServer::~PhpServer() {
  if (process_) process_->Terminate();
  if (drain_.joinable()) drain_.join();
}

}  // namespace vitrix::test
