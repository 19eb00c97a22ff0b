#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <stdexcept>

namespace vitrix::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr Clock::time_point kNever = Clock::time_point::max();

// For poll(): what is left until the deadline, -1 for none.
int MillisecondsLeft(Clock::time_point deadline) {
  if (deadline == kNever) return -1;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(std::min<long long>(left, INT_MAX)) : 0;
}

// Waits for events on fd until the deadline; false at the deadline, on an
// error, or when stop_fd (if any) becomes readable first.
bool WaitFor(int fd, short events, Clock::time_point deadline, int stop_fd = -1) {
  for (;;) {
    pollfd entries[2] = {{fd, events, 0}, {stop_fd, POLLIN, 0}};
    const int ready = ::poll(entries, stop_fd >= 0 ? 2 : 1, MillisecondsLeft(deadline));
    if (ready > 0) return entries[1].revents == 0 || stop_fd < 0;
    if (ready == 0) return false;
    if (errno != EINTR) return false;
  }
}

// A socket bound to 127.0.0.1 (or ::1) on a port the system chooses.
// A port asked for (not 0) is taken if free.
int BoundLoopbackSocket(int& port, LoopbackFamily family = LoopbackFamily::kIPv4) {
  const bool six = family == LoopbackFamily::kIPv6;
  const int fd = ::socket(six ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (six) {
    auto& address = reinterpret_cast<sockaddr_in6&>(storage);
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    address.sin6_port = htons(static_cast<uint16_t>(port));
    length = sizeof address;
  } else {
    auto& address = reinterpret_cast<sockaddr_in&>(storage);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    length = sizeof address;
  }
  if (::bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
    ::close(fd);
    throw std::runtime_error("bind() failed");
  }
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
  port = six ? ntohs(reinterpret_cast<sockaddr_in6&>(storage).sin6_port)
             : ntohs(reinterpret_cast<sockaddr_in&>(storage).sin_port);
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

int64_t PeerConnection::Discard(int64_t count) {
  char buffer[65536];
  int64_t dropped = 0;
  while (dropped < count && fd_ >= 0 && !client_closed_ && WaitFor(fd_, POLLIN, deadline_)) {
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(count - dropped, sizeof buffer));
    const ssize_t n = ::recv(fd_, buffer, wanted, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      client_closed_ = true;
      break;
    }
    dropped += n;
  }
  return dropped;
}

void PeerConnection::Close() {
  if (fd_ < 0) return;
  ::shutdown(fd_, SHUT_WR);
  ::close(fd_);
  fd_ = -1;
}

void PeerConnection::CloseSending() {
  if (fd_ >= 0) ::shutdown(fd_, SHUT_WR);
}

void PeerConnection::Reset() {
  if (fd_ < 0) return;
  linger option{1, 0};
  ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &option, sizeof option);
  ::close(fd_);
  fd_ = -1;
}

void PeerConnection::ShrinkReceiveBuffer(int bytes) {
  if (fd_ >= 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

LoopbackServer::LoopbackServer(Script script, int connections, std::chrono::milliseconds deadline,
                               LoopbackFamily family, int port)
    : deadline_(deadline == kNoDeadline ? kNever : Clock::now() + deadline) {
  port_ = port;
  listen_fd_ = BoundLoopbackSocket(port_, family);
  stop_fd_ = ::eventfd(0, EFD_CLOEXEC);
  if (stop_fd_ < 0 || ::listen(listen_fd_, 8) != 0) {
    if (stop_fd_ >= 0) ::close(stop_fd_);
    ::close(listen_fd_);
    throw std::runtime_error("listen() failed");
  }
  thread_ = std::thread([this, script = std::move(script), connections] { Run(script, connections); });
}

LoopbackServer::~LoopbackServer() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(stop_fd_, &one, sizeof one);
  if (thread_.joinable()) thread_.join();
  ::close(stop_fd_);
  ::close(listen_fd_);
}

void LoopbackServer::Run(const Script& script, int connections) {
  for (int i = 0; connections == kUntilDestroyed || i < connections; ++i) {
    if (!WaitFor(listen_fd_, POLLIN, deadline_, stop_fd_)) return;
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

RefusingPort::RefusingPort(LoopbackFamily family) { fd_ = BoundLoopbackSocket(port_, family); }

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
