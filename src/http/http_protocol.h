#pragma once

// The request and the reply of the HTTP client, reused from one exchange to
// the next: their fields carry over unless an exchange overwrites them.

#include <memory>
#include <string>

#include "http/header_info.h"

namespace vitrix {

class TStream;
class TNetCustomHTTP;

enum class TNetHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmDelete, hmConnect };
enum class TNetHTTPProtocolVersion { pv1_0, pv1_1 };
enum class TNetHTTPConnectionType { ctNormal, ctSSL, ctProxy, ctSSLProxy };

// The text that opens the request line: "GET ", "POST ", ...
const char* MethodText(TNetHTTPMethod method);
// "1.0" or "1.1".
const char* ProtocolVersionText(TNetHTTPProtocolVersion version);

class TNetHTTPRequest : public TNetRequestHeaderInfo {
 public:
  // The head of a request goes on the wire, where folded lines are refused
  // by many servers: its lines are never folded, however long.
  TNetHTTPRequest() { RawHeaders().SetFoldLength(0); }

  const std::string& URL() const { return url_; }
  void SetURL(std::string url) { url_ = std::move(url); }
  TNetHTTPMethod Method() const { return method_; }
  void SetMethod(TNetHTTPMethod method) { method_ = method; }
  // The body sent; not owned.
  TStream* Source() const { return source_; }
  void SetSource(TStream* source) { source_ = source; }
  TNetHTTPConnectionType UseProxy() const { return use_proxy_; }
  void SetUseProxy(TNetHTTPConnectionType kind) { use_proxy_ = kind; }

 private:
  std::string url_;
  TNetHTTPMethod method_ = TNetHTTPMethod::hmGet;
  TStream* source_ = nullptr;
  TNetHTTPConnectionType use_proxy_ = TNetHTTPConnectionType::ctNormal;
};

class TNetHTTPResponse : public TNetResponseHeaderInfo {
 public:
  // client: the connection KeepAlive looks at.
  explicit TNetHTTPResponse(TNetCustomHTTP& client) : client_(client) {}

  // The status line exactly as read.
  const std::string& ResponseText() const { return response_text_; }
  void SetResponseText(std::string text) { response_text_ = std::move(text); }
  TNetHTTPProtocolVersion ResponseVersion() const { return response_version_; }
  // The caller's stream for the body; not owned.
  TStream* ContentStream() const { return content_stream_; }
  void SetContentStream(TStream* stream) { content_stream_ = stream; }

  // The code of the status line, -1 when it has none (also before any reply).
  int ResponseCode() const;
  // Whether the connection may serve the next request: false once it is
  // closed; else under HTTP/1.0 (the client's version, not the reply's) only
  // with "keep-alive" in Connection or Proxy-Connection, under HTTP/1.1
  // unless either says "close". Also takes the reply's version from the
  // status line.
  bool KeepAlive();

 private:
  TNetCustomHTTP& client_;
  std::string response_text_;
  TNetHTTPProtocolVersion response_version_ = TNetHTTPProtocolVersion::pv1_1;
  TStream* content_stream_ = nullptr;
};

class TNetHTTPProtocol {
 public:
  explicit TNetHTTPProtocol(TNetCustomHTTP& client) : response_(client) {}
  TNetHTTPRequest& Request() { return request_; }
  TNetHTTPResponse& Response() { return response_; }

 private:
  TNetHTTPRequest request_;
  TNetHTTPResponse response_;
};

// Credentials and the address of an HTTP proxy.
class TNetProxyConnectionInfo {
 public:
  const std::string& ProxyServer() const { return server_; }
  void SetProxyServer(std::string v) { server_ = std::move(v); }
  int ProxyPort() const { return port_; }
  void SetProxyPort(int v) { port_ = v; }
  const std::string& ProxyUsername() const { return credentials_.Username(); }
  void SetProxyUsername(std::string v) { credentials_.SetUsername(std::move(v)); }
  const std::string& ProxyPassword() const { return credentials_.Password(); }
  void SetProxyPassword(std::string v) { credentials_.SetPassword(std::move(v)); }
  bool BasicAuthentication() const { return credentials_.BasicAuthentication(); }
  void SetBasicAuthentication(bool v) { credentials_.SetBasicAuthentication(v); }
  TNetAuthentication* Authentication() const { return credentials_.Authentication(); }
  void SetAuthentication(std::unique_ptr<TNetAuthentication> a) { credentials_.SetAuthentication(std::move(a)); }
  // The four above together: what "Proxy-Authorization" is made of.
  TNetCredentials& Credentials() { return credentials_; }

  // Sets "Proxy-Authorization" from the attached authenticator, or from a
  // Basic one made of the proxy user name and password when
  // BasicAuthentication is on.
  void SetHeaders(TNetHeaderList& headers);
  void Clear();

 private:
  std::string server_;
  int port_ = 0;
  TNetCredentials credentials_;
};

}  // namespace vitrix
