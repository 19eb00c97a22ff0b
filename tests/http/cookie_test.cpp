// Cookies: parsing, the header form written back, the domain check, and the
// store's choice of cookies for a request.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "http/cookie.h"
#include "http/cookie_store.h"
#include "http/internet_date.h"
#include "http/uri.h"
#include "rtl/exceptions.h"
#include "rtl/strings.h"
#include "support/proc_stat.h"

namespace vitrix {
namespace {

constexpr const char* kHost = "www.example.org";

std::string CookiesFor(TNetCookieManager& manager, const char* url, bool tls = false) {
  return manager.GenerateCookieList(TNetURI(url), tls);
}

// ------------------------------------------------------------------ parsing

TEST(CookieParsing, NameValueAndAttributesInAnyLetterCase) {
  TNetCookies cookies;
  auto* cookie = cookies.AddItem<TNetCookieRFC2109>();
  cookie->SetCookieText(" id=a=b=c ; Path=\"/x/\"; DOMAIN=.example.org; secure; Max-Age=60; Version=1; comment=hi");
  EXPECT_EQ(cookie->CookieName(), "id");
  EXPECT_EQ(cookie->CookieValue(), "a=b=c");
  EXPECT_EQ(cookie->CookiePath(), "/x/");
  EXPECT_EQ(cookie->CookieDomain(), ".example.org");
  EXPECT_TRUE(cookie->CookieSecure());
  EXPECT_EQ(cookie->CookieMaxAge(), 60);
  EXPECT_EQ(cookie->CookieVersion(), "1");
  EXPECT_EQ(cookie->CookieComment(), "hi");
  // Max-age without expires makes a Netscape cookie with a generated date.
  EXPECT_EQ(cookie->CookieFormat(), TNetCookieFormat::cfNetscape);
  EXPECT_GT(GMTToLocalDateTime(cookie->CookieExpires()), Now());
}

TEST(CookieParsing, FirstAttributeOfANameWinsAndOddPiecesAreHarmless) {
  TNetCookies cookies;
  auto* cookie = cookies.AddItem<TNetCookieRFC2109>();
  cookie->SetCookieText("novalue; path=/a/; path=/b/;; max-age=x; path; ;");
  EXPECT_EQ(cookie->CookieName(), "");
  EXPECT_EQ(cookie->CookieValue(), "");
  EXPECT_EQ(cookie->CookiePath(), "/a/");
  EXPECT_EQ(cookie->CookieMaxAge(), -1);
  EXPECT_EQ(cookie->CookieExpires(), "");
  cookie->SetCookieText("q=1; path=\"");
  EXPECT_EQ(cookie->CookiePath(), "");
}

TEST(CookieParsing, ExpiresKeepsTheRfc2109FormatAndIsNotWrittenBack) {
  TNetCookies cookies;
  auto* cookie = cookies.AddItem<TNetCookieRFC2109>();
  cookie->SetCookieText("s=1; expires=Wed, 01-Jan-2070 00:00:00 GMT; path=/; domain=h");
  EXPECT_EQ(cookie->CookieFormat(), TNetCookieFormat::cfRFC2109);
  EXPECT_EQ(cookie->CookieExpires(), "Wed, 01-Jan-2070 00:00:00 GMT");
  EXPECT_EQ(cookie->ServerCookieText(), "s=1; path=/; domain=h");
}

TEST(CookieParsing, ServerTextWritesOnlyTheSetAttributesInOrder) {
  TNetCookies cookies;
  auto* cookie = cookies.AddItem<TNetCookieRFC2109>();
  cookie->SetCookieText("a=1; Comment=c; secure; Domain=h; Path=/p/; Version=1");
  EXPECT_EQ(cookie->ServerCookieText(), "a=1; path=/p/; domain=h; secure; comment=c; version=1");
  EXPECT_EQ(cookie->ClientCookieText(), "a=1");
  cookie->SetCookieText("b=");
  EXPECT_EQ(cookie->ServerCookieText(), "");
}

TEST(CookieParsing, Rfc2965PortListsAndTheirFailures) {
  TNetCookies cookies;
  auto* cookie = cookies.AddItem<TNetCookieRFC2965>();
  cookie->SetCookieText("a=1; Port=\"80, 8080\"; CommentURL=http://x/; Discard");
  EXPECT_EQ(cookie->CookiePortList(), (std::vector<int>{80, 8080}));
  EXPECT_EQ(cookie->CookieCommentURL(), "http://x/");
  EXPECT_TRUE(cookie->CookieDiscard());
  cookie->SetCookieText("a=1; Port=8443");  // unquoted: the list stays
  EXPECT_EQ(cookie->CookiePortList(), (std::vector<int>{80, 8080}));
  cookie->SetCookieText("a=1; Port=\"\"");
  EXPECT_EQ(cookie->CookiePortList(), std::vector<int>{80});
  EXPECT_THROW(cookie->SetCookieText("a=1; Port=\"80,x\""), EConvertError);
}

// ------------------------------------------------------------- domain check

TEST(CookieDomainCheck, HostItselfOrDotDomainIsStoredOthersAreNot) {
  TNetCookies cookies;
  auto* cookie = cookies.AddItem<TNetCookieRFC2109>();
  const auto valid = [&](const char* domain, const char* host) {
    cookie->SetCookieDomain(domain);
    return cookie->IsValidCookie(host);
  };
  EXPECT_TRUE(valid("www.example.org", kHost));
  EXPECT_TRUE(valid(".example.org", kHost));
  EXPECT_FALSE(valid("example.org", kHost));
  EXPECT_FALSE(valid(".org", kHost));
  EXPECT_FALSE(valid(".Example.org", kHost));
  EXPECT_FALSE(valid("WWW.example.org", kHost));
  EXPECT_TRUE(valid("127.0.0.1", "127.0.0.1"));
  EXPECT_FALSE(valid(".0.0.1", "127.0.0.1"));
  EXPECT_TRUE(valid("localhost", "localhost"));
  // A host that begins with "." is its own domain, in any letter case.
  EXPECT_TRUE(valid(".WWW.example.org", ".www.example.org"));
  EXPECT_FALSE(valid(".example.org", ".www.example.org"));
}

TEST(CookieDomainCheck, IpTexts) {
  EXPECT_TRUE(IsIPText("127.0.0.1"));
  EXPECT_TRUE(IsIPText("255.255.255.255"));
  EXPECT_FALSE(IsIPText("256.0.0.1"));
  EXPECT_FALSE(IsIPText("1.2.3"));
  EXPECT_FALSE(IsIPText("1.2.3.4.5"));
  EXPECT_FALSE(IsIPText("1.2.3.x"));
  EXPECT_FALSE(IsIPText(""));
}

TEST(CookieDomainMatch, HostEqualsTheDomainOrEndsWithDotDomain) {
  EXPECT_TRUE(CookieDomainMatches(".example.org", "example.org"));
  EXPECT_TRUE(CookieDomainMatches(".example.org", "www.EXAMPLE.org"));
  EXPECT_TRUE(CookieDomainMatches("www.example.org", "www.example.org"));
  // A host that merely contains the domain is another site.
  EXPECT_FALSE(CookieDomainMatches(".example.org", "badexample.org"));
  EXPECT_FALSE(CookieDomainMatches("example.org", "example.org.evil.net"));
  EXPECT_FALSE(CookieDomainMatches(".", "org"));
  EXPECT_FALSE(CookieDomainMatches("", "org"));
}

// -------------------------------------------------------------------- store

TEST(CookieStore, PathDecidesAndACookieWithoutPathIsNeverSent) {
  TNetCookieManager manager;
  manager.AddCookie("root=1; path=/", kHost);
  manager.AddCookie("nopath=2", kHost);
  manager.AddCookie("doc=3; path=/a/page.php", kHost);
  manager.AddCookie("sub=4; path=/a/", kHost);
  EXPECT_EQ(manager.CookieCollection().Count(), 4);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "root=1");
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/a/page.php"), "sub=4; root=1");
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/a/page.php/"), "doc=3; sub=4; root=1");
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/A/"), "root=1");
}

TEST(CookieStore, AnEmptyValueIsStoredButNeverSent) {
  TNetCookieManager manager;
  manager.AddCookie("empty=; path=/", kHost);
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "");
}

