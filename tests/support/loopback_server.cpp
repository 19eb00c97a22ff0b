#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vitrix::test {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

// A socket bound to 127.0.0.1 on a port the system chooses.
int BoundLoopbackSocket(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    throw std::runtime_error("bind() failed");
  }
  socklen_t length = sizeof address;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

PeerConnection::~PeerConnection() {
  if (fd_ >= 0) ::close(fd_);
}

bool PeerConnection::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!WaitFor(fd_, POLLOUT, deadline_)) return false;
    const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool PeerConnection::ReceiveSome() {
  if (fd_ < 0 || client_closed_ || !WaitFor(fd_, POLLIN, deadline_)) return false;
  char buffer[65536];
  ssize_t n;
  do {
    n = ::recv(fd_, buffer, sizeof buffer, 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) {
    client_closed_ = true;
    return false;
  }
  received_.append(buffer, static_cast<size_t>(n));
  return true;
}

std::string PeerConnection::ReceiveUntil(std::string_view marker) {
  while (received_.find(marker) == std::string::npos && ReceiveSome()) {
  }
  return received_;
}

std::string PeerConnection::ReceiveAtLeast(size_t count) {
  while (received_.size() < count && ReceiveSome()) {
  }
  return received_;
}

std::string PeerConnection::ReceiveUntilClose() {
  while (ReceiveSome()) {
  }
  return received_;
}

void PeerConnection::Close() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}

void PeerConnection::Reset() {
  if (fd_ < 0) return;
  linger option{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &option, sizeof option);
  ::close(fd_);
  fd_ = -1;
}

LoopbackServer::LoopbackServer(Script script, int connections, std::chrono::milliseconds deadline)
    : deadline_(Clock::now() + deadline) {
  listen_fd_ = BoundLoopbackSocket(port_);
  if (::listen(listen_fd_, 8) != 0) {
    ::close(listen_fd_);
    throw std::runtime_error("listen() failed");
  }
  thread_ = std::thread([this, script = std::move(script), connections] { Run(script, connections); });
}

LoopbackServer::~LoopbackServer() {
  Join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
}

void LoopbackServer::Run(const Script& script, int connections) {
  for (int i = 0; i < connections; ++i) {
    if (!WaitFor(listen_fd_, POLLIN, deadline_)) return;
    const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    PeerConnection connection(fd, deadline_);
    {
      std::lock_guard lock(mutex_);
      ++accepted_;
    }
    script(connection);
    std::lock_guard lock(mutex_);
    received_ += connection.Received();
  }
}

void LoopbackServer::Join() {
  if (thread_.joinable()) thread_.join();
}

std::string LoopbackServer::Received() {
  Join();
  std::lock_guard lock(mutex_);
  return received_;
}

int LoopbackServer::Accepted() {
  Join();
  std::lock_guard lock(mutex_);
  return accepted_;
}

RefusingPort::RefusingPort() { fd_ = BoundLoopbackSocket(port_); }

RefusingPort::~RefusingPort() { ::close(fd_); }

SilentListener::SilentListener() {
  fd_ = BoundLoopbackSocket(port_);
  ::listen(fd_, 0);
  // Connections that are never accepted fill the queue; the system then
  // drops new connection requests without answering them.
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<uint16_t>(port_));
  for (int& filler : fillers_) {
    filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
}

SilentListener::~SilentListener() {
  for (const int filler : fillers_) {
    if (filler >= 0) ::close(filler);
  }
  ::close(fd_);
}

}  // namespace vitrix::test
