#include "net/tcp_client.h"

#include "net/net_exceptions.h"

namespace vitrix {

void TNetTCPClient::Connect(int timeout_ms) {
  if (IOHandler() != nullptr && Connected()) throw ENetAlreadyConnected();
  EnsureIOHandler();
  try {
    ResetConnection();
    IOHandler()->ConnectClient(TNetConnectTarget{host_, port_, bound_ip_, bound_port_}, timeout_ms);
  } catch (...) {
    CloseQuietly();
    throw;
  }
  DoStatus(TNetStatus::hsConnected);
  if (OnConnected) OnConnected(*this);
}

}  // namespace vitrix