TEST(CookieStore, SameNameInAnyCaseReplacesTheValueAndKeepsItsPlace) {
  TNetCookieManager manager;
  manager.AddCookie("a=1; path=/", kHost);
  manager.AddCookie("b=2; path=/", kHost);
  manager.AddCookie("a=3; path=/", kHost);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "b=2; a=3");
  manager.AddCookie("A=4; path=/", kHost);
  EXPECT_EQ(manager.CookieCollection().Count(), 2);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "b=2; A=4");
}

TEST(CookieStore, OtherDomainsAndRefusedCookiesAreDropped) {
  TNetCookieManager manager;
  manager.AddCookie("x=1; path=/; domain=example.org", kHost);
  manager.AddCookie("y=1; path=/; domain=.other.org", kHost);
  int seen = 0;
  manager.OnNewCookie = [&](TNetCookieManager&, TNetCookieRFC2109& cookie, bool& accept) {
    ++seen;
    accept = cookie.CookieName() != "no";
  };
  manager.AddCookie("no=1; path=/", kHost);
  manager.AddCookie("yes=1; path=/; domain=.example.org", kHost);
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(CookiesFor(manager, "http://img.example.org/"), "yes=1");
  EXPECT_EQ(CookiesFor(manager, "http://example.org.evil.net/"), "");
}

