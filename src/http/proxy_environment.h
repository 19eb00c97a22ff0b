#pragma once

// The proxy settings of the environment, read as Linux programs read them:
// http_proxy (or HTTP_PROXY) for http addresses, https_proxy (or
// HTTPS_PROXY) for https ones, both written [http://][user[:password]@]host
// [:port][/] (port 1080 when none is given); no_proxy (or NO_PROXY) lists,
// separated by commas or blanks, the hosts reached directly: "*" for every
// host, a name for itself and every name under it ("example.org" and
// ".example.org" both cover "www.example.org"), an address, each optionally
// with ":port" to cover that port only. The lower-case name is read first.

#include <functional>
#include <optional>
#include <string>

namespace vitrix {

class TNetCustomHTTP;

struct TNetEnvironmentProxy {
  std::string server;  // a name or an address, IPv6 addresses without brackets
  int port = 0;
  std::string username;  // percent escapes decoded
  std::string password;
};

// Looks up a variable of the environment: its value, or null when unset.
using TEnvironmentLookup = std::function<const char*(const char* name)>;

// The proxy for url, or none when the environment names none for its scheme,
// no_proxy covers its host, or the proxy's own address is not one this
// client can talk to (only plain-http proxies are).
std::optional<TNetEnvironmentProxy> ProxyForURL(const std::string& url, const TEnvironmentLookup& lookup);

// Whether the no_proxy list covers host (a name, or an address, IPv6 in
// brackets or not) at port.
bool NoProxyCovers(const std::string& no_proxy, const std::string& host, int port);

// Why a proxy refused a request for target: a 407 (or a 401, which some
// proxies send instead) asks for credentials or refuses the ones given; any
// other code refuses the way to the host.
std::string ProxyRefusalMessage(const std::string& proxy, const std::string& target, int code,
                                const std::string& status_line);

// Gives but's ProxyParams the environment's proxy for url (the process's own
// environment), with Basic proxy authorization when it names a user, or
// clears them when there is none.
void UseEnvironmentProxy(TNetCustomHTTP& but, const std::string& url);

}  // namespace vitrix
