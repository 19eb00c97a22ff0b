#include "publish/image_address.h"

namespace vitrix {
namespace {

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";

bool IsAsciiLetterOrDigit(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The characters a URL may hold outside an IPv6 literal: letters, digits and
// the marks that URLs use. Blanks, control bytes, quotes, angle and square
// brackets, back slashes and bytes above 127 are none of them; each could
// end the tag or the page element that a forum makes of it.
bool IsAddressCharacter(char c) {
  if (IsAsciiLetterOrDigit(c)) return true;
  switch (c) {
    case '-':
    case '.':
    case '_':
    case '~':
    case ':':
    case '/':
    case '?':
    case '#':
    case '@':
    case '!':
    case '$':
    case '&':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    case '=':
    case '%': return true;
    default: return false;
  }
}

// host[:port], where host is a name or an IPv4 address, or an IPv6 literal
// in square brackets; a port is decimal digits.
bool IsHostAndPort(std::string_view authority) {
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
  std::string_view port;
  if (!authority.empty() && authority.front() == '[') {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos || close < 3) return false;
    for (const char c : authority.substr(1, close - 1)) {
      if (!IsHexDigit(c) && c != ':' && c != '.') return false;
    }
    const std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && rest.front() != ':') return false;
    port = rest.empty() ? rest : rest.substr(1);
  } else {
    const size_t colon = authority.find(':');
    const std::string_view host = authority.substr(0, colon);
    if (host.empty()) return false;
    for (const char c : host) {
      if (!IsAsciiLetterOrDigit(c) && c != '-' && c != '.' && c != '_' && c != '~' && c != '%') return false;
    }
    port = colon == std::string_view::npos ? std::string_view{} : authority.substr(colon + 1);
  }
  for (const char c : port) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

bool IsImageAddress(std::string_view address) {
  if (address.size() > kMaxImageAddressLength) return false;
  size_t scheme = 0;
  if (address.starts_with(kHttp)) scheme = kHttp.size();
  else if (address.starts_with(kHttps)) scheme = kHttps.size();
  else return false;
  const std::string_view rest = address.substr(scheme);
  const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
  if (!IsHostAndPort(authority)) return false;
  // Square brackets are only those of an IPv6 literal, checked above.
  const size_t brackets_end = authority.find(']') == std::string_view::npos ? 0 : authority.find(']') + 1;
  for (size_t i = 0; i < rest.size(); ++i) {
    const char c = rest[i];
    if (i < brackets_end && (c == '[' || c == ']')) continue;
    if (!IsAddressCharacter(c)) return false;
  }
  return true;
}

std::string extraiturl(std::string_view reponse) {
  if (reponse.find(kHostErrorMarker) != std::string_view::npos) return kNoImageAddress;
  const size_t marker = reponse.find(kHostedImageMarker);
  if (marker == std::string_view::npos) return kNoImageAddress;
  // The scheme is looked for from the marker's first byte, as the marker
  // itself holds no "http".
  const size_t address = reponse.find("http", marker);
  if (address == std::string_view::npos) return kNoImageAddress;
  // An address longer than the longest one taken cannot end further on: the
  // quote is looked for no further, so that a page of megabytes without one
  // costs a single pass.
  const std::string_view from_address = reponse.substr(address, kMaxImageAddressLength + 1);
  const size_t quote = from_address.find('"');
  if (quote == std::string_view::npos) return kNoImageAddress;
  const std::string_view found = from_address.substr(0, quote);
  // The tag goes into the posts the user writes: whatever the host put there
  // besides one plain address (more markup, line breaks, a second tag) is
  // refused rather than pasted along.
  if (!IsImageAddress(found)) return kNoImageAddress;
  return "[img]" + std::string(found) + "[/img]";
}

}  // namespace vitrix
