#pragma once

// The HTTP client's errors: URLs, dates, authentication methods, replies that
// are not a success or cannot be read. They belong to the network error tree
// of net/net_exceptions.h (ENetException and ENetProtocolReplyError are their
// bases); the texts are Windows-1252 byte strings shown as they are.

#include <string>

#include "net/net_exceptions.h"

namespace vitrix {

// Composing a URL from parts that lack the protocol or the host.
class ENetURIException : public ENetException {
 public:
  using ENetException::ENetException;
};

// The platform could not tell the local offset from UTC.
class ENetFailedToRetreiveTimeZoneInfo : public ENetException {
 public:
  ENetFailedToRetreiveTimeZoneInfo()
      : ENetException(
            "Echec lors de la tentative de r\xE9"
            "cup\xE9"
            "ration des informations de fuseau horaire.") {}
};

// An HTTP reply that is not a success: the message is the whole status line,
// ErrorMessage the reply body.
class ENetHTTPProtocolException : public ENetProtocolReplyError {
 public:
  using ENetProtocolReplyError::ENetProtocolReplyError;
};

// A URL scheme that is neither http nor https, without a port.
// A proxy that would not open a tunnel: its reply (code, status line and
// body as for any protocol error), with a message that names the proxy and
// what it refused.
class ENetHTTPProxyTunnelError : public ENetHTTPProtocolException {
 public:
  using ENetHTTPProtocolException::ENetHTTPProtocolException;
};

class ENetUnknownProtocol : public ENetException {
 public:
  ENetUnknownProtocol() : ENetException("") {}
};

// An https URL while no TLS transport is assigned.
class ENetIOHandlerPropInvalid : public ENetException {
 public:
  ENetIOHandlerPropInvalid() : ENetException("Valeur IOHandler incorrecte") {}
};

class ENetAlreadyRegisteredAuthenticationMethod : public ENetException {
 public:
  explicit ENetAlreadyRegisteredAuthenticationMethod(const std::string& class_name)
      : ENetException(
            "Cette m\xE9"
            "thode d'authentification est d\xE9"
            "j\xE0"
            " recens\xE9"
            "e avec le nom de classe " +
            class_name + ".") {}
};

// A reply head beyond the limits the client accepts (too many lines or too
// many bytes): the reply is not read any further.
class ENetHTTPReplyHeadTooLarge : public ENetException {
 public:
  ENetHTTPReplyHeadTooLarge()
      : ENetException(
            "En-t\xEA"
            "te de r\xE9"
            "ponse trop grand.") {}
};

// A chunk-size line that holds no hexadecimal size: the body's framing is lost.
class ENetHTTPInvalidChunk : public ENetException {
 public:
  ENetHTTPInvalidChunk()
      : ENetException(
            "Taille de bloc invalide dans la r\xE9"
            "ponse.") {}
};

}  // namespace vitrix
