#pragma once

// A TCP connection that opens itself: to Host and Port, from BoundIP and
// BoundPort.

#include <string>

#include "net/tcp_connection.h"

namespace vitrix {

class TNetTCPClient : public TNetTCPConnection {
 public:
  TNetTCPClient() = default;

  const std::string& Host() const { return host_; }
  void SetHost(const std::string& host) { host_ = host; }
  int Port() const { return port_; }
  void SetPort(int port) { port_ = port; }
  const std::string& BoundIP() const { return bound_ip_; }
  void SetBoundIP(const std::string& ip) { bound_ip_ = ip; }
  int BoundPort() const { return bound_port_; }
  void SetBoundPort(int port) { bound_port_ = port; }

  TNetNotifyEvent OnConnected;

  // Opens the connection. timeout_ms -1 or 0: a plain connect, which fails
  // with ENetSocketError (10061 refused, 11001 unknown host, ...). Any other
  // value: a connect under that limit (kWaitForever: none), which fails with
  // ENetConnectTimeout when the limit runs out and ENetConnectException
  // otherwise. A failed connect leaves the connection closed.
  // ENetAlreadyConnected when it is open.
  void Connect(int timeout_ms = -1);

 private:
  std::string host_;
  int port_ = 0;
  std::string bound_ip_;
  int bound_port_ = 0;
};

}  // namespace vitrix
