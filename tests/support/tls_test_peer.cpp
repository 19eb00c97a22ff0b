#include "support/tls_test_peer.h"

#include <openssl/err.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace vitrix::test {
namespace {

// The blocking calls of a session wait until the connection's deadline.
void LimitWaits(int fd, std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0) left = std::chrono::microseconds(1000);
  if (left > std::chrono::hours(1)) left = std::chrono::hours(1);
  timeval limit{static_cast<time_t>(left.count() / 1000000), static_cast<suseconds_t>(left.count() % 1000000)};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

}  // namespace

TlsCertificates::TlsCertificates() {
  const std::string command =
      std::string("bash '") + VITRIX_TEST_SUPPORT_DIR + "/make-tls-certificates' '" + dir_.Path() + "' >/dev/null 2>&1";
  made_ = std::system(command.c_str()) == 0;
}

TlsServerContext::TlsServerContext(const std::string& certificate, const std::string& key, TlsServerVersions versions) {
  context_ = SSL_CTX_new(TLS_server_method());
  if (context_ == nullptr) return;
  if (versions == TlsServerVersions::kTls10Only) {
    // Debian's OpenSSL refuses TLS 1.0 below security level 0.
    SSL_CTX_set_security_level(context_, 0);
    SSL_CTX_set_min_proto_version(context_, TLS1_VERSION);
    SSL_CTX_set_max_proto_version(context_, TLS1_VERSION);
  }
  if (SSL_CTX_use_certificate_chain_file(context_, certificate.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(context_, key.c_str(), SSL_FILETYPE_PEM) != 1) {
    SSL_CTX_free(context_);
    context_ = nullptr;
  }
}

TlsServerContext::~TlsServerContext() { SSL_CTX_free(context_); }

TlsPeer::TlsPeer(PeerConnection& connection, const TlsServerContext& context) : connection_(connection) {
  LimitWaits(connection.Fd(), connection.Deadline());
  ssl_ = SSL_new(context.get());
  SSL_set_fd(ssl_, connection.Fd());
}

TlsPeer::~TlsPeer() {
  SSL_free(ssl_);
  ERR_clear_error();
}

bool TlsPeer::Accept() {
  const bool accepted = SSL_accept(ssl_) == 1;
  ERR_clear_error();
  return accepted;
}

std::string TlsPeer::RequestedName() const {
  const char* name = SSL_get_servername(ssl_, TLSEXT_NAMETYPE_host_name);
  return name != nullptr ? name : "";
}

bool TlsPeer::Send(std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    size_t written = 0;
    if (SSL_write_ex(ssl_, bytes.data() + done, bytes.size() - done, &written) != 1) {
      ERR_clear_error();
      return false;
    }
    done += written;
  }
  return true;
}

bool TlsPeer::ReceiveSome() {
  if (ended_) return false;
  char buffer[65536];
  size_t n = 0;
  if (SSL_read_ex(ssl_, buffer, sizeof buffer, &n) != 1) {
    ERR_clear_error();
    ended_ = true;
    return false;
  }
  received_.append(buffer, n);
  return true;
}

std::string TlsPeer::ReceiveUntil(std::string_view marker) {
  while (received_.find(marker) == std::string::npos && ReceiveSome()) {
  }
  return received_;
}

std::string TlsPeer::ReceiveAtLeast(size_t count) {
  while (received_.size() < count && ReceiveSome()) {
  }
  return received_;
}

int64_t TlsPeer::Discard(int64_t count) {
  int64_t dropped = 0;
  char buffer[65536];
  while (dropped < count && !ended_) {
    size_t n = 0;
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(count - dropped, sizeof buffer));
    if (SSL_read_ex(ssl_, buffer, wanted, &n) != 1) {
      ERR_clear_error();
      ended_ = true;
      break;
    }
    dropped += static_cast<int64_t>(n);
  }
  return dropped;
}

std::string TlsPeer::ReceiveRequest() {
  const size_t start = consumed_;
  while (received_.find("\r\n\r\n", start) == std::string::npos && ReceiveSome()) {
  }
  const size_t head_end = received_.find("\r\n\r\n", start);
  if (head_end == std::string::npos) return {};
  size_t length = 0;
  const std::string head = received_.substr(start, head_end - start);
  if (const size_t at = head.find("\r\nContent-Length: "); at != std::string::npos) {
    length = std::strtoul(head.c_str() + at + 18, nullptr, 10);
  }
  const size_t end = head_end + 4 + length;
  ReceiveAtLeast(end);
  if (received_.size() < end) return {};
  consumed_ = end;
  return received_.substr(start, end - start);
}

void TlsPeer::Close() {
  SSL_shutdown(ssl_);
  ERR_clear_error();
  connection_.Close();
}

void TlsPeer::CutOff() { connection_.Close(); }

}  // namespace vitrix::test

namespace vitrix::test {

ScriptedHttpsServer::ScriptedHttpsServer(const TlsServerContext& context, std::vector<ScriptedConnection> connections,
                                         std::chrono::milliseconds deadline, LoopbackFamily family)
    : context_(context), connections_(std::move(connections)) {
  const int count = static_cast<int>(connections_.size());
  server_ = std::make_unique<LoopbackServer>(
      [this](PeerConnection& connection) {
        ScriptedConnection script;
        {
          const std::lock_guard<std::mutex> lock(mutex_);
          script = connections_[next_connection_++];
        }
        TlsPeer peer(connection, context_);
        if (!peer.Accept()) return;
        for (const std::string& reply : script.replies) {
          const std::string request = peer.ReceiveRequest();
          if (request.empty()) return;
          {
            const std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
          }
          peer.Send(reply);
        }
        if (script.close_after) {
          peer.Close();
        } else {
          peer.ReceiveUntil(std::string(1, '\0') + "never");
        }
      },
      count, deadline, family);
}

ScriptedHttpsServer::~ScriptedHttpsServer() { server_.reset(); }

std::vector<std::string> ScriptedHttpsServer::Requests() {
  server_->Join();
  const std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

}  // namespace vitrix::test
