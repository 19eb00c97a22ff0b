#include "net/io_handler_ssl.h"

#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>

#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "net/ssl_messages.h"

namespace vitrix {
namespace {

using Clock = std::chrono::steady_clock;

// What is left of a limit that began at start (kWaitForever stays so).
int Remaining(int timeout_ms, Clock::time_point start) {
  if (timeout_ms == kWaitForever) return kWaitForever;
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  return spent >= timeout_ms ? 0 : static_cast<int>(timeout_ms - spent);
}

// OpenSSL's own socket BIO writes with write(), which raises SIGPIPE when the
// peer has gone; this one sends with MSG_NOSIGNAL, like the plain transport.
// The descriptor is non-blocking: "would block" is a retry for OpenSSL, which
// the handler turns into a wait under its time limit.
int SocketWrite(BIO* bio, const char* data, int length) {
  const int fd = *static_cast<const int*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  ssize_t n;
  do {
    n = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && errno == EAGAIN /* EWOULDBLOCK on Linux too */) BIO_set_retry_write(bio);
  return static_cast<int>(n);
}

int SocketRead(BIO* bio, char* data, int length) {
  const int fd = *static_cast<const int*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  ssize_t n;
  do {
    n = ::recv(fd, data, static_cast<size_t>(length), 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0 && errno == EAGAIN /* EWOULDBLOCK on Linux too */) BIO_set_retry_read(bio);
  return static_cast<int>(n);
}

long SocketControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH ? 1 : 0; }

int SocketCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

const BIO_METHOD* SocketMethod() {
  // Made once for the process; the C++ run time serialises the first call.
  static BIO_METHOD* const method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "vitrix socket");
    BIO_meth_set_write(m, SocketWrite);
    BIO_meth_set_read(m, SocketRead);
    BIO_meth_set_ctrl(m, SocketControl);
    BIO_meth_set_create(m, SocketCreate);
    return m;
  }();
  return method;
}

bool IsAddressLiteral(const std::string& host) {
  return TNetStack::IsDottedQuad(host) || host.find(':') != std::string::npos;
}

// The reason code of the error OpenSSL queued last, 0 when none.
int LastReason() { return ERR_GET_REASON(ERR_peek_last_error()); }

std::string LastReasonText() {
  const char* text = ERR_reason_error_string(ERR_peek_last_error());
  return text != nullptr ? text : "";
}

}  // namespace

// One TLS session: the context (the trust store, the protocol floor) and the
// connection's state. A session that failed sends no TLS close.
struct TNetSSLIOHandlerSocket::TSession {
  SSL_CTX* context = nullptr;
  SSL* ssl = nullptr;
  // The socket the BIO reads and writes; the BIO's data points here.
  int fd = -1;
  bool failed = false;
  // A failure a wait for data met, reported by the Recv that follows.
  int pending_result = 0;
  int pending_error = 0;
  std::string pending_message;

  ~TSession() {
    SSL_free(ssl);
    SSL_CTX_free(context);
  }
};

TNetSSLIOHandlerSocket::TNetSSLIOHandlerSocket() = default;

TNetSSLIOHandlerSocket::~TNetSSLIOHandlerSocket() { EndSession(); }

void TNetSSLIOHandlerSocket::SetTLSServer(const std::string& host_name, TNetTLSStart start) {
  // An IPv6 address comes from a URL in brackets.
  const bool bracketed = host_name.size() >= 2 && host_name.front() == '[' && host_name.back() == ']';
  server_name_ = bracketed ? host_name.substr(1, host_name.size() - 2) : host_name;
  start_ = start;
}

void TNetSSLIOHandlerSocket::ConnectClient(const TNetConnectTarget& target, int timeout_ms) {
  EndSession();
  // A direct connection is for the host it goes to; a tunnel's session is
  // for the name given with SetTLSServer, not the proxy's.
  if (start_ == TNetTLSStart::tsAtConnect) SetTLSServer(target.host, start_);
  handshake_timeout_ = (timeout_ms == -1 || timeout_ms == 0) ? kWaitForever : timeout_ms;
  TNetIOHandlerSocket::ConnectClient(target, timeout_ms);
  if (start_ == TNetTLSStart::tsAtConnect) Handshake(handshake_timeout_);
}

void TNetSSLIOHandlerSocket::StartTLS() {
  if (session_ != nullptr || !Connected()) return;
  Handshake(handshake_timeout_);
}