TEST(CookieStore, SecureCookiesGoOnlyOverTls) {
  TNetCookieManager manager;
  manager.AddCookie("s=1; path=/; secure", kHost);
  manager.AddCookie("p=2; path=/", kHost);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "p=2");
  EXPECT_EQ(CookiesFor(manager, "https://www.example.org/", true), "p=2; s=1");
}

TEST(CookieStore, LongerPathsComeFirstWhateverTheOrderOfArrival) {
  TNetCookieManager manager;
  manager.AddCookie("short=1; path=/", kHost);
  manager.AddCookie("long=2; path=/a/b/", kHost);
  manager.AddCookie("mid=3; path=/a/", kHost);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/a/b/c"), "long=2; mid=3; short=1");
}

TEST(CookieStore, ExpiredCookiesGoAtTheNextCleanup) {
  TNetCookieManager manager;
  manager.AddCookie("zero=1; path=/; max-age=0", kHost);
  manager.AddCookie("past=1; path=/; expires=Thu, 01-Jan-1998 00:00:00 GMT", kHost);
  manager.AddCookie("bad=1; path=/; expires=not a date", kHost);
  manager.AddCookie("future=1; path=/; expires=Wed, 01-Jan-2070 00:00:00 GMT", kHost);
  // Two-digit years: 80 is 1980 (gone), 79 is 2079 (kept).
  manager.AddCookie("eighty=1; path=/; expires=Tue, 01-Jan-80 00:00:00 GMT", kHost);
  manager.AddCookie("seventynine=1; path=/; expires=Sun, 01-Jan-79 00:00:00 GMT", kHost);
  manager.AddCookie("session=1; path=/", kHost);
  EXPECT_EQ(manager.CookieCollection().Count(), 7);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "session=1; seventynine=1; future=1");
  EXPECT_EQ(manager.CookieCollection().Count(), 3);
  // The domain's list stays; a new cookie of a dropped name is appended.
  manager.AddCookie("zero=2; path=/", kHost);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "zero=2; session=1; seventynine=1; future=1");
}

