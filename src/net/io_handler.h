#pragma once

// The transport under a TCP connection: the connection reads and writes
// bytes through it and never touches a socket itself. Two kinds exist: the
// socket (io_handler_socket.h) and a scripted one in memory for tests and
// fuzzing (testing/io_handler_memory.h, in the testing library that only
// tests, fuzz targets and benchmarks link).

#include <cstdint>
#include <string>

#include "net/net_component.h"

namespace vitrix {

// When a TLS transport begins encrypting: at connect (a direct https
// connection), at StartTLS (a tunnel through a proxy, opened in clear), or
// never (a plain http request through the same transport).
enum class TNetTLSStart { tsAtConnect, tsOnStartTLS, tsNever };

struct TNetConnectTarget {
  std::string host;
  int port = 0;
  std::string bound_ip;  // empty: any local address
  int bound_port = 0;    // 0: any local port
};

class TNetIOHandler : public TNetComponent {
 public:
  // Makes the transport ready for a new connection, forgetting the last one.
  virtual void Open() = 0;
  // Opens the connection to target: allocates the socket, binds, resolves the
  // host, connects. timeout_ms -1 or 0 is a plain connect; any other value a
  // connect under that limit (kWaitForever: none).
  virtual void ConnectClient(const TNetConnectTarget& target, int timeout_ms) = 0;
  // Shuts the sending side down and closes the socket.
  virtual void Close() = 0;
  // A socket is open.
  virtual bool Connected() = 0;
  // True when a receive would not block (data or the peer's close are
  // waiting), false when timeout_ms passed first. Raises
  // ENetConnClosedGracefully when there is no socket.
  virtual bool Readable(int timeout_ms) = 0;
  // Up to count bytes: the number received, 0 when the peer has closed, -1
  // with error set to the socket error number. Raises ENetClosedSocket when
  // the socket is closed.
  virtual int64_t Recv(void* buffer, int64_t count, int& error) = 0;
  // Sends some of the bytes: the number sent, or -1 with error set. With a
  // limit (not kWaitForever) a send that cannot progress for timeout_ms fails
  // with 10060. Raises ENetClosedSocket when the socket is closed.
  virtual int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error) = 0;
  // The bytes sent that the peer has not taken yet (they wait in this side's
  // system buffers); 0 when that cannot be known.
  virtual int64_t UnsentBytes() { return 0; }

  // The transport can encrypt what it carries (TLS): an https URL needs one
  // that can. The socket transport cannot; TNetSSLIOHandlerSocket can.
  virtual bool IsTLS() const { return false; }
  // Begins encrypting on the open connection (after a proxy tunnel was
  // opened in clear). A TLS transport overrides it; a failed handshake raises
  // ENetSSLProtocolReplyError.
  virtual void StartTLS() {}
  // Names the server the next TLS session is for (the name sent in the
  // handshake and the one its certificate must carry) and when that session
  // begins. Transports that do not encrypt ignore it.
  virtual void SetTLSServer(const std::string& /*host_name*/, TNetTLSStart /*start*/) {}
};

}  // namespace vitrix