void TNetSSLIOHandlerSocket::EndSession() {
  if (session_ == nullptr) return;
  // The TLS close tells the server that nothing was cut short. It is sent
  // once, without waiting for the server's own close.
  if (!session_->failed && Connected()) {
    ERR_clear_error();
    SSL_shutdown(session_->ssl);
  }
  session_.reset();
  ERR_clear_error();
}

void TNetSSLIOHandlerSocket::Close() {
  EndSession();
  TNetIOHandlerSocket::Close();
}

void TNetSSLIOHandlerSocket::Handshake(int timeout_ms) {
  const auto start = Clock::now();
  auto session = std::make_unique<TSession>();
  const auto fail = [this](const std::string& message, long verify_result = 0) {
    TNetIOHandlerSocket::Close();
    ERR_clear_error();
    throw ENetSSLProtocolReplyError(static_cast<int>(verify_result), message);
  };
  ERR_clear_error();
  session->context = SSL_CTX_new(TLS_client_method());
  if (session->context == nullptr) fail(SSLMessage(TSSLFailure::sfSetup, LastReasonText()));
  SSL_CTX* context = session->context;
  // TLS 1.0 and 1.1 are broken protocols; servers that speak nothing newer
  // are refused with a text that says so.
  SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
  SSL_CTX_set_options(context, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION);
  // The system's trust store, or the file and folder that SSL_CERT_FILE and
  // SSL_CERT_DIR name.
  if (SSL_CTX_set_default_verify_paths(context) != 1) fail(SSLMessage(TSSLFailure::sfSetup, LastReasonText()));
  SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);

  session->ssl = SSL_new(context);
  if (session->ssl == nullptr) fail(SSLMessage(TSSLFailure::sfSetup, LastReasonText()));
  SSL* ssl = session->ssl;
  BIO* bio = BIO_new(SocketMethod());
  if (bio == nullptr) fail(SSLMessage(TSSLFailure::sfSetup, LastReasonText()));
  session->fd = Binding().Handle();
  BIO_set_data(bio, &session->fd);
  SSL_set_bio(ssl, bio, bio);

  // The name sent to the server (so that a server with several sites picks
  // the right certificate) and the name the certificate must carry. An
  // address has no name to send; the certificate must carry the address.
  X509_VERIFY_PARAM* parameters = SSL_get0_param(ssl);
  X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
  if (IsAddressLiteral(server_name_)) {
    if (X509_VERIFY_PARAM_set1_ip_asc(parameters, server_name_.c_str()) != 1) {
      fail(SSLMessage(TSSLFailure::sfSetup, server_name_));
    }
  } else {
    // SSL_set_tlsext_host_name, without the macro's C cast.
    SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name, const_cast<char*>(server_name_.c_str()));
    if (SSL_set1_host(ssl, server_name_.c_str()) != 1) fail(SSLMessage(TSSLFailure::sfSetup, server_name_));
  }

  const int fd = Binding().Handle();
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  DoStatus(TNetStatus::hsStatusText, SSLMessage(TSSLFailure::sfNone, server_name_));
  for (;;) {
    ERR_clear_error();
    errno = 0;
    const int result = SSL_connect(ssl);
    if (result == 1) break;
    const int error = SSL_get_error(ssl, result);
    const int saved_errno = errno;
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
      const int left = Remaining(timeout_ms, start);
      const bool ready = error == SSL_ERROR_WANT_READ ? Binding().Readable(left) : Binding().Writable(left);
      if (!ready) fail(SSLMessage(TSSLFailure::sfTimeOut, server_name_));
      continue;
    }
    const long verify = SSL_get_verify_result(ssl);
    if (verify != X509_V_OK) fail(CertificateMessage(verify, server_name_), verify);
    const int reason = LastReason();
    if (error == SSL_ERROR_SYSCALL || reason == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
      if (saved_errno != 0 && saved_errno != ECONNRESET && saved_errno != EPIPE) {
        fail(SSLMessage(TSSLFailure::sfSocket,
                        TNetStack::SocketErrorText(TNetStack::TranslateSystemError(saved_errno))));
      }
      fail(SSLMessage(TSSLFailure::sfClosed, server_name_));
    }
    fail(HandshakeMessage(reason, LastReasonText()));
  }
  session_ = std::move(session);
}

