#include "publish/upload.h"

#include <algorithm>
#include <memory>
#include <string_view>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "http/multipart_stream.h"
#include "http/proxy_environment.h"
#include "net/io_handler_ssl.h"
#include "net/net_exceptions.h"
#include "publish/image_address.h"
#include "rtl/exceptions.h"
#include "rtl/file_stream.h"
#include "rtl/streams.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

inline constexpr const char* kReplyTooLong =
    "La r\xE9"
    "ponse du serveur est trop longue.";

// The reply text of one upload: a memory text that refuses to grow past
// kMaxReplyText, so that a host sending without end cannot use up memory.
class TReplyText final : public TStringStream {
 public:
  int64_t Write(const void* buffer, int64_t count) override {
    if (count > 0 && Position() + count > kMaxReplyText) throw EWriteError(kReplyTooLong);
    return TStringStream::Write(buffer, count);
  }
};

// The last path component: the name the host is told, which keeps the user's
// folders (and login name) to this machine.
std::string OwnFileName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A memory stream that refuses to grow past a size: the image fetched back
// is compared with a file of known size, and a host sending more cannot
// hold the check in memory.
class TBoundedStream final : public TMemoryStream {
 public:
  explicit TBoundedStream(int64_t limit) : limit_(limit) {}
  int64_t Write(const void* buffer, int64_t count) override {
    if (count > 0 && Position() + count > limit_) throw EWriteError(kReplyTooLong);
    return TMemoryStream::Write(buffer, count);
  }

 private:
  int64_t limit_;
};

// The phases of one upload. Each request follows the Location of the last
// reply this upload received; a request that fails before any reply leaves
// the client's previous reply in place, which may be an earlier upload's and
// is neither followed nor journalled.
class TDialogue {
 public:
  TDialogue(TNetHTTP& but, const std::string& B, const TUploadHooks& hooks) : but_(but), B_(B), hooks_(hooks) {}

  // The address the next follow-up request asks for.
  std::string FollowUp() const { return B_ + location_; }

  // Runs one request; a failure is swallowed, after journalling the address
  // a 302 reply to this very request sent the upload to. Once a request got
  // no reply at all (the host unreachable, silent past the time limits, or
  // gone without a word), the later ones are not sent: they would have
  // nothing of this upload to follow and would only make the user wait
  // through the same limits again.
  //
  // Why the host could not be reached is kept when the user can act on it (a
  // TLS check that failed, a proxy that refused or failed); the first reason
  // only, the phases after it mostly failing the same way. A reply cut
  // without the TLS close may hold half a page, and half a page a cut
  // address: what that phase added to reply goes.
  template <class Request>
  void RunPhase(TStream& reply, Request&& request) {
    if (host_lost_) return;
    const int64_t replies_before = but_.RepliesRead();
    const int64_t reply_size = reply.Size();
    const std::string proxy = but_.ProxyParams().ProxyServer().empty()
                                  ? std::string()
                                  : but_.ProxyParams().ProxyServer() + ":" + IntToStr(but_.ProxyParams().ProxyPort());
    try {
      request();
    } catch (const ENetSSLProtocolReplyError& e) {
      Note(e.what());
    } catch (const ENetSSLConnectionError& e) {
      Note(e.what());
      reply.SetSize(reply_size);
      reply.SetPosition(reply_size);
    } catch (const ENetHTTPProxyTunnelError& e) {
      Note(e.what());
    } catch (const ENetHTTPProtocolException& e) {
      if (!proxy.empty() && e.ReplyErrorCode() == 407) {
        Note(ProxyRefusalMessage(proxy, but_.URL().Host() + ":" + but_.URL().Port(), 407, but_.ResponseText()));
      }
      Journal(replies_before);
    } catch (const std::exception& e) {
      if (!proxy.empty()) Note("Le proxy " + proxy + " : " + e.what());
      Journal(replies_before);
    }
    if (but_.RepliesRead() != replies_before) location_ = but_.Response().Location();
    else host_lost_ = true;
  }

  // Why the host could not be reached, or empty.
  const std::string& Reason() const { return reason_; }

 private:
  void Note(const std::string& text) {
    if (reason_.empty()) reason_ = text;
  }
  void Journal(int64_t replies_before) {
    if (but_.RepliesRead() != replies_before && but_.ResponseCode() == 302) {
      hooks_.journal(B_ + but_.Response().Location());
    }
  }

  TNetHTTP& but_;
  const std::string& B_;
  const TUploadHooks& hooks_;
  std::string location_;
  std::string reason_;
  bool host_lost_ = false;
};

// The TLS transport of an https host, for the length of one upload: a
// plain-http host keeps the socket transport the client makes itself.
class TUploadTransport {
 public:
  TUploadTransport(TNetHTTP& but, const std::string& B) : but_(but) {
    if (!StartsText("https:", B)) {
      if (but_.IOHandler() != nullptr && but_.IOHandler()->IsTLS()) but_.SetIOHandler(nullptr);
      return;
    }
    if (but_.Connected()) but_.Disconnect();
    tls_ = std::make_unique<TNetSSLIOHandlerSocket>();
    but_.SetIOHandler(tls_.get());
  }
  ~TUploadTransport() {
    if (!tls_ || but_.IOHandler() != tls_.get()) return;
    try {
      but_.Disconnect();
    } catch (...) {
      // A handler that failed on the way out: the connection is closed all
      // the same.
    }
    but_.SetIOHandler(nullptr);
  }
  TUploadTransport(const TUploadTransport&) = delete;
  TUploadTransport& operator=(const TUploadTransport&) = delete;

