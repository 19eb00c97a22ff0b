// URL splitting and composing on arbitrary texts: never a crash, and the
// parts always have the shapes the HTTP client relies on.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "http/http_exceptions.h"
#include "http/uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrix;
  using vitrix::fuzz::Check;
  std::string text(reinterpret_cast<const char*>(data), size);
  const TNetURI uri(text);

  std::replace(text.begin(), text.end(), '\\', '/');
  Check(uri.URI() == text, "the text is kept with forward slashes");
  Check(uri.Document().find('/') == std::string::npos, "the document holds no slash");
  Check(uri.Params().empty() || uri.Params()[0] == '?' || uri.Params()[0] == '=', "params start the query");
  Check(uri.Path().empty() || uri.Path().back() == '/', "a path ends with a slash");

  const size_t scheme_end = text.find("://");
  if (scheme_end == std::string::npos) {
    Check(uri.Protocol().empty() && uri.Host().empty() && uri.Port().empty(), "no authority without ://");
  } else {
    Check(uri.Protocol() == text.substr(0, scheme_end), "the protocol is what precedes ://");
    Check(!uri.Path().empty() && uri.Path()[0] == '/', "a full URL has an absolute path");
    Check(uri.Host().find('/') == std::string::npos && uri.Host().find(':') == std::string::npos,
          "the host holds no slash or colon");
  }

  // Without a "#" nothing is dropped: the text after the authority is the
  // path, the document and the params end to end.
  if (text.find('#') == std::string::npos) {
    std::string rest = text;
    std::string path = uri.Path();
    if (scheme_end != std::string::npos) {
      const size_t slash = text.find('/', scheme_end + 3);
      rest = slash == std::string::npos ? "" : text.substr(slash + 1);
      path.erase(0, 1);
    }
    Check(path + uri.Document() + uri.Params() == rest, "path, document and params rebuild the text");
    Check(uri.Bookmark().empty(), "no bookmark without #");
  }

  // Splitting again after another text gives the same parts.
  TNetURI reused("s://u:p@other:1/x/y.php?q#b");
  reused.SetURI(text);
  Check(reused.Protocol() == uri.Protocol() && reused.UserName() == uri.UserName() &&
            reused.Password() == uri.Password() && reused.Host() == uri.Host() && reused.Port() == uri.Port() &&
            reused.Path() == uri.Path() && reused.Document() == uri.Document() && reused.Params() == uri.Params() &&
            reused.Bookmark() == uri.Bookmark(),
        "every part is cleared before splitting");

  try {
    const std::string built = uri.BuildURI();
    Check(built.rfind(uri.Protocol() + "://", 0) == 0, "a built URL starts with its protocol");
  } catch (const ENetURIException&) {
    Check(uri.Protocol().empty() || uri.Host().empty(), "only a missing protocol or host refuses to build");
  }
  return 0;
}
