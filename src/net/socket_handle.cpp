#include "net/socket_handle.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/anti_freeze.h"
#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

using Clock = std::chrono::steady_clock;

// poll() on one descriptor, resumed after signals for the time that is left.
// Returns the revents seen, 0 when the time ran out. The wait is cut into
// slices when the program keeps its windows alive meanwhile (anti_freeze.h).
short PollOne(int fd, short events, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    TNetAntiFreezeBase::ProcessIfDue();
    int left = -1;
    if (timeout_ms != kWaitForever) {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      left = ms > 0 ? static_cast<int>(ms) : 0;
    }
    const int wait = TNetAntiFreezeBase::WaitSlice(left);
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, wait);
    if (ready > 0) return entry.revents;
    if (ready == 0 && wait == left) return 0;
    if (ready < 0 && errno != EINTR) return POLLERR;
  }
}

// An IPv4 or IPv6 socket address; the family follows the text of ip (empty:
// any IPv4 address).
struct TSocketAddress {
  sockaddr_storage storage{};
  socklen_t length = 0;
  const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

TSocketAddress MakeAddress(const std::string& ip, int port) {
  // Port 0 asks for any local port when binding; no other number outside
  // 16 bits is a port, and cutting it down would reach another one.
  if (port < 0 || port > 65535) GStack().RaiseSocketError(kSocketErrorAddressNotAvailable);
  TSocketAddress result;
  if (ip.find(':') != std::string::npos) {
    auto* address = reinterpret_cast<sockaddr_in6*>(&result.storage);
    address->sin6_family = AF_INET6;
    address->sin6_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET6, ip.c_str(), &address->sin6_addr) != 1) {
      GStack().RaiseSocketError(kSocketErrorAddressNotAvailable);
    }
    result.length = sizeof(sockaddr_in6);
    return result;
  }
  auto* address = reinterpret_cast<sockaddr_in*>(&result.storage);
  address->sin_family = AF_INET;
  address->sin_port = htons(static_cast<uint16_t>(port));
  if (!ip.empty()) {
    unsigned char bytes[4];
    if (!TNetStack::ParseDottedQuad(ip, bytes)) GStack().RaiseSocketError(kSocketErrorAddressNotAvailable);
    std::memcpy(&address->sin_addr.s_addr, bytes, 4);
  }
  result.length = sizeof(sockaddr_in);
  return result;
}

std::string AddressText(const sockaddr_storage& storage) {
  if (storage.ss_family == AF_INET6) {
    char text[INET6_ADDRSTRLEN] = {};
    const auto& address = reinterpret_cast<const sockaddr_in6&>(storage);
    return ::inet_ntop(AF_INET6, &address.sin6_addr, text, sizeof text) != nullptr ? text : "";
  }
  const auto& address = reinterpret_cast<const sockaddr_in&>(storage);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address.sin_addr.s_addr);
  return IntToStr(bytes[0]) + "." + IntToStr(bytes[1]) + "." + IntToStr(bytes[2]) + "." + IntToStr(bytes[3]);
}

int PortOf(const sockaddr_storage& storage) {
  if (storage.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(storage).sin6_port);
  return ntohs(reinterpret_cast<const sockaddr_in&>(storage).sin_port);
}

enum class TSocketMode { smBlocking, smNonBlocking };

void SetMode(int fd, TSocketMode mode) {
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, mode == TSocketMode::smBlocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}

}  // namespace

TNetSocketHandle::~TNetSocketHandle() {
  if (handle_ >= 0) ::close(handle_);
}

