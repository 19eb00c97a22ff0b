#pragma once

// The TLS transport: the socket transport with a TLS session (OpenSSL) over
// its socket. TLS 1.2 or later only; the server's certificate chain is
// checked against the system's trust store (SSL_CERT_FILE and SSL_CERT_DIR
// name another one, as for every OpenSSL program) and must be issued for the
// name the connection was opened to. There is no way to turn these checks
// off.
//
// The handshake, every read and every write run under the connection's time
// limits, like the plain socket's calls. A handshake that fails raises
// ENetSSLProtocolReplyError with a French text naming the check that failed;
// a session that breaks later raises ENetSSLConnectionError. A peer that
// closes its connection without the TLS close is such a break: what it was
// sending may have been cut short, and nothing here takes it for a whole
// reply.

#include <cstdint>
#include <memory>
#include <string>

#include "net/io_handler_socket.h"

namespace vitrix {

class TNetSSLIOHandlerSocket : public TNetIOHandlerSocket {
 public:
  TNetSSLIOHandlerSocket();
  ~TNetSSLIOHandlerSocket() override;
  TNetSSLIOHandlerSocket(const TNetSSLIOHandlerSocket&) = delete;
  TNetSSLIOHandlerSocket& operator=(const TNetSSLIOHandlerSocket&) = delete;

  // Connects, then shakes hands at once with the host connected to, unless
  // SetTLSServer said the session starts later (StartTLS) or never. The
  // handshake gets the connect's time limit.
  void ConnectClient(const TNetConnectTarget& target, int timeout_ms) override;
  void Close() override;
  bool Readable(int timeout_ms) override;
  int64_t Recv(void* buffer, int64_t count, int& error) override;
  int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error) override;

  bool IsTLS() const override { return true; }
  void StartTLS() override;
  void SetTLSServer(const std::string& host_name, TNetTLSStart start) override;

  // A TLS session is running on the open connection.
  bool Encrypting() const { return session_ != nullptr; }

 private:
  struct TSession;

  // The handshake with server_name_ within timeout_ms (kWaitForever: no
  // limit); closes the socket and raises ENetSSLProtocolReplyError when it
  // fails.
  void Handshake(int timeout_ms);
  void EndSession();

  std::string server_name_;
  TNetTLSStart start_ = TNetTLSStart::tsAtConnect;
  // The connect's limit, kept for a handshake that StartTLS begins later.
  int handshake_timeout_ = kWaitForever;
  std::unique_ptr<TSession> session_;
};

}  // namespace vitrix
