#include "support/forward_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace vitrix::test {
namespace {

// A port that was free a moment ago: tinyproxy takes a port number, not an
// open socket.
int FreeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

bool Answers(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

}  // namespace

ForwardProxy::ForwardProxy(const std::string& user, const std::string& password) {
  port_ = FreeLoopbackPort();
  std::string config = "Port " + std::to_string(port_) +
                       "\n"
                       "Listen 127.0.0.1\n"
                       "Timeout 30\n"
                       "MaxClients 20\n"
                       "LogLevel Info\n"
                       "Allow 127.0.0.1\n"
                       "LogFile \"" +
                       dir_.Path() + "tinyproxy.log\"\n";
  if (!user.empty()) config += "BasicAuth " + user + " " + password + "\n";
  const std::string file = dir_.WriteFile("tinyproxy.conf", config);
  try {
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"tinyproxy", "-d", "-c", file},
                                              ChildProcess::Output::kInherited, dir_.Path() + "stderr.txt");
  } catch (const std::exception&) {
    return;
  }
  for (int i = 0; i < 100 && !started_; ++i) {
    started_ = Answers(port_);
    if (!started_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

ForwardProxy::~ForwardProxy() {
  if (process_) process_->Terminate();
}

std::string ForwardProxy::Log() const { return dir_.ReadFile("tinyproxy.log") + dir_.ReadFile("stderr.txt"); }

}  // namespace vitrix::test
