#pragma once

// The header block of a request or a reply as typed fields, next to its raw
// lines (RawHeaders). SetHeaders writes the raw lines of a request from its
// fields in a fixed order; ProcessHeaders fills a reply's fields from its raw
// lines. Dates are local day counts, 0 when unset.

#include <cstdint>
#include <memory>
#include <string>

#include "http/authentication.h"
#include "http/header_list.h"
#include "rtl/datetime.h"

namespace vitrix {

class TNetEntityHeaderInfo {
 public:
  static constexpr int kRawFoldLength = 1024;

  TNetEntityHeaderInfo();
  TNetEntityHeaderInfo(const TNetEntityHeaderInfo&) = delete;
  TNetEntityHeaderInfo& operator=(const TNetEntityHeaderInfo&) = delete;
  virtual ~TNetEntityHeaderInfo() = default;

  // Fills the fields from RawHeaders.
  virtual void ProcessHeaders();
  // Rebuilds RawHeaders from the fields.
  virtual void SetHeaders();
  // Content type "text/html", no length, ranges and dates 0, other texts
  // empty, RawHeaders empty.
  virtual void Clear();

  const std::string& CacheControl() const { return cache_control_; }
  void SetCacheControl(std::string v) { cache_control_ = std::move(v); }
  const std::string& Connection() const { return connection_; }
  void SetConnection(std::string v) { connection_ = std::move(v); }
  const std::string& ContentEncoding() const { return content_encoding_; }
  void SetContentEncoding(std::string v) { content_encoding_ = std::move(v); }
  const std::string& ContentLanguage() const { return content_language_; }
  void SetContentLanguage(std::string v) { content_language_ = std::move(v); }
  const std::string& ContentType() const { return content_type_; }
  void SetContentType(std::string v) { content_type_ = std::move(v); }
  const std::string& ContentVersion() const { return content_version_; }
  void SetContentVersion(std::string v) { content_version_ = std::move(v); }
  const std::string& Pragma() const { return pragma_; }
  void SetPragma(std::string v) { pragma_ = std::move(v); }
  // -1 when absent; any negative value counts as absent.
  int64_t ContentLength() const { return content_length_; }
  void SetContentLength(int64_t v) { content_length_ = v < 0 ? -1 : v; }
  bool HasContentLength() const { return content_length_ >= 0; }
  int64_t ContentRangeStart() const { return content_range_start_; }
  void SetContentRangeStart(int64_t v) { content_range_start_ = v; }
  int64_t ContentRangeEnd() const { return content_range_end_; }
  void SetContentRangeEnd(int64_t v) { content_range_end_ = v; }
  TDateTime Date() const { return date_; }
  void SetDate(TDateTime v) { date_ = v; }
  TDateTime Expires() const { return expires_; }
  void SetExpires(TDateTime v) { expires_ = v; }
  TDateTime LastModified() const { return last_modified_; }
  void SetLastModified(TDateTime v) { last_modified_ = v; }

  TNetHeaderList& CustomHeaders() { return custom_headers_; }
  TNetHeaderList& RawHeaders() { return raw_headers_; }
  const TNetHeaderList& RawHeaders() const { return raw_headers_; }

 protected:
  void ClearEntity();
  void ProcessEntityHeaders();

  std::string cache_control_, connection_, content_encoding_, content_language_, content_type_, content_version_,
      pragma_;
  int64_t content_length_ = -1;
  int64_t content_range_start_ = 0, content_range_end_ = 0;
  TDateTime date_ = 0, expires_ = 0, last_modified_ = 0;
  TNetHeaderList custom_headers_;
  TNetHeaderList raw_headers_{kRawFoldLength};
};

class TNetRequestHeaderInfo : public TNetEntityHeaderInfo {
 public:
  TNetRequestHeaderInfo();
  ~TNetRequestHeaderInfo() override;