TEST(CookieStore, OversizedCookiesAndNewNamesBeyondFiftyPerDomainAreDropped) {
  TNetCookieManager manager;
  // Name and value together: 4096 bytes are kept, 4097 are not.
  manager.AddCookie("n=" + std::string(4095, 'v') + "; path=/", kHost);
  manager.AddCookie("m=" + std::string(4096, 'v') + "; path=/", kHost);
  manager.AddCookie2(std::string(4097, 'k') + "=1; path=/", kHost);
  ASSERT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(manager.CookieCollection().Items(0)->CookieName(), "n");
  for (int i = 1; i < 60; ++i) manager.AddCookie(Concat({"c", std::to_string(i), "=1; path=/"}), kHost);
  EXPECT_EQ(manager.CookieCollection().Count(), 50);
  const std::string sent = CookiesFor(manager, "http://www.example.org/");
  EXPECT_NE(sent.find("c49=1"), std::string::npos);
  EXPECT_EQ(sent.find("c50="), std::string::npos);
  // A full domain still takes new values for its names, and other domains
  // have room of their own.
  manager.AddCookie("c7=changed; path=/", kHost);
  manager.AddCookie("other=1; path=/", "other.example.org");
  EXPECT_EQ(manager.CookieCollection().Count(), 51);
  EXPECT_NE(CookiesFor(manager, "http://www.example.org/").find("c7=changed"), std::string::npos);
  EXPECT_EQ(CookiesFor(manager, "http://other.example.org/"), "other=1");
}

TEST(CookieStore, SetCookie2CreatesRfc2965CookiesAndBadPortsRaise) {
  TNetCookieManager manager;
  manager.AddCookie2("v=1; path=/; Port=\"81\"", kHost);
  ASSERT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_NE(dynamic_cast<TNetCookieRFC2965*>(manager.CookieCollection().Items(0)), nullptr);
  EXPECT_THROW(manager.AddCookie2("w=1; path=/; Port=\"8x\"", kHost), EConvertError);
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
}

TEST(CookieStore, EventsAndTheEndOfTheManager) {
  std::vector<std::string> events;
  bool forgotten = false;
  {
    TNetCookieManager manager;
    manager.OnCreate = [&](TNetCookieManager&, TNetCookies&) { events.push_back("create"); };
    manager.OnDestroy = [&](TNetCookieManager&, TNetCookies& cookies) {
      events.push_back("destroy " + std::to_string(cookies.Count()));
    };
    manager.DoOnCreate();
    manager.AddFreeNotification(&forgotten, [&] { forgotten = true; });
    manager.AddCookie("old=1; path=/; max-age=0", kHost);
    manager.AddCookie("kept=1; path=/", kHost);
  }
  // The expired cookie went before OnDestroy saw the collection.
  EXPECT_EQ(events, (std::vector<std::string>{"create", "destroy 1"}));
  EXPECT_TRUE(forgotten);
}

// --------------------------------------------------------------------- lock

TEST(CookieLock, TheWriterMayLockAgainForWritingAndReading) {
  TNetCookies cookies;
  TNetCookieList& outer = cookies.LockCookieListByType(TNetLockAccess::laReadWrite);
  TNetCookieList& inner = cookies.LockCookieListByType(TNetLockAccess::laReadWrite);
  TNetCookieList& read = cookies.LockCookieListByType(TNetLockAccess::laRead);
  EXPECT_EQ(&outer, &inner);
  EXPECT_EQ(&outer, &read);
  cookies.UnlockCookieListByType(TNetLockAccess::laRead);
  cookies.UnlockCookieListByType(TNetLockAccess::laReadWrite);
  EXPECT_TRUE(cookies.Lock().WriterIsCurrentThread());
  cookies.UnlockCookieListByType(TNetLockAccess::laReadWrite);
  EXPECT_FALSE(cookies.Lock().WriterIsCurrentThread());
}

TEST(CookieLock, ReadersShareAndAWriterWaitsForThem) {
  TNetMultiReadExclusiveWriteLock lock;
  lock.BeginRead();
  std::atomic<bool> reader_in{false}, writer_in{false};
  std::thread reader([&] {
    lock.BeginRead();
    reader_in = true;
    lock.EndRead();
  });
  reader.join();
  EXPECT_TRUE(reader_in);
  std::atomic<pid_t> writer_id{0};
  std::thread writer([&] {
    writer_id = test::CurrentThreadId();
    lock.BeginWrite();
    writer_in = true;
    lock.EndWrite();
  });
  // The writer blocks on the lock, or gets in: either is seen, whatever the
  // machine's load.
  while (writer_id == 0) std::this_thread::yield();
  test::WaitUntilThreadSleeps(writer_id, [&] { return writer_in.load(); });
  EXPECT_FALSE(writer_in);
  lock.EndRead();
  writer.join();
  EXPECT_TRUE(writer_in);
}

