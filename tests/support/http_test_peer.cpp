#include "support/http_test_peer.h"

#include <cstdlib>

#include "rtl/strings.h"

namespace vitrix::test {

std::string Reply(const std::string& status, const std::string& headers, const std::string& body) {
  return "HTTP/1.1 " + status + "\r\n" + headers + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string ClosingReply(const std::string& status, const std::string& headers, const std::string& body) {
  return Reply(status, headers + "Connection: close\r\n", body);
}

std::string ReadRequest(PeerConnection& peer, size_t& offset) {
  size_t head_end = std::string::npos;
  while ((head_end = peer.Received().find("\r\n\r\n", offset)) == std::string::npos) {
    const size_t had = peer.Received().size();
    peer.ReceiveAtLeast(had + 1);
    if (peer.Received().size() == had) return {};
  }
  const std::string head = peer.Received().substr(offset, head_end + 4 - offset);
  int64_t length = 0;
  const std::string lower = LowerCase(head);
  if (const size_t at = lower.find("\r\ncontent-length:"); at != std::string::npos) {
    length = std::strtoll(lower.c_str() + at + 17, nullptr, 10);
  }
  const size_t end = head_end + 4 + static_cast<size_t>(length);
  peer.ReceiveAtLeast(end);
  if (peer.Received().size() < end) return {};
  std::string request = peer.Received().substr(offset, end - offset);
  offset = end;
  return request;
}

ScriptedHttpServer::ScriptedHttpServer(std::vector<ScriptedConnection> connections, std::chrono::milliseconds deadline,
                                       LoopbackFamily family)
    : connections_(std::move(connections)),
      server_([this](PeerConnection& peer) { Serve(peer, connections_[next_connection_++]); },
              static_cast<int>(connections_.size()), deadline, family) {}

void ScriptedHttpServer::Serve(PeerConnection& peer, const ScriptedConnection& script) {
  size_t offset = 0;
  for (const std::string& reply : script.replies) {
    std::string request = ReadRequest(peer, offset);
    if (request.empty()) return;
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(std::move(request));
    }
    if (!peer.Send(reply)) return;
  }
  if (script.close_after) {
    peer.Close();
  } else {
    peer.ReceiveUntilClose();
  }
}

std::vector<std::string> ScriptedHttpServer::Requests() {
  server_.Join();
  std::lock_guard lock(mutex_);
  return requests_;
}

}  // namespace vitrix::test