  void ProcessHeaders() override;
  // In this order, each only when set: Connection, Content-Version,
  // Content-Encoding, Content-Language, Content-Type, Content-Length,
  // Cache-control, Date, Expires, Pragma, the custom lines,
  // Proxy-Connection, Host, Accept, Accept-Charset, Accept-Encoding,
  // Accept-Language, From, Referer, User-Agent, If-Modified-Since, Range,
  // Authorization. A generated line whose name is among the custom lines
  // takes that line's place.
  void SetHeaders() override;
  // Also Accept "text/html, */*", the program's User-Agent, no Basic
  // authentication.
  void Clear() override;

  const std::string& Accept() const { return accept_; }
  void SetAccept(std::string v) { accept_ = std::move(v); }
  const std::string& AcceptCharSet() const { return accept_charset_; }
  void SetAcceptCharSet(std::string v) { accept_charset_ = std::move(v); }
  const std::string& AcceptEncoding() const { return accept_encoding_; }
  void SetAcceptEncoding(std::string v) { accept_encoding_ = std::move(v); }
  const std::string& AcceptLanguage() const { return accept_language_; }
  void SetAcceptLanguage(std::string v) { accept_language_ = std::move(v); }
  const std::string& Host() const { return host_; }
  void SetHost(std::string v) { host_ = std::move(v); }
  const std::string& From() const { return from_; }
  void SetFrom(std::string v) { from_ = std::move(v); }
  const std::string& Referer() const { return referer_; }
  void SetReferer(std::string v) { referer_ = std::move(v); }
  const std::string& UserAgent() const { return user_agent_; }
  void SetUserAgent(std::string v) { user_agent_ = std::move(v); }
  const std::string& Username() const { return credentials_.Username(); }
  void SetUsername(std::string v) { credentials_.SetUsername(std::move(v)); }
  const std::string& Password() const { return credentials_.Password(); }
  void SetPassword(std::string v) { credentials_.SetPassword(std::move(v)); }
  const std::string& ProxyConnection() const { return proxy_connection_; }
  void SetProxyConnection(std::string v) { proxy_connection_ = std::move(v); }
  bool BasicAuthentication() const { return credentials_.BasicAuthentication(); }
  void SetBasicAuthentication(bool v) { credentials_.SetBasicAuthentication(v); }

  // The attached authenticator (owned), or null.
  TNetAuthentication* Authentication() const { return credentials_.Authentication(); }
  void SetAuthentication(std::unique_ptr<TNetAuthentication> authentication) {
    credentials_.SetAuthentication(std::move(authentication));
  }
  // The four above together: what "Authorization" is made of.
  TNetCredentials& Credentials() { return credentials_; }

  static constexpr const char* kDefaultAccept = "text/html, */*";
  static constexpr const char* kDefaultUserAgent = "Mozilla/3.0 (compatible; vitrix)";

 private:
  void ClearRequest();

  std::string accept_, accept_charset_, accept_encoding_, accept_language_, host_, from_, referer_, user_agent_,
      proxy_connection_;
  TNetCredentials credentials_;
};

class TNetResponseHeaderInfo : public TNetEntityHeaderInfo {
 public:
  TNetResponseHeaderInfo();

  // Every field from RawHeaders; a header that is absent leaves its field
  // empty (or -1 / 0).
  void ProcessHeaders() override;
  void SetHeaders() override;
  void Clear() override;

  const std::string& Location() const { return location_; }
  void SetLocation(std::string v) { location_ = std::move(v); }
  const std::string& Server() const { return server_; }
  void SetServer(std::string v) { server_ = std::move(v); }
  const std::string& ProxyConnection() const { return proxy_connection_; }
  void SetProxyConnection(std::string v) { proxy_connection_ = std::move(v); }
  // Every "WWW-Authenticate" / "Proxy-Authenticate" value, one a line.
  TNetHeaderList& WWWAuthenticate() { return www_authenticate_; }
  TNetHeaderList& ProxyAuthenticate() { return proxy_authenticate_; }

 private:
  void ClearResponse();

  std::string location_, server_, proxy_connection_;
  TNetHeaderList www_authenticate_;
  TNetHeaderList proxy_authenticate_;
};

}  // namespace vitrix
