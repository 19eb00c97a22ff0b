#pragma once

// One TCP socket, IPv4 or IPv6: its descriptor, local and peer addresses, and the
// system calls made on it. Every call that can fail reports the error in the
// socket numbering of net_stack.h. Sends never raise SIGPIPE.

#include <cstdint>
#include <string>

namespace vitrix {

// Waits of the socket layer take milliseconds; this value means no limit.
inline constexpr int kWaitForever = -2;

enum class TNetAddressFamily { afIPv4, afIPv6 };

class TNetSocketHandle {
 public:
  TNetSocketHandle() = default;
  TNetSocketHandle(const TNetSocketHandle&) = delete;
  TNetSocketHandle& operator=(const TNetSocketHandle&) = delete;
  ~TNetSocketHandle();

  int Handle() const { return handle_; }
  bool HandleAllocated() const { return handle_ >= 0; }
  const std::string& IP() const { return ip_; }
  int Port() const { return port_; }
  const std::string& PeerIP() const { return peer_ip_; }
  int PeerPort() const { return peer_port_; }

  // A new stream socket (an allocated one is closed first); ENetInvalidSocket
  // when the system gives none.
  void AllocateSocket(TNetAddressFamily family = TNetAddressFamily::afIPv4);
  // Addresses are text: "10.0.0.1" or "::1".
  // Binds to ip (empty: any address) and port (0: any port). A port in use
  // raises ENetCouldNotBindSocket, other failures ENetSocketError.
  void Bind(const std::string& ip, int port);
  void SetPeer(const std::string& ip, int port);
  // Sets TCP_NODELAY (no Nagle delay) when on.
  void SetNoDelay(bool on);

  // Connects to the peer, waiting at most timeout_ms (kWaitForever: as long
  // as the system allows). Returns 0 when connected, kConnectTimedOut when
  // the limit ran out, otherwise the socket error number. On success the
  // local and peer addresses are read back.
  static constexpr int kConnectTimedOut = -1;
  int Connect(int timeout_ms);

  // Waits until a receive would not block (data, or the peer's close): true,
  // or false when timeout_ms passed first.
  bool Readable(int timeout_ms) const;
  // Waits until a send would make progress.
  bool Writable(int timeout_ms) const;
  // The bytes in the socket's send queue that the peer has not acknowledged;
  // 0 without a socket.
  int64_t UnsentBytes() const;
  // Returns the bytes received (0: the peer closed) or -1 with error set.
  int64_t Recv(void* buffer, int64_t count, int& error);
  // Returns the bytes sent or -1 with error set. Without a limit the call
  // blocks until everything is handed to the system; with one, it waits at
  // most timeout_ms for room and sends what fits, and an expired wait is
  // the error 10060.
  int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error);

  void UpdateBindingLocal();
  void UpdateBindingPeer();

  // Shuts the sending side down, closes the descriptor and forgets the
  // local and peer addresses.
  void CloseSocket();
  // Forgets the local and peer addresses without touching the descriptor.
  void Reset();

 private:
  int handle_ = -1;
  std::string ip_;
  int port_ = 0;
  std::string peer_ip_;
  int peer_port_ = 0;
};

}  // namespace vitrix
