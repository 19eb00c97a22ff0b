// "Set-cookie" values of arbitrary text: parsing never fails (but for a
// Set-cookie2 Port list of non-numbers), a cookie written back in header form
// reads back the same, and the store's index always lists every stored
// cookie once.
//
// Input: byte 0 chooses Set-cookie or Set-cookie2 and the host; the rest is
// split at LF into the values of one reply.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "http/cookie_store.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"

namespace {

constexpr const char* kHosts[] = {"www.example.org", "127.0.0.1", ".example.org", "h"};

void CheckRoundTrip(const vitrix::TNetCookieRFC2109& cookie) {
  using vitrix::fuzz::Check;
  if (cookie.CookieValue().empty()) return;
  vitrix::TNetCookies scratch;
  auto* copy = scratch.AddItem<vitrix::TNetCookieRFC2109>();
  copy->SetCookieText(cookie.ServerCookieText());
  Check(copy->CookieName() == cookie.CookieName(), "the name reads back");
  Check(copy->CookieValue() == cookie.CookieValue(), "the value reads back");
  // Removing the quotes may leave blanks or quotes at the ends of the path,
  // which the next reading trims or removes.
  const std::string& path = cookie.CookiePath();
  const bool path_changes = path.find('"') != std::string::npos || vitrix::Trim(path) != path;
  Check(path_changes || copy->CookiePath() == path, "the path reads back");
  Check(copy->CookieDomain() == cookie.CookieDomain(), "the domain reads back");
  Check(copy->CookieSecure() == cookie.CookieSecure(), "the secure flag reads back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vitrix;
  using vitrix::fuzz::Check;
  if (size < 1) return 0;
  const bool version2 = (data[0] & 1) != 0;
  const char* host = kHosts[(data[0] >> 1) & 3];
  std::string_view values(reinterpret_cast<const char*>(data) + 1, size - 1);

  TNetCookieManager manager;
  while (!values.empty()) {
    const size_t lf = values.find('\n');
    const std::string_view value = values.substr(0, lf);
    values = lf == std::string_view::npos ? std::string_view() : values.substr(lf + 1);

    TNetCookies scratch;
    auto* cookie = version2 ? scratch.AddItem<TNetCookieRFC2965>() : scratch.AddItem<TNetCookieRFC2109>();
    try {
      cookie->SetCookieText(value);
      CheckRoundTrip(*cookie);
      version2 ? manager.AddCookie2(value, host) : manager.AddCookie(value, host);
    } catch (const EConvertError&) {
      Check(version2, "only a Set-cookie2 Port list can fail");
    }
  }

  // Every stored cookie is listed once, under its domain.
  TNetCookies& cookies = manager.CookieCollection();
  int listed = 0;
  TNetCookieList& index = cookies.LockCookieListByType(TNetLockAccess::laRead);
  for (int d = 0; d < index.Count(); ++d) {
    const TNetCookieList& list = *index[d].list;
    for (int i = 0; i < list.Count(); ++i) {
      ++listed;
      Check(list[i].cookie->Index() >= 0, "a listed cookie is in the collection");
    }
  }
  cookies.UnlockCookieListByType(TNetLockAccess::laRead);
  Check(listed == cookies.Count(), "every stored cookie is listed once");
  // Chosen cookies are "name=value" pieces of stored cookies with a value.
  const std::string header = manager.GenerateCookieList(TNetURI(std::string("http://") + host + "/"));
  Check(header.empty() || header.find('=') != std::string::npos, "the Cookie header is made of name=value");
  return 0;
}
