#pragma once

// The French texts of the TLS transport's failures, each naming the check
// that failed, so that a user can tell an expired certificate from a server
// that speaks an old protocol.

#include <string>

namespace vitrix {

enum class TSSLFailure {
  sfNone,       // not a failure: the status text of a handshake beginning
  sfSetup,      // OpenSSL could not prepare the session
  sfTimeOut,    // the handshake did not end within the time limit
  sfClosed,     // the server closed the connection during the handshake
  sfSocket,     // a socket error during the handshake
  sfTruncated,  // the connection ended without the TLS close
  sfBroken,     // any other failure after the handshake
};

// The text of failure; detail is the server name, or for sfSetup, sfSocket
// and sfBroken the underlying reason.
std::string SSLMessage(TSSLFailure failure, const std::string& detail);
// The text of a certificate that did not pass verification (verify_result is
// OpenSSL's X509_V_ERR_* code) for the server host_name.
std::string CertificateMessage(long verify_result, const std::string& host_name);
// The text of a handshake refused for another reason (reason is OpenSSL's
// SSL_R_* code, reason_text its own English words).
std::string HandshakeMessage(int reason, const std::string& reason_text);

}  // namespace vitrix
