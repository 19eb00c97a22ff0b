#pragma once

// PHP's built-in web server (`php -S 127.0.0.1:0`) running one router script,
// for tests against an independent HTTP server. The port is read from the
// server's start-up line; the process is ended when the object goes away.
// What the server logs is read and dropped.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"

namespace vitrix::test {

// A start script that runs PHP's server itself (tools/imagehost/serve): it
// is given the port 0 as its one argument.
struct ServeScript {
  std::string path;
};

class PhpServer {
 public:
  // ini_settings: "name=value" texts passed with -d.
  explicit PhpServer(const std::string& router_script, const std::vector<std::string>& ini_settings = {});
  explicit PhpServer(const ServeScript& script);
  ~PhpServer();
  PhpServer(const PhpServer&) = delete;
  PhpServer& operator=(const PhpServer&) = delete;

  // 0 when the server could not be started.
  int Port() const { return port_; }
  std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

 private:
  void Start(std::vector<std::string> args);

  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
  // Reads the server's log after the start-up line, so that a long test never
  // stalls the server on a full pipe.
  std::thread drain_;
};

}  // namespace vitrix::test
