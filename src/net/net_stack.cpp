#include "net/net_stack.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "net/net_exceptions.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

struct ErrorText {
  int number;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {10004, "Appel syst\xE8me interrompu."},
    {10009, "Nombre de fichiers incorrect."},
    {10013, "Acc\xE8s refus\xE9."},
    {10014, "Adresse incorrecte."},
    {10022, "Argument incorrect."},
    {10024, "Trop de fichiers ouverts."},
    {10035, "L'op\xE9ration risquerait de bloquer. "},
    {10036, "Op\xE9ration en cours."},
    {10037, "Op\xE9ration d\xE9j\xE0 en cours."},
    {10038, "Op\xE9ration socket sur cible non-socket."},
    {10039, "Adresse de destination requise."},
    {10040, "Message trop long."},
    {10041, "Type de protocole inappropri\xE9 pour le socket."},
    {10042, "Option de protocole incorrecte."},
    {10043, "Protocole non support\xE9."},
    {10044, "Type de socket non support\xE9."},
    {10045,
     "Op\xE9ration non support\xE9"
     "e sur un socket."},
    {10046,
     "Famille de protocole non support\xE9"
     "e."},
    {10047,
     "Famille d'adresse non support\xE9"
     "e par la famille de protocole."},
    {10048,
     "Adresse d\xE9j\xE0 utilis\xE9"
     "e."},
    {10049, "Impossible d'affecter l'adresse requise."},
    {10050, "Le r\xE9seau est arr\xEAt\xE9."},
    {10051, "Le r\xE9seau est inaccessible."},
    {10052,
     "Connexion interrompue ou r\xE9initialis\xE9"
     "e par le r\xE9seau."},
    {10053, "Le logiciel a provoqu\xE9 l'interruption de la connexion."},
    {10054,
     "Connexion r\xE9initialis\xE9"
     "e par l'homologue (peer)."},
    {10055, "Aucun espace tampon disponible."},
    {10056, "Socket d\xE9j\xE0 connect\xE9."},
    {10057, "Le socket n'est pas connect\xE9."},
    {10058,
     "Envoi ou r\xE9"
     "ception impossible apr\xE8s la fermeture du socket."},
    {10059,
     "R\xE9"
     "f\xE9rences trop nombreuses, attribution impossible."},
    {10060, "D\xE9lai de connexion d\xE9pass\xE9."},
    {10061,
     "Connexion refus\xE9"
     "e."},
    {10062, "Trop de niveaux de liens symboliques."},
    {10063, "Nom de fichier trop long."},
    {10064, "H\xF4te arr\xEAt\xE9."},
    {10065, "Pas de route vers l'h\xF4te."},
    {10066, "R\xE9pertoire non vide"},
    {11001, "H\xF4te non trouv\xE9."},
};

struct ErrnoNumber {
  int errno_value;
  int number;
};

// Each errno value with the number under which its text is listed. Numbers
// 10004..10071 are the classic BSD socket errors offset by 10000.
constexpr ErrnoNumber kErrnoNumbers[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013},
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    // A broken pipe on send means the peer has gone: this code never writes
    // after shutting its own side down.
    {EPIPE, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
};

thread_local int t_last_error = 0;

constexpr std::string_view kLocalHost = "LOCALHOST";

}  // namespace

TNetStack& TNetStack::Instance() {
  static TNetStack stack;
  return stack;
}

TNetStack& GStack() { return TNetStack::Instance(); }

int TNetStack::LastError() const { return t_last_error; }

std::string TNetStack::SocketErrorText(int number) {
  std::string message = "Erreur de socket # " + IntToStr(number) + "\r\n";
  const auto* found = std::find_if(std::begin(kErrorTexts), std::end(kErrorTexts),
                                   [number](const ErrorText& entry) { return entry.number == number; });
  if (found != std::end(kErrorTexts)) message += found->text;
  return message;
}

int TNetStack::TranslateSystemError(int errno_value) {
  for (const ErrnoNumber& entry : kErrnoNumbers) {
    if (entry.errno_value == errno_value) return entry.number;
  }
  return errno_value;
}

