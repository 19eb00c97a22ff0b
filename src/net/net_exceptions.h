#pragma once

// The network error tree. Every class derives from ENetException, itself a
// plain Exception with a message; the texts are Windows-1252 byte strings
// shown as they are in the error box. Here: the socket layer's, the TCP
// connection's and the transport's errors, and the base of the protocol reply
// errors; the HTTP client's own errors are in http/http_exceptions.h.

#include <string>

#include "rtl/exceptions.h"

namespace vitrix {

class ENetException : public Exception {
 public:
  using Exception::Exception;
};

// Ends an operation without being a fault of the program (the peer closed).
class ENetSilentException : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetConnClosedGracefully : public ENetSilentException {
 public:
  ENetConnClosedGracefully()
      : ENetSilentException(
            "La connexion s'est termin\xE9"
            "e proprement.") {}
};

// A failed socket call. LastError is the error number in the numbering the
// messages are written for (10061 for a refused connection, 11001 for an
// unknown host, ...), see net_stack.h.
class ENetSocketError : public ENetException {
 public:
  ENetSocketError(int last_error, std::string message) : ENetException(std::move(message)), last_error_(last_error) {}
  int LastError() const noexcept { return last_error_; }

 private:
  int last_error_;
};

class ENetReadTimeout : public ENetException {
 public:
  ENetReadTimeout()
      : ENetException(
            "D\xE9"
            "lai de lecture") {}
};

class ENetReadLnMaxLineLengthExceeded : public ENetException {
 public:
  ENetReadLnMaxLineLengthExceeded()
      : ENetException(
            "Longueur de ligne maximum d\xE9"
            "pass\xE9"
            "e.") {}
};

class ENetTCPConnectionError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetNotConnected : public ENetTCPConnectionError {
 public:
  ENetNotConnected() : ENetTCPConnectionError("Non connect\xE9") {}
};

class ENetNoDataToRead : public ENetTCPConnectionError {
 public:
  ENetNoDataToRead()
      : ENetTCPConnectionError(
            "Pas de donn\xE9"
            "es pour la lecture.") {}
};

class ENetNotEnoughDataInBuffer : public ENetTCPConnectionError {
 public:
  ENetNotEnoughDataInBuffer()
      : ENetTCPConnectionError(
            "Pas suffisamment de donn\xE9"
            "es en m\xE9"
            "moire tampon.") {}
};

class ENetClosedSocket : public ENetException {
 public:
  ENetClosedSocket()
      : ENetException(
            "D\xE9"
            "connect\xE9"
            ".") {}
};

class ENetAlreadyConnected : public ENetException {
 public:
  ENetAlreadyConnected()
      : ENetException(
            "D\xE9"
            "j\xE0"
            " connect\xE9"
            ".") {}
};

class ENetConnectTimeout : public ENetException {
 public:
  ENetConnectTimeout()
      : ENetException(
            "D\xE9"
            "lai de connexion.") {}
};

// A connect under a time limit that failed before its limit: the message is
// the one of the error met, and SocketError its number (0 when it was not a
// socket error).
class ENetConnectException : public ENetException {
 public:
  ENetConnectException(std::string message, int socket_error)
      : ENetException(std::move(message)), socket_error_(socket_error) {}
  int SocketError() const noexcept { return socket_error_; }

 private:
  int socket_error_;
};

class ENetInvalidSocket : public ENetException {
 public:
  ENetInvalidSocket() : ENetException("Impossible d'allouer le socket.") {}
};

class ENetSocketHandleError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetCouldNotBindSocket : public ENetSocketHandleError {
 public:
  ENetCouldNotBindSocket()
      : ENetSocketHandleError(
            "Impossible d'\xE9"
            "tablir une liaison avec le socket. L'adresse et le port sont d\xE9"
            "j\xE0"
            " utilis\xE9"
            "s.") {}
};

// The socket layer's own failures. The POSIX socket layer needs no start-up
// and waits with poll() rather than fixed-size select sets, so nothing here
// raises these two; callers may still catch them by class.
class ENetStackError : public ENetException {
 public:
  using ENetException::ENetException;
};

class ENetStackInitializationFailed : public ENetStackError {
 public:
  ENetStackInitializationFailed() : ENetStackError("Erreur d'initialisation Winsock.") {}
};

class ENetStackSetSizeExceeded : public ENetStackError {
 public:
  ENetStackSetSizeExceeded()
      : ENetStackError(
            "Taille d'ensemble d\xE9"
            "pass\xE9"
            "e.") {}
};

// A reply that the protocol does not treat as a success. ReplyErrorCode is
// the reply's code, ErrorMessage the text that came with it.
class ENetProtocolReplyError : public ENetException {
 public:
  ENetProtocolReplyError(int code, std::string message, std::string error_message = {})
      : ENetException(std::move(message)), reply_error_code_(code), error_message_(std::move(error_message)) {}
  int ReplyErrorCode() const noexcept { return reply_error_code_; }
  const std::string& ErrorMessage() const noexcept { return error_message_; }

 private:
  int reply_error_code_;
  std::string error_message_;
};

// A TLS handshake that failed: the message says which check failed, and
// ReplyErrorCode is OpenSSL's certificate verification result (0 when the
// certificate was not the cause).
class ENetSSLProtocolReplyError : public ENetProtocolReplyError {
 public:
  using ENetProtocolReplyError::ENetProtocolReplyError;
};

// A TLS session that failed after its handshake: a record that does not
// decrypt, or a peer that closed the connection without the TLS close, which
// cuts what it was sending short. It is a socket error (a reset connection,
// 10054) so that every path that gives up a broken connection gives up this
// one too.
class ENetSSLConnectionError : public ENetSocketError {
 public:
  explicit ENetSSLConnectionError(std::string message) : ENetSocketError(10054, std::move(message)) {}
};

}  // namespace vitrix
