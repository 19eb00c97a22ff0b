#include "http/http_protocol.h"

#include "http/http_client.h"
#include "http/http_parse.h"
#include "rtl/strings.h"

namespace vitrix {

const char* MethodText(TNetHTTPMethod method) {
  switch (method) {
    case TNetHTTPMethod::hmHead: return "HEAD ";
    case TNetHTTPMethod::hmGet: return "GET ";
    case TNetHTTPMethod::hmPost: return "POST ";
    case TNetHTTPMethod::hmOptions: return "OPTIONS ";
    case TNetHTTPMethod::hmTrace: return "TRACE ";
    case TNetHTTPMethod::hmPut: return "PUT ";
    case TNetHTTPMethod::hmDelete: return "DELETE ";
    case TNetHTTPMethod::hmConnect: return "CONNECT ";
  }
  return "GET ";
}

const char* ProtocolVersionText(TNetHTTPProtocolVersion version) {
  return version == TNetHTTPProtocolVersion::pv1_0 ? "1.0" : "1.1";
}

int TNetHTTPResponse::ResponseCode() const { return ResponseCodeOf(response_text_); }

bool TNetHTTPResponse::KeepAlive() {
  if (response_text_.size() >= 8) {
    const std::string_view version = std::string_view(response_text_).substr(5, 3);
    if (SameText(version, "1.0")) response_version_ = TNetHTTPProtocolVersion::pv1_0;
    else if (SameText(version, "1.1")) response_version_ = TNetHTTPProtocolVersion::pv1_1;
  }
  client_.CheckDisconnected(/*raise_if_disconnected=*/false, /*ignore_buffer=*/false);
  if (!client_.Connected()) return false;
  const std::string connection = Trim(Connection());
  const std::string proxy_connection = Trim(ProxyConnection());
  if (client_.ProtocolVersion() == TNetHTTPProtocolVersion::pv1_0) {
    return SameText(connection, "keep-alive") || SameText(proxy_connection, "keep-alive");
  }
  return !SameText(connection, "close") && !SameText(proxy_connection, "close");
}

void TNetProxyConnectionInfo::SetHeaders(TNetHeaderList& headers) {
  if (TNetAuthentication* authentication = credentials_.AuthenticationToSend()) {
    headers.SetValue("Proxy-Authorization", authentication->Authentication());
  }
}

void TNetProxyConnectionInfo::Clear() {
  server_.clear();
  port_ = 0;
  credentials_.ClearCredentials();
  credentials_.SetAuthentication(nullptr);
}

}  // namespace vitrix