TEST(CookieLock, ConcurrentStoringAndSelectingKeepTheIndexWhole) {
  TNetCookieManager manager;
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop) {
      const std::string text = CookiesFor(manager, "http://www.example.org/");
      ASSERT_TRUE(text.empty() || text.find("c") == 0);
    }
  });
  for (int i = 0; i < 2000; ++i) {
    manager.AddCookie(Concat({"c", std::to_string(i % 50), "=", std::to_string(i), "; path=/"}), kHost);
  }
  stop = true;
  reader.join();
  EXPECT_EQ(manager.CookieCollection().Count(), 50);
}

// One event another thread waits for.
class Signal {
 public:
  void Raise() {
    {
      std::lock_guard lock(mutex_);
      raised_ = true;
    }
    changed_.notify_all();
  }
  bool Raised() {
    std::lock_guard lock(mutex_);
    return raised_;
  }
  // False after ten seconds without it.
  bool Wait() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [this] { return raised_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool raised_ = false;
};

constexpr const char* kExpired = "; path=/; expires=Wed, 01-Jan-2020 00:00:00 GMT";

TEST(CookieLock, StoringWhileExpiredCookiesAreReleasedElsewhere) {
  // Choosing the cookies of a request first releases the expired ones,
  // erasing them from the collection that a store appends to. A request
  // started on another thread in the middle of a store (where OnNewCookie
  // runs: the new cookie is in the collection, not yet in the index) waits
  // for the store to end.
  TNetCookieManager manager;
  for (int i = 0; i < 5; ++i) manager.AddCookie("old" + std::to_string(i) + "=1" + kExpired, kHost);
  Signal storing, requesting, requested;
  std::atomic<pid_t> requester_id{0};
  std::string request_cookies;
  std::thread requester([&] {
    requester_id = test::CurrentThreadId();
    if (!storing.Wait()) return;
    requesting.Raise();
    request_cookies = CookiesFor(manager, "http://www.example.org/");
    requested.Raise();
  });
  bool requested_during_store = false;
  manager.OnNewCookie = [&](TNetCookieManager&, TNetCookieRFC2109&, bool&) {
    storing.Raise();
    ASSERT_TRUE(requesting.Wait());
    // Until the requesting thread is blocked, or has got its cookies while
    // the store is not over.
    test::WaitUntilThreadSleeps(requester_id, [&] { return requested.Raised(); });
    requested_during_store = requested.Raised();
  };
  manager.AddCookie("live=1; path=/", kHost);
  requester.join();
  EXPECT_FALSE(requested_during_store);
  EXPECT_EQ(request_cookies, "live=1");
  // The expired cookies went from the index and the collection alike.
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "live=1");
}

TEST(CookieLock, AStoreWaitsWhileAnotherThreadHoldsTheList) {
  // The other side: while a thread holds the cookie list for writing, as
  // releasing the expired cookies does, a store on another thread touches
  // neither the collection nor the index.
  TNetCookieManager manager;
  manager.AddCookie("old=1" + std::string(kExpired), kHost);
  std::atomic<bool> in_store{false};
  manager.OnNewCookie = [&](TNetCookieManager&, TNetCookieRFC2109&, bool&) { in_store = true; };
  manager.CookieCollection().LockCookieListByType(TNetLockAccess::laReadWrite);
  std::atomic<pid_t> storer_id{0};
  std::thread storer([&] {
    storer_id = test::CurrentThreadId();
    manager.AddCookie("live=1; path=/", kHost);
  });
  while (storer_id == 0) std::this_thread::yield();
  test::WaitUntilThreadSleeps(storer_id, [&] { return in_store.load(); });
  EXPECT_FALSE(in_store);
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
  manager.CookieCollection().UnlockCookieListByType(TNetLockAccess::laReadWrite);
  storer.join();
  EXPECT_TRUE(in_store);
  EXPECT_EQ(CookiesFor(manager, "http://www.example.org/"), "live=1");
  EXPECT_EQ(manager.CookieCollection().Count(), 1);
}

}  // namespace
}  // namespace vitrix
