#pragma once

// An HTTP peer on the loopback interface for the client's wire tests: each
// accepted connection reads whole requests (head and Content-Length body),
// records them byte for byte and answers each with the next scripted reply.

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "support/loopback_server.h"

namespace vitrix::test {

// A reply made of "HTTP/1.1 " + status, the header lines given (each ending
// in CR LF), a Content-Length for body, and body.
std::string Reply(const std::string& status, const std::string& headers, const std::string& body);
// The same with "Connection: close", for a scripted connection that closes
// after its one reply. A client told nothing may send its next request on the
// connection the peer is closing, and lose it on a busy machine.
std::string ClosingReply(const std::string& status, const std::string& headers, const std::string& body);

// One request (head and as many body bytes as its Content-Length says) from
// what the connection received after offset, which moves past it. Empty
// when the client closes or the deadline passes first.
std::string ReadRequest(PeerConnection& peer, size_t& offset);

struct ScriptedConnection {
  // Each request on the connection gets the next reply.
  std::vector<std::string> replies;
  // After the last reply: close (true), or wait for the client to close.
  bool close_after = true;
};

class ScriptedHttpServer {
 public:
  explicit ScriptedHttpServer(std::vector<ScriptedConnection> connections,
                              std::chrono::milliseconds deadline = std::chrono::seconds(10),
                              LoopbackFamily family = LoopbackFamily::kIPv4);
  int Port() const { return server_.Port(); }
  std::string BaseURL() const { return "http://127.0.0.1:" + std::to_string(Port()) + "/"; }
  // Every request received, in order; waits for the scripts to end.
  std::vector<std::string> Requests();
  int Accepted() { return server_.Accepted(); }

 private:
  void Serve(PeerConnection& peer, const ScriptedConnection& script);

  std::vector<ScriptedConnection> connections_;
  size_t next_connection_ = 0;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  LoopbackServer server_;
};

}  // namespace vitrix::test
