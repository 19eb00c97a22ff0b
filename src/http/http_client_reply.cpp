// The reply side of TNetCustomHTTP: reply heads, cookies, classification,
// authorization and bodies.

#include <algorithm>
#include <limits>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "http/http_parse.h"
#include "net/net_exceptions.h"
#include "rtl/streams.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

constexpr int kRedirectBodyTimeout = 4000;
constexpr int kErrorBodyTimeout = 2000;
constexpr int kChunkLineLimit = 16384;

// Sets a read time-out for a scope and puts the previous one back.
class ReadTimeoutScope {
 public:
  ReadTimeoutScope(TNetTCPConnection& connection, int timeout)
      : connection_(connection), saved_(connection.ReadTimeout()) {
    connection_.SetReadTimeout(timeout);
  }
  ~ReadTimeoutScope() { connection_.SetReadTimeout(saved_); }
  ReadTimeoutScope(const ReadTimeoutScope&) = delete;
  ReadTimeoutScope& operator=(const ReadTimeoutScope&) = delete;

 private:
  TNetTCPConnection& connection_;
  int saved_;
};

}  // namespace

// ------------------------------------------------------------------- heads

std::string TNetCustomHTTP::ReadHeadLine() {
  const int64_t left = kMaxReplyHeadBytes - head_bytes_;
  if (head_lines_ >= kMaxReplyHeadLines || left <= 0) throw ENetHTTPReplyHeadTooLarge();
  const int configured = MaxLineLength();
  const bool budget_limits = configured == 0 || configured > left;
  const int limit = budget_limits ? static_cast<int>(left) : configured;
  std::string line;
  try {
    line = ReadLine("\n", -1, limit);
  } catch (const ENetReadLnMaxLineLengthExceeded&) {
    if (budget_limits) throw ENetHTTPReplyHeadTooLarge();
    throw;
  }
  ++head_lines_;
  head_bytes_ += static_cast<int64_t>(line.size()) + 2;
  return line;
}

void TNetCustomHTTP::ReadReplyHead() {
  head_bytes_ = 0;
  head_lines_ = 0;
  std::string status = ReadHeadLine();
  ++replies_read_;
  TNetHTTPResponse& response = Response();
  response.SetResponseText(std::move(status));
  response.RawHeaders().Clear();
  // The fields of the previous reply go at once: a head that fails midway
  // must not leave its status line next to the last reply's Location.
  response.ProcessHeaders();
  for (;;) {
    std::string line;
    try {
      line = ReadHeadLine();
    } catch (const ENetConnClosedGracefully&) {
      Disconnect();
      break;
    }
    if (ReadLineEndedEmpty()) {
      // The peer closed in the middle of a line: the head stops there.
      Disconnect();
      break;
    }
    if (line.empty()) break;
    response.RawHeaders().Add(std::move(line));
  }
  response.ProcessHeaders();
  StoreCookies();
}

void TNetCustomHTTP::StoreCookies() {
  if (cookie_manager_ == nullptr && allow_cookies_) {
    owned_cookie_manager_ = std::make_unique<TNetCookieManager>();
    cookie_manager_ = owned_cookie_manager_.get();
    cookie_manager_->DoOnCreate();
  }
  if (cookie_manager_ == nullptr) return;
  const TNetHeaderList& headers = Response().RawHeaders();
  for (const std::string& value : headers.Extract("Set-cookie")) cookie_manager_->AddCookie(value, uri_.Host());
  for (const std::string& value : headers.Extract("Set-cookie2")) cookie_manager_->AddCookie2(value, uri_.Host());
}

// ---------------------------------------------------------- classification

TNetCustomHTTP::TOutcome TNetCustomHTTP::Classify() {
  const int code = Response().ResponseCode();
  const int kind = code / 100;
  if ((kind == 3 && code != 304) || !Response().Location().empty()) return ClassifyRedirect();
  if (kind == 2) {
    if (!Connected()) return TOutcome::ocUndefined;
    DeliverBody();
    return TOutcome::ocFinished;
  }
  if (code == 401) return ClassifyAuthorization(TNetAuthSide::asServer);
  if (code == 407) return ClassifyAuthorization(TNetAuthSide::asProxy);
  RaiseProtocolError();
}

bool TNetCustomHTTP::DoOnRedirect(std::string& location, TNetHTTPMethod& method, int redirect_count) {
  bool handled = handle_redirects_;
  if (OnRedirect) OnRedirect(*this, location, redirect_count, handled, method);
  return handled;
}

