#include "net/io_handler_socket.h"

#include "net/net_exceptions.h"
#include "net/net_stack.h"

namespace vitrix {

void TNetIOHandlerSocket::Open() { binding_.CloseSocket(); }

void TNetIOHandlerSocket::ConnectClient(const TNetConnectTarget& target, int timeout_ms) {
  binding_.AllocateSocket();
  binding_.Bind(target.bound_ip, target.bound_port);
  if (!TNetStack::IsDottedQuad(target.host)) DoStatus(TNetStatus::hsResolving, target.host);
  binding_.SetPeer(GStack().ResolveHost(target.host), target.port);
  if (!use_nagle_) binding_.SetNoDelay(true);
  DoStatus(TNetStatus::hsConnecting, binding_.PeerIP());

  if (timeout_ms == -1 || timeout_ms == 0) {
    const int result = binding_.Connect(kWaitForever);
    if (result != 0) GStack().RaiseSocketError(result);
    return;
  }
  const int result = binding_.Connect(timeout_ms);
  if (result == TNetSocketHandle::kConnectTimedOut) {
    binding_.CloseSocket();
    throw ENetConnectTimeout();
  }
  if (result != 0) throw ENetConnectException(TNetStack::SocketErrorText(result), result);
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
