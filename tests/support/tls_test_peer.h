#pragma once

// TLS on the loopback test servers: certificates made at test time with the
// openssl tool (make-tls-certificates, next to this file), a server context
// for one of them, and the server's side of a TLS session over a connection
// that a LoopbackServer script accepted. Every call of a session returns by
// the connection's deadline at the latest.

#include <openssl/ssl.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "support/http_test_peer.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

namespace vitrix::test {

// The test authority and the server certificates it signed (see
// make-tls-certificates for the names): "good", "expired", "other" (for
// another name) and "self" (signed by itself).
class TlsCertificates {
 public:
  TlsCertificates();
  bool Made() const { return made_; }
  std::string CAFile() const { return dir_.Path() + "ca.pem"; }
  std::string Certificate(const std::string& name) const { return dir_.Path() + name + ".pem"; }
  std::string Key(const std::string& name) const { return dir_.Path() + name + ".key"; }

 private:
  TempDir dir_;
  bool made_ = false;
};

// What the server accepts: today's protocols, or TLS 1.0 and nothing newer
// (a server left behind).
enum class TlsServerVersions { kCurrent, kTls10Only };

class TlsServerContext {
 public:
  TlsServerContext(const std::string& certificate, const std::string& key,
                   TlsServerVersions versions = TlsServerVersions::kCurrent);
  ~TlsServerContext();
  TlsServerContext(const TlsServerContext&) = delete;
  TlsServerContext& operator=(const TlsServerContext&) = delete;
  bool Ready() const { return context_ != nullptr; }
  SSL_CTX* get() const { return context_; }

 private:
  SSL_CTX* context_ = nullptr;
};

class TlsPeer {
 public:
  TlsPeer(PeerConnection& connection, const TlsServerContext& context);
  // Leaves without the TLS close unless Close was called.
  ~TlsPeer();
  TlsPeer(const TlsPeer&) = delete;
  TlsPeer& operator=(const TlsPeer&) = delete;

  // The server's handshake; false when it failed (the client refused it).
  bool Accept();
  // The name the client asked for (server name indication), empty if none.
  std::string RequestedName() const;
  bool Send(std::string_view bytes);
  // Receives until what this session received contains marker, the client
  // closes or the deadline passes; returns everything received so far.
  std::string ReceiveUntil(std::string_view marker);
  std::string ReceiveAtLeast(size_t count);
  // Receives and drops count bytes; returns how many came.
  int64_t Discard(int64_t count);
  const std::string& Received() const { return received_; }
  // The next HTTP request: the head, then as many body bytes as its
  // Content-Length says, all kept (not for large bodies); empty when the
  // client closed or the deadline passed first.
  std::string ReceiveRequest();
  // The TLS close, then the TCP close.
  void Close();
  // The TCP close without the TLS close: what was sent may look cut short.
  void CutOff();

 private:
  bool ReceiveSome();

  PeerConnection& connection_;
  SSL* ssl_ = nullptr;
  std::string received_;
  size_t consumed_ = 0;
  bool ended_ = false;
};

}  // namespace vitrix::test

namespace vitrix::test {

// The https twin of ScriptedHttpServer (http_test_peer.h): each accepted
// connection shakes hands with the context, then answers every request with
// the next scripted reply; after the last one it leaves with the TLS close
// (close_after) or waits for the client to close.
class ScriptedHttpsServer {
 public:
  ScriptedHttpsServer(const TlsServerContext& context, std::vector<ScriptedConnection> connections,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10),
                      LoopbackFamily family = LoopbackFamily::kIPv4);
  ~ScriptedHttpsServer();
  int Port() const { return server_->Port(); }
  std::string BaseURL() const { return "https://localhost:" + std::to_string(Port()) + "/"; }
  // Every request received, in order; waits for the scripts to end.
  std::vector<std::string> Requests();
  int Accepted() { return server_->Accepted(); }

 private:
  const TlsServerContext& context_;
  std::vector<ScriptedConnection> connections_;
  size_t next_connection_ = 0;
  std::mutex mutex_;
  std::vector<std::string> requests_;
  std::unique_ptr<LoopbackServer> server_;
};

}  // namespace vitrix::test