int TNetStack::TranslateResolverError(int eai_code, int errno_value) {
  switch (eai_code) {
    case EAI_NONAME:
    case EAI_AGAIN:
#ifdef EAI_NODATA
    case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
      return kSocketErrorHostNotFound;
    case EAI_MEMORY: return TranslateSystemError(ENOMEM);
    case EAI_SYSTEM: return TranslateSystemError(errno_value);
    default: return kSocketErrorNoRecovery;
  }
}

bool TNetStack::CheckSocketResult(int result, std::initializer_list<int> tolerated) {
  if (result != -1) return false;
  t_last_error = TranslateSystemError(errno);
  if (std::find(tolerated.begin(), tolerated.end(), t_last_error) != tolerated.end()) return true;
  RaiseSocketError(t_last_error);
}

void TNetStack::RaiseSocketError(int number) {
  t_last_error = number;
  throw ENetSocketError(number, SocketErrorText(number));
}

bool TNetStack::ParseDottedQuad(std::string_view text, unsigned char address[4]) {
  for (int part = 0; part < 4; ++part) {
    std::string_view field = text;
    if (part < 3) {
      const std::size_t dot = text.find('.');
      if (dot == std::string_view::npos) return false;
      field = text.substr(0, dot);
      text.remove_prefix(dot + 1);
    }
    if (field.empty()) return false;
    unsigned value = 0;
    for (const char c : field) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (value > 255) return false;
    }
    address[part] = static_cast<unsigned char>(value);
  }
  return true;
}

bool TNetStack::IsDottedQuad(std::string_view text) {
  unsigned char ignored[4];
  return ParseDottedQuad(text, ignored);
}

std::string TNetStack::ResolveHost(const std::string& name) {
  if (SameText(name, kLocalHost)) return "127.0.0.1";
  if (IsDottedQuad(name)) return name;

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  const int code = ::getaddrinfo(name.c_str(), nullptr, &hints, &answer);
  if (code != 0 || answer == nullptr) {
    const int error = errno;
    if (answer != nullptr) ::freeaddrinfo(answer);
    RaiseSocketError(code != 0 ? TranslateResolverError(code, error) : kSocketErrorHostNotFound);
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(answer, &::freeaddrinfo);
  const auto* address = reinterpret_cast<const sockaddr_in*>(answer->ai_addr);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&address->sin_addr.s_addr);
  return IntToStr(bytes[0]) + "." + IntToStr(bytes[1]) + "." + IntToStr(bytes[2]) + "." + IntToStr(bytes[3]);
}

}  // namespace vitrix

namespace vitrix {

std::vector<std::string> TNetStack::ResolveHostAddresses(const std::string& name) {
  // localhost is both loopback addresses, whichever one a server listens on;
  // the IPv4 one first, as ResolveHost gives it.
  if (SameText(name, kLocalHost)) return {"127.0.0.1", "::1"};
  if (IsDottedQuad(name)) return {name};
  const std::string host =
      name.size() >= 2 && name.front() == '[' && name.back() == ']' ? name.substr(1, name.size() - 2) : name;
  in6_addr literal{};
  if (::inet_pton(AF_INET6, host.c_str(), &literal) == 1) return {host};

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  const int code = ::getaddrinfo(host.c_str(), nullptr, &hints, &answer);
  if (code != 0 || answer == nullptr) {
    const int error = errno;
    if (answer != nullptr) ::freeaddrinfo(answer);
    RaiseSocketError(code != 0 ? TranslateResolverError(code, error) : kSocketErrorHostNotFound);
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> owner(answer, &::freeaddrinfo);
  std::vector<std::string> addresses;
  for (const addrinfo* entry = answer; entry != nullptr; entry = entry->ai_next) {
    char text[INET6_ADDRSTRLEN] = {};
    const void* bytes = nullptr;
    if (entry->ai_family == AF_INET) bytes = &reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
    else if (entry->ai_family == AF_INET6) bytes = &reinterpret_cast<const sockaddr_in6*>(entry->ai_addr)->sin6_addr;
    if (bytes == nullptr || ::inet_ntop(entry->ai_family, bytes, text, sizeof text) == nullptr) continue;
    // The resolver may give one address once per socket type or protocol.
    if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) addresses.emplace_back(text);
  }
  if (addresses.empty()) RaiseSocketError(kSocketErrorHostNotFound);
  return addresses;
}

}  // namespace vitrix
