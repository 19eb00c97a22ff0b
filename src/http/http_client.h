#pragma once

// The HTTP/1.0-1.1 client: Get and Post turn into one request-reply
// exchange over the TCP connection it derives from. It writes the request
// head in one piece and then the body, reads the reply head, hands the
// reply's cookies to its cookie store, writes the reply body into the
// caller's stream, and raises ENetHTTPProtocolException for every reply
// that is not a success (redirects included, unless HandleRedirects is on).
// Request and Response are reused: their fields carry over from one call to
// the next. The connection stays open while the replies allow it.
//
// Whatever a server sends, memory stays bounded: a reply head is at most
// 1 MiB in 1000 lines, at most 16 "100 Continue" heads come before it, and
// the bodies of error and redirect replies are kept up to 1 MiB (the rest is
// dropped with the connection).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/cookie_store.h"
#include "http/http_protocol.h"
#include "http/uri.h"
#include "net/tcp_client.h"

namespace vitrix {

class TStream;
class TNetMultiPartFormDataStream;
class TNetCustomHTTP;

enum class TNetHTTPOption { hoInProcessAuth = 1, hoKeepOrigProtocol = 2, hoForceEncodeParams = 4 };
using TNetHTTPOptions = unsigned;
constexpr TNetHTTPOptions operator|(TNetHTTPOption a, TNetHTTPOption b) {
  return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
constexpr bool HasOption(TNetHTTPOptions options, TNetHTTPOption option) {
  return (options & static_cast<unsigned>(option)) != 0;
}

using TNetHTTPOnRedirectEvent = std::function<void(TNetCustomHTTP& sender, std::string& dest, int& num_redirect,
                                                   bool& handled, TNetHTTPMethod& method)>;
using TNetOnSelectAuthorization =
    std::function<void(TNetCustomHTTP& sender, TNetAuthenticationClass& authentication_class, TNetHeaderList& info)>;
using TNetOnAuthorization =
    std::function<void(TNetCustomHTTP& sender, TNetAuthentication& authentication, bool& handled)>;

// The two sides that may ask for credentials: the server (401) and a proxy
// (407).
enum class TNetAuthSide { asServer, asProxy };

class TNetCustomHTTP : public TNetTCPClient {
 public:
  static constexpr int64_t kMaxReplyHeadBytes = 1 << 20;
  static constexpr int kMaxReplyHeadLines = 1000;
  static constexpr int64_t kMaxScratchBody = 1 << 20;
  static constexpr int kMaxInterimReplies = 16;

  TNetCustomHTTP();
  ~TNetCustomHTTP() override;

  // One GET of url; the body goes to response_content (may be null).
  void Get(const std::string& url, TStream* response_content);
  // A POST of the form, whose content type ("multipart/form-data;
  // boundary=...") stays in Request for later requests.
  void Post(const std::string& url, TNetMultiPartFormDataStream& form, TStream* response_content);
  // A POST of source on a fresh connection, under HTTP/1.0 unless
  // hoKeepOrigProtocol is set; ProtocolVersion is put back afterwards.
  void Post(const std::string& url, TStream& source, TStream* response_content);
  // Any method; source is sent for POST and PUT.
  void DoRequest(TNetHTTPMethod method, const std::string& url, TStream* source, TStream* response_content);

  // Also drops an attached authenticator that has done all its steps.
  void Disconnect() override;

  TNetHTTPRequest& Request() { return protocol_.Request(); }
  TNetHTTPResponse& Response() { return protocol_.Response(); }
  int ResponseCode() { return Response().ResponseCode(); }
  const std::string& ResponseText() { return Response().ResponseText(); }
  TNetURI& URL() { return uri_; }
  TNetProxyConnectionInfo& ProxyParams() { return proxy_params_; }

  TNetHTTPProtocolVersion ProtocolVersion() const { return protocol_version_; }
  void SetProtocolVersion(TNetHTTPProtocolVersion version) { protocol_version_ = version; }
  TNetHTTPOptions HTTPOptions() const { return http_options_; }
  void SetHTTPOptions(TNetHTTPOptions options) { http_options_ = options; }
  bool HandleRedirects() const { return handle_redirects_; }
  void SetHandleRedirects(bool on) { handle_redirects_ = on; }
  int RedirectMaximum() const { return redirect_maximum_; }
  void SetRedirectMaximum(int maximum) { redirect_maximum_ = maximum; }
  int AuthRetries() const { return auth_retries_; }
  void SetAuthRetries(int retries) { auth_retries_ = retries; }
  bool AllowCookies() const { return allow_cookies_; }
  void SetAllowCookies(bool on) { allow_cookies_ = on; }

  // The cookie store: none at first; the client creates (and owns) one at
  // the first reply when cookies are allowed. An assigned manager is not
  // owned, and is forgotten when it is destroyed.
  TNetCookieManager* CookieManager() const { return cookie_manager_; }
  void SetCookieManager(TNetCookieManager* manager);
  bool OwnsCookieManager() const { return owned_cookie_manager_ != nullptr; }

  // How long a whole reply head may take to come, from the first wait for
  // its status line (milliseconds; 0, the default: no limit beyond each
  // wait's ReadTimeout). A head not whole by then raises ENetReadTimeout.
  int ReplyHeadTimeout() const { return reply_head_timeout_; }
  void SetReplyHeadTimeout(int timeout_ms) { reply_head_timeout_ = timeout_ms; }

  // The status lines read over the client's life: a request that raises
  // without this count having moved got no reply at all, and what Response
  // holds is still the previous reply's.
  int64_t RepliesRead() const { return replies_read_; }

  int RedirectCount() const { return redirect_count_; }
  int AuthRetryCount() const { return auth_retry_count_; }
  int ProxyAuthRetryCount() const { return proxy_auth_retry_count_; }

  TNetHTTPOnRedirectEvent OnRedirect;
  TNetOnSelectAuthorization OnSelectAuthorization;
  TNetOnSelectAuthorization OnSelectProxyAuthorization;
  TNetOnAuthorization OnAuthorization;
  TNetOnAuthorization OnProxyAuthorization;

 protected:
  // Answers a 401 / 407: true when the request may be sent again with
  // credentials. Both are Authorize() for their side.
  virtual bool DoOnAuthorization();
  virtual bool DoOnProxyAuthorization();
  // Calls OnRedirect; returns whether the redirect is handled.
  virtual bool DoOnRedirect(std::string& location, TNetHTTPMethod& method, int redirect_count);

 private:
  enum class TOutcome { ocFinished, ocFollow, ocRetryAuthorization, ocUndefined };
  enum class TBodyStream { bsCallerStream, bsScratch };

  void PrepareTarget();
  // Returns whether the request goes out on a connection kept from an
  // earlier reply rather than on a fresh one.
  bool ConnectToTarget();
  // The request goes out and its reply head comes back, under the low-speed
  // limit and the head's time limit.
  void Exchange();
  // A request that went out on a kept connection and failed before any byte
  // of a reply came may be sent again once on a fresh connection: the host
  // closed the idle connection as the request left, and never saw it. Only
  // for requests that change nothing on the host (GET, HEAD), never for a
  // POST, which a host may have received whatever became of the reply.
  bool MayResend(bool reused, int64_t received_before);
  // Sends CONNECT until the proxy opens the tunnel, then starts TLS in it.
  void OpenTunnel();
  // The proxy's refusal as ENetHTTPProxyTunnelError.
  [[noreturn]] void RaiseTunnelRefused();
  void SendRequest();
  void SendHead(const std::string& method_and_target, const TNetHeaderList& headers);
  void ReadReplyHead();
  void StoreCookies();
  TOutcome Classify();
  TOutcome ClassifyRedirect();
  TOutcome ClassifyAuthorization(TNetAuthSide side);

  // What answering a 401 or a 407 works with: the side's challenges, its
  // handlers, its credentials and its retry count.
  struct TAuthorizationSide {
    TNetHeaderList& challenges;
    TNetOnSelectAuthorization& on_select;
    TNetOnAuthorization& on_authorization;
    TNetCredentials& credentials;
    int& retry_count;
  };
  TAuthorizationSide SideOf(TNetAuthSide side);
  // Chooses the side's scheme among the offered ones when no authenticator
  // is attached, then asks the side's handler for credentials: true when it
  // gave them. A proxy's password is asked for afresh each time.
  bool Authorize(TNetAuthSide side);
  [[noreturn]] void RaiseProtocolError();
  // Reads the body into a scratch stream that is dropped, under a read
  // limit of timeout_ms; failures only close the connection.
  void DiscardBody(int timeout_ms);
  // The body into stream. Into the caller's stream the whole body is read
  // and a body cut short by the peer raises ENetConnClosedGracefully; into a
  // scratch stream at most kMaxScratchBody bytes are kept. Returns false
  // when the body was not read to its end.
  bool ReadBody(TStream& stream, TBodyStream kind);
  // The reply carries body bytes to read (not for HEAD, 1xx, 204, 304 or a
  // length of 0).
  bool ReplyHasBody();
  // The body into the caller's stream; without a stream it stays unread and
  // the connection is given up.
  void DeliverBody();
  bool ReadChunkedBody(TStream& stream, int64_t limit);
  void ReadTrailer();
  // One line of a reply head, counted against the head's limits.
  std::string ReadHeadLine();
  bool ProxyInUse() const { return !proxy_params_.ProxyServer().empty(); }
  void ForgetCookieManager();

  TNetHTTPProtocol protocol_;
  TNetURI uri_;
  TNetProxyConnectionInfo proxy_params_;
  TNetCookieManager* cookie_manager_ = nullptr;
  std::unique_ptr<TNetCookieManager> owned_cookie_manager_;
  int redirect_count_ = 0;
  int auth_retry_count_ = 0;
  int proxy_auth_retry_count_ = 0;
  TNetHTTPProtocolVersion protocol_version_ = TNetHTTPProtocolVersion::pv1_1;
  TNetHTTPOptions http_options_ = static_cast<unsigned>(TNetHTTPOption::hoForceEncodeParams);
  bool handle_redirects_ = false;
  int redirect_maximum_ = 15;
  int auth_retries_ = 3;
  bool allow_cookies_ = true;
  // The exchange in progress has not been read to its end: the connection
  // cannot serve another request.
  bool exchange_broken_ = false;
  int64_t head_bytes_ = 0;
  int head_lines_ = 0;
  int reply_head_timeout_ = 0;
  int64_t replies_read_ = 0;
};

// The published face of the client.
class TNetHTTP : public TNetCustomHTTP {
 public:
  TNetHTTP() = default;
};

}  // namespace vitrix
