// The request side of TNetCustomHTTP: the request cycle, the target, the
// connection and the request head.

#include "http/http_client.h"

#include <vector>

#include "http/http_exceptions.h"
#include "http/multipart_stream.h"
#include "http/proxy_environment.h"
#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "rtl/streams.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

// base + relative with "." and ".." segments removed; always begins and, when
// base + relative does, ends with "/".
std::string ResolvePath(const std::string& base, const std::string& relative) {
  const std::string joined = base + relative;
  std::vector<std::string> segments;
  size_t start = 0;
  while (start <= joined.size()) {
    const size_t slash = joined.find('/', start);
    const std::string segment = joined.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (slash == std::string::npos) {
      if (!segment.empty() && segment != "." && segment != "..") segments.push_back(segment);
      else if (segment == ".." && !segments.empty()) segments.pop_back();
      break;
    }
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = slash + 1;
  }
  std::string path = "/";
  for (const std::string& segment : segments) path += segment + "/";
  return path;
}

bool SendsBody(TNetHTTPMethod method) { return method == TNetHTTPMethod::hmPost || method == TNetHTTPMethod::hmPut; }

// How long the body of a proxy's 407 may take to be read and dropped.
constexpr int kTunnelBodyTimeout = 4000;

// A port a connection can reach; any other number (a URL's ":65616", a
// port that is no number) is refused as an address that cannot be had,
// rather than cut down to 16 bits or taken for the default.
int CheckedPort(int port) {
  if (port < 1 || port > 65535) GStack().RaiseSocketError(kSocketErrorAddressNotAvailable);
  return port;
}

}  // namespace

TNetCustomHTTP::TNetCustomHTTP() : protocol_(*this) { SetPort(80); }

TNetCustomHTTP::~TNetCustomHTTP() {
  if (cookie_manager_ != nullptr && !owned_cookie_manager_) cookie_manager_->RemoveFreeNotification(this);
}

void TNetCustomHTTP::SetCookieManager(TNetCookieManager* manager) {
  if (manager == cookie_manager_) return;
  if (cookie_manager_ != nullptr && !owned_cookie_manager_) cookie_manager_->RemoveFreeNotification(this);
  cookie_manager_ = nullptr;
  owned_cookie_manager_.reset();
  cookie_manager_ = manager;
  if (manager != nullptr) manager->AddFreeNotification(this, [this] { cookie_manager_ = nullptr; });
}

void TNetCustomHTTP::Disconnect() {
  TNetTCPClient::Disconnect();
  if (TNetAuthentication* auth = Request().Authentication(); auth != nullptr && auth->Completed()) {
    Request().SetAuthentication(nullptr);
  }
}

void TNetCustomHTTP::Get(const std::string& url, TStream* response_content) {
  DoRequest(TNetHTTPMethod::hmGet, url, nullptr, response_content);
}

void TNetCustomHTTP::Post(const std::string& url, TNetMultiPartFormDataStream& form, TStream* response_content) {
  Request().SetContentType(form.BodyContentType());
  Post(url, static_cast<TStream&>(form), response_content);
}

void TNetCustomHTTP::Post(const std::string& url, TStream& source, TStream* response_content) {
  if (Connected()) Disconnect();
  const TNetHTTPProtocolVersion previous = protocol_version_;
  if (!HasOption(http_options_, TNetHTTPOption::hoKeepOrigProtocol)) protocol_version_ = TNetHTTPProtocolVersion::pv1_0;
  try {
    DoRequest(TNetHTTPMethod::hmPost, url, &source, response_content);
  } catch (...) {
    protocol_version_ = previous;
    throw;
  }
  protocol_version_ = previous;
}