 private:
  TNetHTTP& but_;
  std::unique_ptr<TNetSSLIOHandlerSocket> tls_;
};

// The address inside a forum tag made by extraiturl.
std::string AddressOfTag(const std::string& tag) {
  constexpr size_t kOpen = 5;   // "[img]"
  constexpr size_t kClose = 6;  // "[/img]"
  return tag.substr(kOpen, tag.size() - kOpen - kClose);
}

// address with the scheme's port written out when it names none. The client
// keeps the port of its last request for an address without one, which is
// right for the host's own redirects but not for an image served elsewhere.
std::string WithExplicitPort(const std::string& address) {
  const size_t authority = address.find("://");
  if (authority == std::string::npos) return address;
  const size_t start = authority + 3;
  const size_t end = std::min(address.find_first_of("/?#", start), address.size());
  const std::string_view host_port = std::string_view(address).substr(start, end - start);
  const size_t after_host =
      host_port.empty() || host_port.front() != '[' ? host_port.rfind('@') + 1 : host_port.find(']');
  if (host_port.find(':', after_host == std::string_view::npos ? 0 : after_host) != std::string_view::npos) {
    return address;
  }
  const std::string port = address.starts_with("https:") ? ":443" : ":80";
  return address.substr(0, end) + port + address.substr(end);
}

// Whether the image at address, fetched through but, is exactly the bytes
// of the file nomimage. Any failure of the request, a redirect or another
// reply than 200 included, says it is not.
bool HostServesFile(TNetHTTP& but, const std::string& address, const std::string& nomimage) {
  TMemoryStream saved;
  {
    TFileStream file(nomimage, fmOpenRead | fmShareDenyWrite);
    saved.LoadFromStream(file);
  }
  TBoundedStream fetched(saved.Size());
  try {
    but.Get(WithExplicitPort(address), &fetched);
  } catch (const std::exception&) {
    return false;
  }
  return fetched.View() == saved.View();
}

}  // namespace

void ConfigureUploadClient(TNetHTTP& but) {
  but.SetHTTPOptions(static_cast<TNetHTTPOptions>(TNetHTTPOption::hoForceEncodeParams));
  but.SetAllowCookies(true);
  but.ProxyParams().SetBasicAuthentication(false);
  but.ProxyParams().SetProxyPort(0);
  TNetHTTPRequest& request = but.Request();
  request.SetContentLength(-1);
  request.SetContentRangeEnd(0);
  request.SetContentRangeStart(0);
  request.SetContentType("text/html");
  request.SetAccept("text/html, */*");
  request.SetBasicAuthentication(false);
  request.SetUserAgent("Mozilla/3.0 (compatible; vitrix)");
  but.SetMaxLineAction(TNetMaxLineAction::maException);
  but.SetReadTimeout(kUploadTimeoutMs);
  but.SetReplyHeadTimeout(kUploadTimeoutMs);
  but.SetLowSpeedLimit(kUploadLowSpeedLimit, kUploadTimeoutMs);
}

bool UploadCapture(TNetHTTP& but, const std::string& B, const std::string& nomimage, const TUploadHooks& hooks,
                   TUploadCheck check) {
  TReplyText reponse;
  hooks.addstatus(kStatusUploadPhase1, clGreen);
  TNetMultiPartFormDataStream formulaire;
  formulaire.AddFileField(kUploadField, nomimage, kUploadPartType, OwnFileName(nomimage));
  formulaire.SetPosition(0);

  const TUploadTransport transport(but, B);
  UseEnvironmentProxy(but, B);
  TDialogue dialogue(but, B, hooks);
  hooks.addstatus(kStatusUploadPhase2, clGreen);
  dialogue.RunPhase(reponse, [&] { but.Post(B + kUploadPage, formulaire, &reponse); });
  hooks.addstatus(kStatusUploadPhase3, clGreen);
  dialogue.RunPhase(reponse, [&] { but.Get(dialogue.FollowUp(), &reponse); });
  hooks.addstatus(kStatusUploadPhase4, clGreen);
  dialogue.RunPhase(reponse, [&] { but.Get(dialogue.FollowUp(), &reponse); });

  // Success is a forum tag found, not merely the end of the dialogue.
  std::string link = extraiturl(reponse.View());
  reponse.Clear();
  if (link != kNoImageAddress && check == TUploadCheck::ucFetchBack) {
    hooks.addstatus(kStatusUploadCheck, clGreen);
    // A page that merely looks like a result proves nothing: the host holds
    // the capture only when its address serves the capture's bytes.
    if (!HostServesFile(but, AddressOfTag(link), nomimage)) link = kNoImageAddress;
  }
  const bool hosted = link != kNoImageAddress;
  if (hosted) hooks.addstatus(kStatusUploadDone, clGreen);
  else hooks.addstatus(kStatusUploadFailed, clRed);
  if (!hosted && !dialogue.Reason().empty() && hooks.reason) hooks.reason(dialogue.Reason());
  hooks.addlink(link);
  return hosted;
}

}  // namespace vitrix
