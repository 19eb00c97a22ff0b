#include "net/io_handler_socket.h"

#include <chrono>
#include <string>
#include <vector>

#include "net/net_exceptions.h"
#include "net/net_stack.h"

namespace vitrix {

void TNetIOHandlerSocket::Open() { binding_.CloseSocket(); }

void TNetIOHandlerSocket::ConnectClient(const TNetConnectTarget& target, int timeout_ms) {
  if (!TNetStack::IsDottedQuad(target.host)) DoStatus(TNetStatus::hsResolving, target.host);
  // A name may have several addresses, IPv4 and IPv6: they are tried in the
  // resolver's order, the next one after a refusal or a time-out. Under a
  // limit, each address but the last gets its share of the time left, so
  // that one that never answers leaves time for the others.
  const std::vector<std::string> addresses = GStack().ResolveHostAddresses(target.host);
  const bool limited = timeout_ms != -1 && timeout_ms != 0 && timeout_ms != kWaitForever;
  const auto start = std::chrono::steady_clock::now();
  for (size_t i = 0; i < addresses.size(); ++i) {
    const std::string& ip = addresses[i];
    const size_t left_to_try = addresses.size() - i;
    binding_.AllocateSocket(ip.find(':') != std::string::npos ? TNetAddressFamily::afIPv6 : TNetAddressFamily::afIPv4);
    binding_.Bind(target.bound_ip, target.bound_port);
    binding_.SetPeer(ip, target.port);
    if (!use_nagle_) binding_.SetNoDelay(true);
    DoStatus(TNetStatus::hsConnecting, binding_.PeerIP());

    int wait = kWaitForever;
    if (limited) {
      const auto spent =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      const int left = spent >= timeout_ms ? 0 : static_cast<int>(timeout_ms - spent);
      wait = left_to_try == 1 ? left : left / static_cast<int>(left_to_try);
    }
    const int result = binding_.Connect(wait);
    if (result == 0) return;
    binding_.CloseSocket();
    if (left_to_try > 1) continue;
    if (!limited)
      GStack().RaiseSocketError(result == TNetSocketHandle::kConnectTimedOut ? kSocketErrorTimedOut : result);
    if (result == TNetSocketHandle::kConnectTimedOut) throw ENetConnectTimeout();
    throw ENetConnectException(TNetStack::SocketErrorText(result), result);
  }
}

void TNetIOHandlerSocket::Close() { binding_.CloseSocket(); }

bool TNetIOHandlerSocket::Connected() { return binding_.HandleAllocated(); }

bool TNetIOHandlerSocket::Readable(int timeout_ms) {
  if (!binding_.HandleAllocated()) throw ENetConnClosedGracefully();
  return binding_.Readable(timeout_ms);
}

int64_t TNetIOHandlerSocket::Recv(void* buffer, int64_t count, int& error) {
  if (!binding_.HandleAllocated()) throw ENetClosedSocket();
  return binding_.Recv(buffer, count, error);
}

int64_t TNetIOHandlerSocket::UnsentBytes() { return binding_.UnsentBytes(); }

int64_t TNetIOHandlerSocket::Send(const void* buffer, int64_t count, int timeout_ms, int& error) {
  if (!binding_.HandleAllocated()) throw ENetClosedSocket();
  return binding_.Send(buffer, count, timeout_ms, error);
}

}  // namespace vitrix
