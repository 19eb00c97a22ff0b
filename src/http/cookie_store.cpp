#include "http/cookie_store.h"

#include <algorithm>

#include "http/internet_date.h"
#include "rtl/strings.h"

namespace vitrix {

bool CookieDomainMatches(std::string_view cookie_domain, std::string_view host) {
  if (!cookie_domain.empty() && cookie_domain.front() == '.') cookie_domain.remove_prefix(1);
  if (cookie_domain.empty()) return false;
  if (SameText(cookie_domain, host)) return true;
  return host.size() > cookie_domain.size() && host[host.size() - cookie_domain.size() - 1] == '.' &&
         SameText(host.substr(host.size() - cookie_domain.size()), cookie_domain);
}

// ------------------------------------------------------------ TNetCookieList

int TNetCookieList::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (SameText(entries_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

TNetCookieList::Entry& TNetCookieList::Add(std::string name) {
  entries_.push_back(Entry{std::move(name), nullptr, nullptr});
  return entries_.back();
}

void TNetCookieList::Delete(int index) { entries_.erase(entries_.begin() + index); }

// --------------------------------------------------------------- TNetCookies

TNetCookies::~TNetCookies() {
  TNetLockScope lock(lock_, TNetLockAccess::laReadWrite);
  domain_index_ = TNetCookieList();
  Clear();
}

TNetCookieList& TNetCookies::LockCookieListByType(TNetLockAccess access) {
  access == TNetLockAccess::laRead ? lock_.BeginRead() : lock_.BeginWrite();
  return domain_index_;
}

void TNetCookies::UnlockCookieListByType(TNetLockAccess access) {
  access == TNetLockAccess::laRead ? lock_.EndRead() : lock_.EndWrite();
}

TNetNetscapeCookie* TNetCookies::AddCookie(TNetNetscapeCookie* cookie) {
  TNetLockScope lock(lock_, TNetLockAccess::laReadWrite);
  int domain = domain_index_.IndexOf(cookie->CookieDomain());
  if (domain < 0) {
    domain_index_.Add(cookie->CookieDomain()).list = std::make_unique<TNetCookieList>();
    domain = domain_index_.Count() - 1;
  }
  TNetCookieList& list = *domain_index_[domain].list;
  const int index = list.IndexOf(cookie->CookieName());
  if (index < 0) {
    list.Add(cookie->CookieName()).cookie = cookie;
    return cookie;
  }
  // The stored cookie keeps its place and takes over what the new one says.
  TNetNetscapeCookie* stored = list[index].cookie;
  stored->SetCookieText(cookie->ServerCookieText());
  stored->SetCookieFormat(cookie->CookieFormat());
  Remove(cookie);
  return stored;
}

void TNetCookies::FreeCookie(TNetNetscapeCookie* cookie) {
  TNetLockScope lock(lock_, TNetLockAccess::laReadWrite);
  for (int d = 0; d < domain_index_.Count(); ++d) {
    TNetCookieList& list = *domain_index_[d].list;
    for (int i = list.Count() - 1; i >= 0; --i) {
      if (list[i].cookie == cookie) list.Delete(i);
    }
  }
  Remove(cookie);
}

// --------------------------------------------------------- TNetCookieManager

TNetCookieManager::~TNetCookieManager() {
  try {
    CleanupCookieList();
  } catch (...) {
    // Without the time zone no expiry can be judged; everything goes anyway.
  }
  if (OnDestroy) OnDestroy(*this, cookies_);
  const auto notifications = std::move(free_notifications_);
  for (const auto& [key, notify] : notifications) notify();
}

void TNetCookieManager::DoOnCreate() {
  if (OnCreate) OnCreate(*this, cookies_);
}

// The whole store operation, from the new item in the collection to its
// place in the index, runs under the write lock: another thread may be
// choosing cookies for a request or releasing expired ones meanwhile.
void TNetCookieManager::AddCookie(std::string_view text, std::string_view host) {
  const TNetLockScope lock(cookies_.Lock(), TNetLockAccess::laReadWrite);
  StoreCookie(cookies_.AddItem<TNetCookieRFC2109>(), text, host);
}

void TNetCookieManager::AddCookie2(std::string_view text, std::string_view host) {
  const TNetLockScope lock(cookies_.Lock(), TNetLockAccess::laReadWrite);
  StoreCookie(cookies_.AddItem<TNetCookieRFC2965>(), text, host);
}

bool TNetCookieManager::HasRoomFor(const TNetNetscapeCookie& cookie) {
  if (cookie.CookieName().size() + cookie.CookieValue().size() > kMaxCookieBytes) return false;
  const TNetCookieList& index = cookies_.DomainIndex();
  const int domain = index.IndexOf(cookie.CookieDomain());
  if (domain < 0) return true;
  const TNetCookieList& list = *index[domain].list;
  // A cookie already stored under that name is only replaced.
  return list.Count() < kMaxCookiesPerDomain || list.IndexOf(cookie.CookieName()) >= 0;
}

void TNetCookieManager::StoreCookie(TNetCookieRFC2109* cookie, std::string_view text, std::string_view host) {
  try {
    cookie->SetCookieText(text);
  } catch (...) {
    cookies_.Remove(cookie);
    throw;
  }
  if (cookie->CookieDomain().empty()) cookie->SetCookieDomain(std::string(host));
  bool accept = cookie->IsValidCookie(host) && HasRoomFor(*cookie);
  if (accept && OnNewCookie) OnNewCookie(*this, *cookie, accept);
  if (!accept) {
    cookies_.Remove(cookie);
    return;
  }
  cookies_.AddCookie(cookie);
}

std::string TNetCookieManager::GenerateCookieList(const TNetURI& url, bool secure_transport) {
  CleanupCookieList();
  const TNetLockScope lock(cookies_.Lock(), TNetLockAccess::laRead);
  const TNetCookieList& index = cookies_.DomainIndex();
  std::vector<const TNetNetscapeCookie*> chosen;
  for (int d = 0; d < index.Count(); ++d) {
    if (!CookieDomainMatches(index[d].name, url.Host())) continue;
    const TNetCookieList& list = *index[d].list;
    for (int i = list.Count() - 1; i >= 0; --i) {
      const TNetNetscapeCookie* cookie = list[i].cookie;
      const std::string& path = cookie->CookiePath();
      if (path.empty() || url.Path().compare(0, path.size(), path) != 0) continue;
      if (cookie->CookieSecure() && !secure_transport) continue;
      if (cookie->CookieValue().empty()) continue;
      chosen.push_back(cookie);
    }
  }
  std::stable_sort(chosen.begin(), chosen.end(), [](const TNetNetscapeCookie* a, const TNetNetscapeCookie* b) {
    return CompareText(a->CookiePath(), b->CookiePath()) > 0;
  });
  std::string text;
  for (const TNetNetscapeCookie* cookie : chosen) {
    if (!text.empty()) text += "; ";
    text += cookie->ClientCookieText();
  }
  return text;
}

void TNetCookieManager::CleanupCookieList() {
  const TNetLockScope lock(cookies_.Lock(), TNetLockAccess::laReadWrite);
  TNetCookieList& index = cookies_.DomainIndex();
  const TDateTime now = Now();
  for (int d = 0; d < index.Count(); ++d) {
    TNetCookieList& list = *index[d].list;
    for (int i = list.Count() - 1; i >= 0; --i) {
      TNetNetscapeCookie* cookie = list[i].cookie;
      // Releasing takes the write lock again, which the writer may.
      if (!cookie->CookieExpires().empty() && GMTToLocalDateTime(cookie->CookieExpires()) < now) {
        cookies_.FreeCookie(cookie);
      }
    }
  }
}

void TNetCookieManager::AddFreeNotification(const void* key, std::function<void()> notify) {
  RemoveFreeNotification(key);
  free_notifications_.emplace_back(key, std::move(notify));
}

void TNetCookieManager::RemoveFreeNotification(const void* key) {
  std::erase_if(free_notifications_, [key](const auto& entry) { return entry.first == key; });
}

}  // namespace vitrix
