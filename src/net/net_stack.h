#pragma once

// The process-wide socket layer over POSIX sockets: name resolution, the
// socket error numbers and their French texts.
//
// Error numbers follow one numbering whatever the platform says, so that the
// user always reads the same texts: a refused connection is 10061, a time-out
// 10060, a reset 10054, an unknown host 11001, and so on (see
// TranslateSystemError). Numbers without a text keep an empty text.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vitrix {

// Socket error numbers used by the code itself.
inline constexpr int kSocketErrorInterrupted = 10004;
inline constexpr int kSocketErrorBadHandle = 10009;
inline constexpr int kSocketErrorWouldBlock = 10035;
inline constexpr int kSocketErrorNotSocket = 10038;
inline constexpr int kSocketErrorAddressInUse = 10048;
inline constexpr int kSocketErrorAddressNotAvailable = 10049;
inline constexpr int kSocketErrorConnectionAborted = 10053;
inline constexpr int kSocketErrorConnectionReset = 10054;
inline constexpr int kSocketErrorShutdown = 10058;
inline constexpr int kSocketErrorTimedOut = 10060;
inline constexpr int kSocketErrorConnectionRefused = 10061;
inline constexpr int kSocketErrorHostNotFound = 11001;
inline constexpr int kSocketErrorNoRecovery = 11003;

class TNetStack {
 public:
  // The one instance of the process, created on first use (the C++ run time
  // serialises that first use, so two threads cannot create two).
  static TNetStack& Instance();

  // "LOCALHOST" (any case) gives 127.0.0.1 and a dotted quad is returned as
  // it is, neither being looked up; other names are looked up for an IPv4
  // address, returned in dotted form. A failed lookup raises ENetSocketError
  // (11001 "Hôte non trouvé." when the name is unknown).
  std::string ResolveHost(const std::string& name);

  // Every address of name, IPv4 and IPv6, in the resolver's order, as text
  // ("10.0.0.1", "::1"). "localhost" (any case) is 127.0.0.1 and ::1 without
  // a look-up; an address, IPv6 in brackets or not, is returned as it is.
  // Fails as ResolveHost does.
  std::vector<std::string> ResolveHostAddresses(const std::string& name);

  // Four decimal numbers 0..255 separated by dots; the fourth part is all the
  // text after the third dot.
  static bool IsDottedQuad(std::string_view text);
  // The same parse, filling address[4]; false when the text is no dotted quad.
  static bool ParseDottedQuad(std::string_view text, unsigned char address[4]);

  // result is the value a socket call returned. Not -1: false. Otherwise the
  // thread's errno is translated into LastError; true when that number is
  // tolerated, else ENetSocketError is raised.
  bool CheckSocketResult(int result, std::initializer_list<int> tolerated = {});
  [[noreturn]] void RaiseSocketError(int number);

  // The error number of the last failure CheckSocketResult examined on the
  // calling thread.
  int LastError() const;

  // "Erreur de socket # <n>" CR LF and the French text (empty when the number
  // has none).
  static std::string SocketErrorText(int number);
  // An errno value in the socket numbering; values with no counterpart are
  // returned unchanged.
  static int TranslateSystemError(int errno_value);
  // A getaddrinfo() result code (with errno for EAI_SYSTEM) in the socket
  // numbering: every "this name has no address" answer, "try again" included,
  // is 11001.
  static int TranslateResolverError(int eai_code, int errno_value);

 private:
  TNetStack() = default;
};

// Shorthand for TNetStack::Instance().
TNetStack& GStack();

}  // namespace vitrix