void TNetCustomHTTP::DoRequest(TNetHTTPMethod method, const std::string& url, TStream* source,
                               TStream* response_content) {
  const int64_t start = response_content != nullptr ? response_content->Position() : 0;
  auth_retry_count_ = 0;
  proxy_auth_retry_count_ = 0;
  redirect_count_ = 0;
  Request().SetURL(url);
  Request().SetMethod(method);
  Request().SetSource(source);
  Response().SetContentStream(response_content);

  // A connection whose reply was not read to its end (a transport failure, a
  // time-out, a head or a body cut short) would hand its remains to the next
  // request: it is closed, whatever the reply said.
  const auto finish = [this] {
    const bool keep = !exchange_broken_ && Response().KeepAlive();
    if (!keep && IOHandler() != nullptr) Disconnect();
  };
  exchange_broken_ = false;
  bool resent = false;
  try {
    for (;;) {
      ++redirect_count_;
      // A redirect or a retry whose reply was not read to its end (its body
      // garbled, too long or late) leaves its remains on the connection: the
      // next request goes out on a fresh one.
      if (exchange_broken_ && IOHandler() != nullptr) Disconnect();
      exchange_broken_ = false;
      PrepareTarget();
      const bool reused = ConnectToTarget();
      exchange_broken_ = true;
      // Bytes already waiting (the probe may have read some) belong to the
      // reply as much as those still to come.
      const int64_t received_before = BytesReceived() - InputBuffer().Size();
      try {
        Exchange();
      } catch (const ENetException&) {
        if (resent || !MayResend(reused, received_before)) throw;
        resent = true;
        Disconnect();
        exchange_broken_ = false;
        // The same target again: Request().URL() holds it, made absolute.
        --redirect_count_;
        continue;
      }
      TOutcome outcome = TOutcome::ocUndefined;
      {
        const TNetTransferScope body(*this, TWorkMode::wmRead);
        outcome = Classify();
      }
      if (outcome == TOutcome::ocFinished) break;
      if (outcome == TOutcome::ocFollow) {
        if (response_content != nullptr) {
          response_content->SetPosition(start);
          response_content->SetSize(start);
        }
        auth_retry_count_ = 0;
        proxy_auth_retry_count_ = 0;
        continue;
      }
      if (outcome == TOutcome::ocRetryAuthorization) {
        --redirect_count_;
        Request().SetURL(url);
        continue;
      }
      throw ENetException("Undefined situation");
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TNetCustomHTTP::PrepareTarget() {
  TNetHTTPRequest& request = Request();
  const TNetURI url(request.URL());
  if (!url.UserName().empty()) {
    request.SetUsername(url.UserName());
    request.SetPassword(url.Password());
  }
  const bool absolute = !url.Path().empty() && url.Path()[0] == '/';
  uri_.SetPath(absolute ? url.Path() : ResolvePath(uri_.Path(), url.Path()));
  uri_.SetDocument(url.Document());
  uri_.SetParams(url.Params());
  if (!url.Host().empty()) uri_.SetHost(url.Host());
  uri_.SetProtocol(url.Protocol().empty() ? "http" : url.Protocol());

  if (!url.Port().empty()) {
    uri_.SetPort(url.Port());
  } else if (uri_.Port().empty() || uri_.Port() == "0" || uri_.Port() == "80" || uri_.Port() == "443") {
    if (SameText(uri_.Protocol(), "http")) uri_.SetPort("80");
    else if (SameText(uri_.Protocol(), "https")) uri_.SetPort("443");
    else throw ENetUnknownProtocol();
  }

  const TNetHTTPMethod method = request.Method();
  if (method == TNetHTTPMethod::hmOptions && uri_.Document() == "*") request.SetURL("*");
  else request.SetURL(uri_.Path() + uri_.Document() + uri_.Params());

  if ((method == TNetHTTPMethod::hmOptions || method == TNetHTTPMethod::hmTrace || method == TNetHTTPMethod::hmPut ||
       method == TNetHTTPMethod::hmDelete) &&
      protocol_version_ != TNetHTTPProtocolVersion::pv1_1) {
    throw ENetException("This request method is supported in HTTP 1.1");
  }
  if (SendsBody(method)) {
    request.SetContentLength(request.Source() != nullptr ? request.Source()->Size() : 0);
  } else {
    request.SetContentLength(-1);
  }
  request.SetHost(uri_.Port() == "80" ? uri_.Host() : uri_.Host() + ":" + uri_.Port());
}

void TNetCustomHTTP::Exchange() {
  {
    const TNetTransferScope request(*this, TWorkMode::wmWrite);
    SendRequest();
    // The head's time runs from when the host has the whole request.
    if (reply_head_timeout_ > 0) WaitUntilTaken();
  }
  const TNetReadDeadlineScope head(*this, reply_head_timeout_);
  ReadReplyHead();
  // Interim "100 Continue" heads are skipped, but only so many: a peer
  // sending them without end would hold the request forever.
  for (int interim = 0; Response().ResponseCode() == 100; ++interim) {
    if (interim == kMaxInterimReplies) throw ENetHTTPReplyHeadTooLarge();
    ReadReplyHead();
  }
}

bool TNetCustomHTTP::MayResend(bool reused, int64_t received_before) {
  const TNetHTTPMethod method = Request().Method();
  if (!reused || BytesReceived() != received_before) return false;
  if (method != TNetHTTPMethod::hmGet && method != TNetHTTPMethod::hmHead) return false;
  // Only the failures of a connection the host has closed: a time-out or a
  // refused reply says nothing of the sort.
  try {
    throw;
  } catch (const ENetConnClosedGracefully&) {
    return true;
  } catch (const ENetSocketError& error) {
    const int number = error.LastError();
    return number == kSocketErrorConnectionReset || number == kSocketErrorConnectionAborted ||
           number == kSocketErrorShutdown;
  } catch (...) {
    return false;
  }
}

bool TNetCustomHTTP::ConnectToTarget() {
  TNetHTTPRequest& request = Request();
  const bool https = SameText(uri_.Protocol(), "https");
  const auto move_to = [this](const std::string& host, int port) {
    if (!SameText(Host(), host) || Port() != port) {
      if (Connected()) Disconnect();
      SetHost(host);
      SetPort(port);
    }
  };
  if (!ProxyInUse()) {
    move_to(uri_.Host(), CheckedPort(StrToIntDef(uri_.Port(), 0)));
    request.SetUseProxy(https ? TNetHTTPConnectionType::ctSSL : TNetHTTPConnectionType::ctNormal);
  } else {
    move_to(proxy_params_.ProxyServer(), CheckedPort(proxy_params_.ProxyPort()));
    request.SetUseProxy(https ? TNetHTTPConnectionType::ctSSLProxy : TNetHTTPConnectionType::ctProxy);
    // A proxy is asked for the whole address.
    if (!https) request.SetURL(uri_.BuildURI(/*with_user_info=*/false, /*with_bookmark=*/false));
  }
  // https needs a transport that encrypts, directly or in the proxy's tunnel;
  // the session is for the target's name, never the proxy's.
  if (https && (IOHandler() == nullptr || !IOHandler()->IsTLS())) throw ENetIOHandlerPropInvalid();
  if (IOHandler() != nullptr) {
    if (!https) IOHandler()->SetTLSServer("", TNetTLSStart::tsNever);
    else if (ProxyInUse()) IOHandler()->SetTLSServer(uri_.Host(), TNetTLSStart::tsOnStartTLS);
    else IOHandler()->SetTLSServer(uri_.Host(), TNetTLSStart::tsAtConnect);
  }

  const bool one_zero = protocol_version_ == TNetHTTPProtocolVersion::pv1_0;
  switch (request.UseProxy()) {
    case TNetHTTPConnectionType::ctNormal:
      if (one_zero && request.Connection().empty()) request.SetConnection("keep-alive");
      break;
    case TNetHTTPConnectionType::ctProxy:
      if (one_zero && request.ProxyConnection().empty()) request.SetProxyConnection("keep-alive");
      break;
    case TNetHTTPConnectionType::ctSSL:
    case TNetHTTPConnectionType::ctSSLProxy: request.SetConnection(""); break;
  }

  if (!Response().KeepAlive() && IOHandler() != nullptr) Disconnect();
  // Notices a close by the peer on a kept connection before it is used. A
  // socket error here (a reset waiting on the idle connection) only means
  // the kept connection is gone: a fresh one is opened.
  try {
    ProbeDisconnect();
  } catch (const ENetSocketError&) {
    CloseQuietly();
  }
  if (Connected()) return true;
  try {
    Connect(ReadTimeout());
    if (request.UseProxy() == TNetHTTPConnectionType::ctSSLProxy) OpenTunnel();
  } catch (const ENetSSLProtocolReplyError&) {
    Disconnect();
    throw;
  }
  return false;
}

void TNetCustomHTTP::OpenTunnel() {
  for (;;) {
    TNetHTTPRequest connect;
    connect.SetUserAgent(Request().UserAgent());
    connect.SetHost(Request().Host());
    connect.SetContentLength(Request().ContentLength());
    connect.SetPragma("no-cache");
    connect.SetProxyConnection("keep-alive");
    connect.SetContentType("");
    connect.SetHeaders();
    proxy_params_.SetHeaders(connect.RawHeaders());
    SendHead(std::string(MethodText(TNetHTTPMethod::hmConnect)) + uri_.Host() + ":" + uri_.Port(),
             connect.RawHeaders());
    ReadReplyHead();
    for (int interim = 0; Response().ResponseCode() == 100; ++interim) {
      if (interim == kMaxInterimReplies) throw ENetHTTPReplyHeadTooLarge();
      ReadReplyHead();
    }
    if (Response().ResponseText().empty()) {
      Response().SetResponseText("HTTP/1.0 200 OK");
      Response().SetConnection("close");
    }
    // Any success opens the tunnel; its reply has no body.
    if (Response().ResponseCode() / 100 == 2) break;
    // A proxy asking for credentials gets them from the proxy authenticator
    // when it has some to give, and is asked again; the reply's body is never
    // the caller's. Otherwise its answer is the request's error.
    if (Response().ResponseCode() != 407 || proxy_auth_retry_count_ >= auth_retries_) RaiseTunnelRefused();
    ++proxy_auth_retry_count_;
    if (!DoOnProxyAuthorization()) {
      if (TNetAuthentication* auth = proxy_params_.Credentials().Authentication()) auth->Reset();
      RaiseTunnelRefused();
    }
    DiscardBody(kTunnelBodyTimeout);
    if (!Response().KeepAlive()) {
      Disconnect();
      Connect(ReadTimeout());
    }
  }
  // A proxy that closed during its answer left no tunnel to encrypt.
  if (!Connected()) throw ENetConnClosedGracefully();
  IOHandler()->StartTLS();
}

void TNetCustomHTTP::RaiseTunnelRefused() {
  try {
    RaiseProtocolError();
  } catch (const ENetHTTPProtocolException& e) {
    const std::string proxy = proxy_params_.ProxyServer() + ":" + IntToStr(proxy_params_.ProxyPort());
    throw ENetHTTPProxyTunnelError(
        e.ReplyErrorCode(),
        ProxyRefusalMessage(proxy, uri_.Host() + ":" + uri_.Port(), e.ReplyErrorCode(), Response().ResponseText()),
        e.ErrorMessage());
  }
}

void TNetCustomHTTP::SendRequest() {
  TNetHTTPRequest& request = Request();
  request.SetHeaders();
  proxy_params_.SetHeaders(request.RawHeaders());
  if (cookie_manager_ != nullptr) {
    // Secure cookies go only where the request is encrypted.
    const bool tls =
        request.UseProxy() == TNetHTTPConnectionType::ctSSL || request.UseProxy() == TNetHTTPConnectionType::ctSSLProxy;
    const std::string cookies = cookie_manager_->GenerateCookieList(uri_, tls);
    if (!cookies.empty()) request.RawHeaders().SetValue("Cookie", cookies);
  }
  SendHead(std::string(MethodText(request.Method())) + request.URL(), request.RawHeaders());
  if (SendsBody(request.Method()) && request.Source() != nullptr)
    WriteFromStream(*request.Source(), /*from_start=*/true);
}

void TNetCustomHTTP::SendHead(const std::string& method_and_target, const TNetHeaderList& headers) {
  // The request line, every non-empty header line and the empty line leave
  // in one piece.
  // No line is sent folded: many servers refuse a continuation line, so one
  // is joined to the line it continues, with one space.
  std::string head = method_and_target + " HTTP/" + ProtocolVersionText(protocol_version_);
  bool in_header = false;
  for (const std::string& line : headers.Lines()) {
    if (line.empty()) continue;
    if (line[0] != ' ' && line[0] != '\t') {
      head += "\r\n" + line;
      in_header = true;
    } else if (in_header) {
      head.append(" ").append(Trim(line));
    }
  }
  head += "\r\n\r\n";
  WriteBytes(head.data(), static_cast<int64_t>(head.size()), /*send_now=*/true);
}

}  // namespace vitrix
