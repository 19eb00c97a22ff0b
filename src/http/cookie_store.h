#pragma once

// The in-memory cookie store: TNetCookieManager takes the cookies a server
// sets, checks their domain against the host that answered, replaces a
// stored cookie of the same name, drops expired ones and chooses those a
// request carries. Nothing is written to disk.
//
// TNetCookies owns the cookie objects (as collection items) and indexes
// them: DomainIndex maps each domain to a per-domain list that maps cookie
// names to cookies, both in the order of first storing, names compared
// without regard to letter case. Every stored cookie is listed exactly once,
// in the list of its own domain.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "http/cookie.h"
#include "http/rw_lock.h"
#include "http/uri.h"
#include "rtl/collections.h"

namespace vitrix {

// A list of names kept in insertion order, looked up without regard to
// case. Each entry carries a cookie (per-domain lists) or a list (the domain
// index).
class TNetCookieList {
 public:
  struct Entry {
    std::string name;
    TNetNetscapeCookie* cookie = nullptr;
    std::unique_ptr<TNetCookieList> list;
  };

  int Count() const { return static_cast<int>(entries_.size()); }
  Entry& operator[](int index) { return entries_[static_cast<size_t>(index)]; }
  const Entry& operator[](int index) const { return entries_[static_cast<size_t>(index)]; }
  int IndexOf(std::string_view name) const;
  Entry& Add(std::string name);
  void Delete(int index);

 private:
  std::vector<Entry> entries_;
};

class TNetCookies : public TOwnedCollection<TNetNetscapeCookie> {
 public:
  TNetCookies() = default;
  ~TNetCookies() override;

  // The domain index under the lock of the given kind; every lock is undone
  // by an unlock of the same kind. The writer may lock again.
  TNetCookieList& LockCookieListByType(TNetLockAccess access);
  void UnlockCookieListByType(TNetLockAccess access);
  TNetMultiReadExclusiveWriteLock& Lock() { return lock_; }
  // The domain index without locking: for callers that hold the lock.
  TNetCookieList& DomainIndex() { return domain_index_; }

  // Lists cookie under its name in its domain's list: appends it, or, when
  // a cookie of that name is listed, makes the listed one take it over and
  // releases cookie. Returns the cookie that stays listed.
  TNetNetscapeCookie* AddCookie(TNetNetscapeCookie* cookie);
  // Removes the cookie from its per-domain list and from the collection,
  // and releases it.
  void FreeCookie(TNetNetscapeCookie* cookie);

 private:
  TNetMultiReadExclusiveWriteLock lock_;
  TNetCookieList domain_index_;
};

class TNetCookieManager;
using TOnManagerEvent = std::function<void(TNetCookieManager& sender, TNetCookies& cookies)>;
using TOnNewCookieEvent = std::function<void(TNetCookieManager& sender, TNetCookieRFC2109& cookie, bool& accept)>;

class TNetCookieManager {
 public:
  // Limits on what a server may store. Every stored cookie goes back in the
  // Cookie line of each later request to its domain, so without them a
  // hostile host could grow the memory and that line without end: a cookie
  // whose name and value together exceed kMaxCookieBytes is dropped, and so
  // is a new name beyond kMaxCookiesPerDomain in its domain (a cookie of a
  // stored name still replaces it).
  static constexpr size_t kMaxCookieBytes = 4096;
  static constexpr int kMaxCookiesPerDomain = 50;

  TNetCookieManager() = default;
  // Drops expired cookies, calls OnDestroy, tells whoever asked that the
  // manager is gone, then releases every cookie.
  ~TNetCookieManager();
  TNetCookieManager(const TNetCookieManager&) = delete;
  TNetCookieManager& operator=(const TNetCookieManager&) = delete;

  TOnManagerEvent OnCreate;
  TOnManagerEvent OnDestroy;
  TOnNewCookieEvent OnNewCookie;

  TNetCookies& CookieCollection() { return cookies_; }

  // Calls OnCreate; the creator calls it once the handlers are set.
  void DoOnCreate();

  // One "Set-cookie" / "Set-cookie2" value received from host. A cookie
  // outside host's domain, beyond the limits above, or refused by
  // OnNewCookie, is dropped. A quoted
  // Port list with a non-number raises EConvertError.
  void AddCookie(std::string_view text, std::string_view host);
  void AddCookie2(std::string_view text, std::string_view host);

  // The "Cookie" header value for a request to url: "name=value" pairs
  // joined by "; ", longer paths first; empty when no cookie matches. A
  // cookie goes only to its own domain's hosts, under its path, with a
  // value, and, when secure, only over TLS.
  std::string GenerateCookieList(const TNetURI& url, bool secure_transport = false);
  // Releases every cookie whose expiry date lies before now.
  void CleanupCookieList();

  // Asks to hear of the manager's end; one callback per key.
  void AddFreeNotification(const void* key, std::function<void()> notify);
  void RemoveFreeNotification(const void* key);

 private:
  void StoreCookie(TNetCookieRFC2109* cookie, std::string_view text, std::string_view host);
  // The cookie stays within the limits of the store; under the lock.
  bool HasRoomFor(const TNetNetscapeCookie& cookie);

  TNetCookies cookies_;
  std::vector<std::pair<const void*, std::function<void()>>> free_notifications_;
};

// The request host lies in the cookie domain: it equals the domain (without
// its leading dot) or ends with "." and the domain, letter case ignored.
bool CookieDomainMatches(std::string_view cookie_domain, std::string_view host);

}  // namespace vitrix
