#include "publish/upload.h"

#include "http/http_client.h"
#include "http/multipart_stream.h"
#include "publish/image_address.h"
#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace vitrix {
namespace {

inline constexpr const char* kReplyTooLong = "La r\xE9" "ponse du serveur est trop longue.";

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

// Runs one request; a failure is swallowed, after journalling the address a
// 302 reply sent the upload to. The client keeps the status and Location of
// the last reply it read, also when this request failed before any reply.
template <class Request>
void RunPhase(TNetHTTP& but, const std::string& B, const TUploadHooks& hooks, Request&& request) {
  try {
    request();
  } catch (const std::exception&) {
    if (but.ResponseCode() == 302) hooks.journal(B + but.Response().Location());
  }
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
}

void UploadCapture(TNetHTTP& but, const std::string& B, const std::string& nomimage, const TUploadHooks& hooks) {
  TReplyText reponse;
  hooks.addstatus(kStatusUploadPhase1, clGreen);
  TNetMultiPartFormDataStream formulaire;
  formulaire.AddFileField(kUploadField, nomimage, kUploadPartType, OwnFileName(nomimage));
  formulaire.SetPosition(0);

  hooks.addstatus(kStatusUploadPhase2, clGreen);
  RunPhase(but, B, hooks, [&] { but.Post(B + kUploadPage, formulaire, &reponse); });
  hooks.addstatus(kStatusUploadPhase3, clGreen);
  RunPhase(but, B, hooks, [&] { but.Get(B + but.Response().Location(), &reponse); });
  hooks.addstatus(kStatusUploadPhase4, clGreen);
  RunPhase(but, B, hooks, [&] { but.Get(B + but.Response().Location(), &reponse); });

  // Success is a forum tag found, not merely the end of the dialogue.
  const std::string link = extraiturl(reponse.View());
  if (link != kNoImageAddress) hooks.addstatus(kStatusUploadDone, clGreen);
  else hooks.addstatus(kStatusUploadFailed, clRed);
  hooks.addlink(link);
}

}  // namespace vitrix