void TNetSocketHandle::AllocateSocket(TNetAddressFamily family) {
  if (handle_ >= 0) CloseSocket();
  handle_ = ::socket(family == TNetAddressFamily::afIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (handle_ < 0) throw ENetInvalidSocket();
}

void TNetSocketHandle::Bind(const std::string& ip, int port) {
  // Binding to any address and any port is what connect() does anyway, and
  // doing it early would take a local port without knowing the peer.
  if (ip.empty() && port == 0) return;
  const TSocketAddress address = MakeAddress(ip, port);
  const int result = ::bind(handle_, address.get(), address.length);
  if (GStack().CheckSocketResult(result, {kSocketErrorAddressInUse})) throw ENetCouldNotBindSocket();
  UpdateBindingLocal();
}

void TNetSocketHandle::SetPeer(const std::string& ip, int port) {
  peer_ip_ = ip;
  peer_port_ = port;
}

void TNetSocketHandle::SetNoDelay(bool on) {
  const int value = on ? 1 : 0;
  GStack().CheckSocketResult(::setsockopt(handle_, IPPROTO_TCP, TCP_NODELAY, &value, sizeof value));
}

int TNetSocketHandle::Connect(int timeout_ms) {
  const TSocketAddress address = MakeAddress(peer_ip_, peer_port_);
  // Always a non-blocking connect and a wait: a thread blocked in connect()
  // cannot be woken by closing the socket, and a connect interrupted by a
  // signal goes on in the background anyway.
  SetMode(handle_, TSocketMode::smNonBlocking);
  int error = 0;
  if (::connect(handle_, address.get(), address.length) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) {
      error = TNetStack::TranslateSystemError(errno);
    } else {
      const short events = PollOne(handle_, POLLOUT, timeout_ms);
      if (events == 0) return kConnectTimedOut;
      int socket_error = 0;
      socklen_t length = sizeof socket_error;
      if (::getsockopt(handle_, SOL_SOCKET, SO_ERROR, &socket_error, &length) != 0) socket_error = errno;
      if (socket_error != 0) error = TNetStack::TranslateSystemError(socket_error);
    }
  }
  SetMode(handle_, TSocketMode::smBlocking);
  if (error != 0) return error;
  UpdateBindingLocal();
  UpdateBindingPeer();
  return 0;
}

bool TNetSocketHandle::Readable(int timeout_ms) const { return PollOne(handle_, POLLIN, timeout_ms) != 0; }

bool TNetSocketHandle::Writable(int timeout_ms) const { return PollOne(handle_, POLLOUT, timeout_ms) != 0; }

int64_t TNetSocketHandle::Recv(void* buffer, int64_t count, int& error) {
  for (;;) {
    const ssize_t n = ::recv(handle_, buffer, static_cast<size_t>(count), 0);
    if (n >= 0) return n;
    if (errno == EINTR) continue;
    error = TNetStack::TranslateSystemError(errno);
    return -1;
  }
}

int64_t TNetSocketHandle::Send(const void* buffer, int64_t count, int timeout_ms, int& error) {
  const bool limited = timeout_ms != kWaitForever;
  const int flags = MSG_NOSIGNAL | (limited ? MSG_DONTWAIT : 0);
  for (;;) {
    if (limited && !Writable(timeout_ms)) {
      error = kSocketErrorTimedOut;
      return -1;
    }
    const ssize_t n = ::send(handle_, buffer, static_cast<size_t>(count), flags);
    if (n >= 0) return n;
    // EAGAIN after poll() saw room is a lost race for that room: wait again.
    static_assert(EAGAIN == EWOULDBLOCK, "one code for a send that would block");
    if (errno == EINTR || (limited && errno == EAGAIN)) continue;
    error = TNetStack::TranslateSystemError(errno);
    return -1;
  }
}

int64_t TNetSocketHandle::UnsentBytes() const {
  int queued = 0;
  if (handle_ < 0 || ::ioctl(handle_, SIOCOUTQ, &queued) != 0) return 0;
  return queued;
}

void TNetSocketHandle::UpdateBindingLocal() {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(handle_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    ip_ = AddressText(address);
    port_ = PortOf(address);
  }
}

void TNetSocketHandle::UpdateBindingPeer() {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(handle_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    peer_ip_ = AddressText(address);
    peer_port_ = PortOf(address);
  }
}

void TNetSocketHandle::CloseSocket() {
  if (handle_ >= 0) {
    ::shutdown(handle_, SHUT_WR);
    ::close(handle_);
    handle_ = -1;
  }
  Reset();
}

void TNetSocketHandle::Reset() {
  peer_ip_.clear();
  peer_port_ = 0;
  ip_.clear();
  port_ = 0;
}

}  // namespace vitrix
