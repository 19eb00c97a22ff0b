#pragma once

// Scripted TCP peers on the loopback interface for network tests and
// benchmarks. A server listens on 127.0.0.1 (or ::1) with a port chosen by the system
// and runs a script for each connection it accepts, one connection at a time
// on its own thread, recording the bytes the scripts receive. A test server
// serves a given number of connections and gives up by itself once its
// deadline has passed, so that a test can never hang on it; a benchmark's
// server serves every connection until it goes away.

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace vitrix::test {

using namespace std::chrono_literals;

// One accepted connection, as the script sees it. Every call returns by the
// server's deadline at the latest (a server without one waits as long as the
// client keeps the connection).
class PeerConnection {
 public:
  PeerConnection(int fd, std::chrono::steady_clock::time_point deadline) : fd_(fd), deadline_(deadline) {}
  PeerConnection(const PeerConnection&) = delete;
  PeerConnection& operator=(const PeerConnection&) = delete;
  ~PeerConnection();

  // Sends every byte; false when the client has gone.
  bool Send(std::string_view bytes);
  // Receives until what this connection received contains marker, the client
  // closes or the deadline passes; returns everything received so far.
  std::string ReceiveUntil(std::string_view marker);
  // Receives until count bytes in all were received on this connection.
  std::string ReceiveAtLeast(size_t count);
  // Receives until the client closes (or the deadline passes).
  std::string ReceiveUntilClose();
  // Receives count more bytes without keeping them, for bodies too large to
  // record; returns how many came before the client's close or the deadline.
  int64_t Discard(int64_t count);
  // The client closed its sending side (seen by a receive).
  bool ClientClosed() const { return client_closed_; }
  // Closes gracefully (FIN).
  void Close();
  // Ends the sending side only (FIN): the client sees the end of the reply
  // and can still send, and its close can still be waited for.
  void CloseSending();
  // Aborts the connection: the client sees a reset.
  void Reset();
  // Gives the connection a receive buffer of about bytes, so that a client
  // sending faster than the script reads is held back after a few
  // kilobytes instead of the system's usual hundreds.
  void ShrinkReceiveBuffer(int bytes);
  const std::string& Received() const { return received_; }
  // The socket, for a script that speaks TLS over it; -1 once closed.
  int Fd() const { return fd_; }
  std::chrono::steady_clock::time_point Deadline() const { return deadline_; }

 private:
  // One receive of what is there (waiting up to the deadline); false at the
  // client's close or the deadline.
  bool ReceiveSome();

  int fd_;
  std::chrono::steady_clock::time_point deadline_;
  std::string received_;
  bool client_closed_ = false;
};

// The loopback address a server listens on.
enum class LoopbackFamily { kIPv4, kIPv6 };

class LoopbackServer {
 public:
  using Script = std::function<void(PeerConnection&)>;

  // connections: how many to serve, or kUntilDestroyed. deadline: from now,
  // or kNoDeadline.
  static constexpr int kUntilDestroyed = -1;
  static constexpr std::chrono::milliseconds kNoDeadline = std::chrono::milliseconds::max();

  // port: the one to listen on, or 0 for one the system chooses.
  explicit LoopbackServer(Script script, int connections = 1, std::chrono::milliseconds deadline = 10s,
                          LoopbackFamily family = LoopbackFamily::kIPv4, int port = 0);
  // Stops accepting (a script still running ends first) and closes.
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  // Waits until the script has run for every connection (or the deadline).
  // Not for a server that serves until it is destroyed.
  void Join();
  // Every byte received, all connections in order; joins first.
  std::string Received();
  // How many connections were accepted; joins first.
  int Accepted();

 private:
  void Run(const Script& script, int connections);

  int listen_fd_ = -1;
  // Readable once the server is to stop accepting.
  int stop_fd_ = -1;
  int port_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  std::mutex mutex_;
  std::string received_;
  int accepted_ = 0;
  std::thread thread_;
};

// A local port where nothing listens: the socket is bound but never listens,
// so a connection to it is refused, and no other program can take the port
// while the object lives.
class RefusingPort {
 public:
  explicit RefusingPort(LoopbackFamily family = LoopbackFamily::kIPv4);
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A listener that never accepts and whose queue is full: a new connection to
// it gets no answer, so connecting stays pending until the caller's limit.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
  int fillers_[4] = {-1, -1, -1, -1};
};

}  // namespace vitrix::test