bool TNetSSLIOHandlerSocket::Readable(int timeout_ms) {
  if (session_ == nullptr) return TNetIOHandlerSocket::Readable(timeout_ms);
  if (!Binding().HandleAllocated()) throw ENetConnClosedGracefully();
  TSession& session = *session_;
  if (session.failed || SSL_pending(session.ssl) > 0) return true;
  // Bytes on the socket need not be application data (a record cut in two,
  // a session ticket): only a peek says whether a read would return at once.
  const auto start = Clock::now();
  for (;;) {
    ERR_clear_error();
    errno = 0;
    char byte;
    size_t peeked = 0;
    const int result = SSL_peek_ex(session.ssl, &byte, 1, &peeked);
    if (result == 1) return true;
    const int error = SSL_get_error(session.ssl, result);
    if (error == SSL_ERROR_ZERO_RETURN) return true;
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
      const int left = Remaining(timeout_ms, start);
      const bool ready = error == SSL_ERROR_WANT_READ ? Binding().Readable(left) : Binding().Writable(left);
      if (!ready) return false;
      continue;
    }
    // The failure is reported by the receive that follows.
    session.failed = true;
    session.pending_result = error;
    session.pending_error = errno;
    session.pending_message = LastReason() == SSL_R_UNEXPECTED_EOF_WHILE_READING || error == SSL_ERROR_SYSCALL
                                  ? std::string()
                                  : LastReasonText();
    return true;
  }
}

int64_t TNetSSLIOHandlerSocket::Recv(void* buffer, int64_t count, int& error) {
  if (session_ == nullptr) return TNetIOHandlerSocket::Recv(buffer, count, error);
  if (!Binding().HandleAllocated()) throw ENetClosedSocket();
  TSession& session = *session_;
  const auto report = [&](int ssl_error, int system_error, const std::string& reason) -> int64_t {
    session.failed = true;
    // A socket failure keeps its own number and text (a reset is a reset);
    // an end of the stream without the TLS close is a cut.
    if (ssl_error == SSL_ERROR_SYSCALL && system_error != 0) {
      error = TNetStack::TranslateSystemError(system_error);
      return -1;
    }
    if (reason.empty()) throw ENetSSLConnectionError(SSLMessage(TSSLFailure::sfTruncated, server_name_));
    throw ENetSSLConnectionError(SSLMessage(TSSLFailure::sfBroken, reason));
  };
  if (session.failed) {
    return report(session.pending_result, session.pending_error, session.pending_message);
  }
  for (;;) {
    ERR_clear_error();
    errno = 0;
    size_t received = 0;
    const int result = SSL_read_ex(session.ssl, buffer, static_cast<size_t>(count), &received);
    if (result == 1) return static_cast<int64_t>(received);
    const int ssl_error = SSL_get_error(session.ssl, result);
    if (ssl_error == SSL_ERROR_ZERO_RETURN) return 0;
    if (ssl_error == SSL_ERROR_WANT_READ) {
      Binding().Readable(kWaitForever);
      continue;
    }
    if (ssl_error == SSL_ERROR_WANT_WRITE) {
      Binding().Writable(kWaitForever);
      continue;
    }
    const int system_error = errno;
    const bool cut = ssl_error == SSL_ERROR_SYSCALL || LastReason() == SSL_R_UNEXPECTED_EOF_WHILE_READING;
    return report(ssl_error, system_error, cut ? std::string() : LastReasonText());
  }
}

int64_t TNetSSLIOHandlerSocket::Send(const void* buffer, int64_t count, int timeout_ms, int& error) {
  if (session_ == nullptr) return TNetIOHandlerSocket::Send(buffer, count, timeout_ms, error);
  if (!Binding().HandleAllocated()) throw ENetClosedSocket();
  TSession& session = *session_;
  if (session.failed) throw ENetSSLConnectionError(SSLMessage(TSSLFailure::sfTruncated, server_name_));
  const auto start = Clock::now();
  for (;;) {
    ERR_clear_error();
    errno = 0;
    size_t sent = 0;
    const int result = SSL_write_ex(session.ssl, buffer, static_cast<size_t>(count), &sent);
    if (result == 1) return static_cast<int64_t>(sent);
    const int ssl_error = SSL_get_error(session.ssl, result);
    if (ssl_error == SSL_ERROR_WANT_WRITE || ssl_error == SSL_ERROR_WANT_READ) {
      const int left = Remaining(timeout_ms, start);
      const bool ready = ssl_error == SSL_ERROR_WANT_WRITE ? Binding().Writable(left) : Binding().Readable(left);
      if (!ready) {
        error = kSocketErrorTimedOut;
        return -1;
      }
      continue;
    }
    const int system_error = errno;
    session.failed = true;
    if (system_error != 0) {
      error = TNetStack::TranslateSystemError(system_error);
      return -1;
    }
    throw ENetSSLConnectionError(SSLMessage(TSSLFailure::sfBroken, LastReasonText()));
  }
}

}  // namespace vitrix
