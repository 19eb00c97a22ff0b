#pragma once

// Debian's tinyproxy as a forward proxy for one test: its configuration in a
// private folder, listening on 127.0.0.1 on a free port, with or without
// Basic credentials, and ended when the object goes away.

#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace vitrix::test {

class ForwardProxy {
 public:
  // Without a user name the proxy asks for no credentials.
  explicit ForwardProxy(const std::string& user = {}, const std::string& password = {});
  ~ForwardProxy();
  ForwardProxy(const ForwardProxy&) = delete;
  ForwardProxy& operator=(const ForwardProxy&) = delete;

  // The proxy answers connections.
  bool Started() const { return started_; }
  int Port() const { return port_; }
  // What the proxy logged, for a failure's message.
  std::string Log() const;

 private:
  TempDir dir_;
  std::unique_ptr<ChildProcess> process_;
  int port_ = 0;
  bool started_ = false;
};

}  // namespace vitrix::test
