#include "http/proxy_environment.h"

#include <cstdlib>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "http/uri.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

constexpr int kDefaultProxyPort = 1080;

std::string Variable(const TEnvironmentLookup& lookup, const char* lower, const char* upper) {
  const char* value = lookup(lower);
  if (value == nullptr || *value == '\0') value = lookup(upper);
  return value != nullptr ? value : "";
}

std::string Unbracketed(std::string host) {
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') return host.substr(1, host.size() - 2);
  return host;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%40" and the like in a user name or a password; a "%" that starts no
// escape stays as it is.
std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

// A port text: 1..65535, or -1.
int PortNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return -1;
  for (const char c : text) {
    if (c < '0' || c > '9') return -1;
  }
  const int port = std::stoi(text);
  return port >= 1 && port <= 65535 ? port : -1;
}

// host[:port] with host possibly an IPv6 address in brackets; port -1 when
// there is none, 0 when it is not a port.
std::pair<std::string, int> SplitHostPort(const std::string& text) {
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos) return {text, -1};
    const std::string host = text.substr(1, close - 1);
    if (close + 1 < text.size() && text[close + 1] == ':') {
      const int port = PortNumber(text.substr(close + 2));
      return {host, port < 0 ? 0 : port};
    }
    return {host, -1};
  }
  const size_t colon = text.find(':');
  // More than one colon: an IPv6 address without brackets, no port.
  if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) return {text, -1};
  const int port = PortNumber(text.substr(colon + 1));
  return {text.substr(0, colon), port < 0 ? 0 : port};
}

}  // namespace

bool NoProxyCovers(const std::string& no_proxy, const std::string& host, int port) {
  const std::string name = LowerCase(Unbracketed(host));
  size_t start = 0;
  while (start < no_proxy.size()) {
    size_t end = no_proxy.find_first_of(", \t", start);
    if (end == std::string::npos) end = no_proxy.size();
    const std::string entry = no_proxy.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    if (entry == "*") return true;
    auto [pattern, entry_port] = SplitHostPort(entry);
    if (entry_port == 0) continue;
    if (entry_port > 0 && entry_port != port) continue;
    pattern = LowerCase(pattern);
    if (pattern.rfind("*.", 0) == 0) pattern.erase(0, 1);
    if (!pattern.empty() && pattern.front() == '.') pattern.erase(0, 1);
    if (pattern.empty()) continue;
    if (name == pattern) return true;
    if (name.size() > pattern.size() && name.compare(name.size() - pattern.size(), pattern.size(), pattern) == 0 &&
        name[name.size() - pattern.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

std::optional<TNetEnvironmentProxy> ProxyForURL(const std::string& url, const TEnvironmentLookup& lookup) {
  const TNetURI target(url);
  const bool https = SameText(target.Protocol(), "https");
  if (!https && !SameText(target.Protocol(), "http")) return std::nullopt;
  const std::string value =
      https ? Variable(lookup, "https_proxy", "HTTPS_PROXY") : Variable(lookup, "http_proxy", "HTTP_PROXY");
  if (Trim(value).empty()) return std::nullopt;
  int target_port = StrToIntDef(target.Port(), 0);
  if (target.Port().empty()) target_port = https ? 443 : 80;
  if (NoProxyCovers(Variable(lookup, "no_proxy", "NO_PROXY"), target.Host(), target_port)) return std::nullopt;

  std::string rest = Trim(value);
  if (const size_t scheme = rest.find("://"); scheme != std::string::npos) {
    // A proxy spoken to over TLS, or a SOCKS one, is not one this client
    // knows how to use.
    if (!SameText(rest.substr(0, scheme), "http")) return std::nullopt;
    rest.erase(0, scheme + 3);
  }
  if (const size_t slash = rest.find('/'); slash != std::string::npos) rest.erase(slash);
  TNetEnvironmentProxy proxy;
  if (const size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string user_info = rest.substr(0, at);
    const size_t colon = user_info.find(':');
    proxy.username = PercentDecoded(user_info.substr(0, colon));
    if (colon != std::string::npos) proxy.password = PercentDecoded(user_info.substr(colon + 1));
    rest.erase(0, at + 1);
  }
  const auto [host, port] = SplitHostPort(rest);
  if (host.empty() || port == 0) return std::nullopt;
  proxy.server = host;
  proxy.port = port < 0 ? kDefaultProxyPort : port;
  return proxy;
}

std::string ProxyRefusalMessage(const std::string& proxy, const std::string& target, int code,
                                const std::string& status_line) {
  // Some proxies answer a tunnel request with 401 where 407 is meant.
  if (code == 407 || code == 401) {
    return "Le proxy " + proxy + " demande une identification valable pour aller vers " + target + " (" + status_line +
           ").";
  }
  return "Le proxy " + proxy + " n'a pas ouvert la connexion vers " + target + " (" + status_line + ").";
}

void UseEnvironmentProxy(TNetCustomHTTP& but, const std::string& url) {
  const auto proxy = ProxyForURL(url, [](const char* name) { return std::getenv(name); });
  TNetProxyConnectionInfo& params = but.ProxyParams();
  // An authenticator a proxy's 407 attached belongs to that proxy and those
  // credentials: the environment's settings start afresh.
  params.SetAuthentication(nullptr);
  if (!proxy) {
    params.SetProxyServer("");
    params.SetProxyPort(0);
    params.SetProxyUsername("");
    params.SetProxyPassword("");
    params.SetBasicAuthentication(false);
    return;
  }
  params.SetProxyServer(proxy->server);
  params.SetProxyPort(proxy->port);
  params.SetProxyUsername(proxy->username);
  params.SetProxyPassword(proxy->password);
  params.SetBasicAuthentication(!proxy->username.empty());
}

}  // namespace vitrix