TNetCustomHTTP::TOutcome TNetCustomHTTP::ClassifyRedirect() {
  std::string destination = Response().Location();
  TNetHTTPMethod method = Request().Method();
  const bool follow = handle_redirects_ && redirect_count_ < redirect_maximum_;
  if (!DoOnRedirect(destination, method, redirect_count_)) RaiseProtocolError();
  // A redirect's body never reaches the caller.
  DiscardBody(kRedirectBodyTimeout);
  if (follow) {
    Request().SetURL(destination);
    Request().SetMethod(method);
    return TOutcome::ocFollow;
  }
  Response().SetLocation(destination);
  return TOutcome::ocFinished;
}

TNetCustomHTTP::TOutcome TNetCustomHTTP::ClassifyAuthorization(TNetAuthSide side) {
  int& count = SideOf(side).retry_count;
  bool authorized = false;
  if (count < auth_retries_) {
    ++count;
    authorized = side == TNetAuthSide::asProxy ? DoOnProxyAuthorization() : DoOnAuthorization();
  }
  if (!authorized) {
    if (TNetAuthentication* auth = SideOf(side).credentials.Authentication()) auth->Reset();
    RaiseProtocolError();
  }
  if (HasOption(http_options_, TNetHTTPOption::hoInProcessAuth)) {
    DiscardBody(kRedirectBodyTimeout);
    return TOutcome::ocRetryAuthorization;
  }
  DeliverBody();
  return TOutcome::ocFinished;
}

TNetCustomHTTP::TAuthorizationSide TNetCustomHTTP::SideOf(TNetAuthSide side) {
  if (side == TNetAuthSide::asProxy) {
    return {Response().ProxyAuthenticate(), OnSelectProxyAuthorization, OnProxyAuthorization,
            proxy_params_.Credentials(), proxy_auth_retry_count_};
  }
  return {Response().WWWAuthenticate(), OnSelectAuthorization, OnAuthorization, Request().Credentials(),
          auth_retry_count_};
}

namespace {

// The class of the first offered scheme that is registered.
TNetAuthenticationClass OfferedScheme(const TNetHeaderList& challenges) {
  for (const std::string& challenge : challenges.Lines()) {
    if (TNetAuthenticationClass found = FindAuthClass(challenge.substr(0, challenge.find(' ')))) return found;
  }
  return {};
}

}  // namespace

bool TNetCustomHTTP::DoOnAuthorization() { return Authorize(TNetAuthSide::asServer); }

bool TNetCustomHTTP::DoOnProxyAuthorization() { return Authorize(TNetAuthSide::asProxy); }

bool TNetCustomHTTP::Authorize(TNetAuthSide side) {
  const TAuthorizationSide asking = SideOf(side);
  TNetCredentials& credentials = asking.credentials;
  if (side == TNetAuthSide::asProxy) {
    credentials.SetPassword("");
    if (credentials.Authentication() != nullptr) credentials.Authentication()->Reset();
  }
  if (credentials.Authentication() == nullptr) {
    TNetAuthenticationClass chosen = OfferedScheme(asking.challenges);
    if (!chosen) return false;
    if (asking.on_select) asking.on_select(*this, chosen, asking.challenges);
    if (!chosen) return false;
    credentials.SetAuthentication(chosen());
    // A class chosen by the handler may make nothing: nothing to ask for.
    if (credentials.Authentication() == nullptr) return false;
  }
  if (!asking.on_authorization) return false;
  TNetAuthentication& auth = *credentials.Authentication();
  auth.SetUsername(credentials.Username());
  auth.SetPassword(credentials.Password());
  bool handled = false;
  asking.on_authorization(*this, auth, handled);
  if (!handled) return false;
  credentials.SetUsername(auth.Username());
  credentials.SetPassword(auth.Password());
  credentials.SetBasicAuthentication(true);
  auth.Next();
  return true;
}

void TNetCustomHTTP::RaiseProtocolError() {
  TStringStream scratch;
  TNetHTTPResponse& response = Response();
  TStream* const caller = response.ContentStream();
  {
    const ReadTimeoutScope timeout(*this, kErrorBodyTimeout);
    response.SetContentStream(&scratch);
    try {
      exchange_broken_ = !ReadBody(scratch, TBodyStream::bsScratch);
    } catch (...) {
      response.SetContentStream(caller);
      throw;
    }
    response.SetContentStream(caller);
  }
  throw ENetHTTPProtocolException(response.ResponseCode(), response.ResponseText(), scratch.DataString());
}

void TNetCustomHTTP::DiscardBody(int timeout_ms) {
  if (!Connected()) return;
  const ReadTimeoutScope timeout(*this, timeout_ms);
  try {
    TMemoryStream scratch;
    exchange_broken_ = !ReadBody(scratch, TBodyStream::bsScratch);
  } catch (...) {
    // The body is of no use to anybody; only the connection is lost.
    exchange_broken_ = true;
  }
}

// ------------------------------------------------------------------ bodies

bool TNetCustomHTTP::ReplyHasBody() {
  const TNetHTTPResponse& response = Response();
  const int code = response.ResponseCode();
  // These replies never carry a body, whatever their headers say.
  if (Request().Method() == TNetHTTPMethod::hmHead || code == 204 || code == 304 || code / 100 == 1) return false;
  return !(response.HasContentLength() && response.ContentLength() == 0) ||
         IsChunkedEncoding(response.RawHeaders().Values("Transfer-Encoding"));
}

void TNetCustomHTTP::DeliverBody() {
  if (TStream* stream = Response().ContentStream()) {
    ReadBody(*stream, TBodyStream::bsCallerStream);
    exchange_broken_ = false;
    return;
  }
  // Nobody wants the body: it stays unread, and the connection, which would
  // hand it to the next request, is closed.
  exchange_broken_ = ReplyHasBody();
}

bool TNetCustomHTTP::ReadBody(TStream& stream, TBodyStream kind) {
  const TNetHTTPResponse& response = Response();
  // An interim reply (1xx) has no body, but its final reply is still to
  // come on the connection and nobody reads it: the exchange is not over.
  if (!ReplyHasBody()) return response.ResponseCode() / 100 != 1;
  const bool strict = kind == TBodyStream::bsCallerStream;
  const int64_t limit = strict ? std::numeric_limits<int64_t>::max() : kMaxScratchBody;

  if (response.ContentLength() > 0) {
    const int64_t wanted = std::min(response.ContentLength(), limit);
    const int64_t before = stream.Position();
    try {
      ReadToStream(stream, wanted);
    } catch (const ENetConnClosedGracefully&) {
      if (strict) throw;
      return false;
    }
    if (stream.Position() - before < wanted) {
      // The peer closed before the announced length: a cut body is no body.
      if (strict) throw ENetConnClosedGracefully();
      return false;
    }
    return wanted == response.ContentLength();
  }
  if (IsChunkedEncoding(response.RawHeaders().Values("Transfer-Encoding"))) {
    DoStatus(TNetStatus::hsStatusText,
             "Op\xE9"
             "ration Chunk d\xE9"
             "marr\xE9"
             "e");
    return ReadChunkedBody(stream, limit);
  }
  if (response.HasContentLength()) return true;
  if (strict) {
    ReadToStream(stream, /*count=*/-1, /*until_close=*/true);
    return true;
  }
  const int64_t before = stream.Position();
  try {
    ReadToStream(stream, limit);
  } catch (const ENetConnClosedGracefully&) {
    return true;
  }
  return stream.Position() - before < limit;
}

bool TNetCustomHTTP::ReadChunkedBody(TStream& stream, int64_t limit) {
  const int line_limit = MaxLineLength() == 0 ? kChunkLineLimit : std::min(MaxLineLength(), kChunkLineLimit);
  int64_t total = 0;
  for (;;) {
    const std::string line = ReadLine("\n", -1, line_limit);
    if (ReadLineEndedEmpty()) throw ENetConnClosedGracefully();
    const std::optional<int64_t> size = ChunkSizeOf(line);
    if (!size) throw ENetHTTPInvalidChunk();
    if (*size == 0) break;
    const int64_t taken = std::min(*size, limit - total);
    ReadToStream(stream, taken);
    total += taken;
    if (taken < *size) return false;
    ReadLine("\n", -1, line_limit);
  }
  ReadTrailer();
  return true;
}

void TNetCustomHTTP::ReadTrailer() {
  head_bytes_ = 0;
  head_lines_ = 0;
  for (;;) {
    const std::string line = ReadHeadLine();
    // A trailer must end with its empty line.
    if (ReadLineEndedEmpty()) throw ENetConnClosedGracefully();
    if (line.empty()) return;
  }
}

}  // namespace vitrix
