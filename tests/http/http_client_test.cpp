// The client's classification of replies and its reading of bodies, against
// scripted loopback peers and the memory transport.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "net/net_exceptions.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/streams.h"
#include "support/http_test_peer.h"

namespace vitrix {
namespace {

using test::ScriptedConnection;
using test::ScriptedHttpServer;

std::string WithLength(const std::string& head, const std::string& body) {
  return head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A client on the memory transport, fed the given reply bytes, the peer
// closing after them.
class MemoryClient : public ::testing::Test {
 protected:
  void SetUp() override { but_.SetIOHandler(&transport_); }
  void Script(const std::string& bytes, bool close = true) {
    transport_.AddInput(bytes);
    if (close) transport_.ClosePeer();
  }
  TNetIOHandlerMemory transport_;
  TNetHTTP but_;
};

TEST_F(MemoryClient, SettingsAtCreation) {
  TNetHTTP fresh;
  EXPECT_EQ(fresh.Port(), 80);
  EXPECT_EQ(fresh.Host(), "");
  EXPECT_EQ(fresh.ProtocolVersion(), TNetHTTPProtocolVersion::pv1_1);
  EXPECT_EQ(fresh.HTTPOptions(), static_cast<unsigned>(TNetHTTPOption::hoForceEncodeParams));
  EXPECT_FALSE(fresh.HandleRedirects());
  EXPECT_EQ(fresh.RedirectMaximum(), 15);
  EXPECT_EQ(fresh.AuthRetries(), 3);
  EXPECT_TRUE(fresh.AllowCookies());
  EXPECT_EQ(fresh.CookieManager(), nullptr);
  EXPECT_EQ(fresh.ResponseCode(), -1);
  EXPECT_EQ(fresh.ReadTimeout(), 0);
  EXPECT_EQ(fresh.Request().ContentLength(), -1);
  EXPECT_EQ(fresh.Request().ContentType(), "text/html");
  EXPECT_EQ(fresh.Request().Accept(), "text/html, */*");
  EXPECT_EQ(fresh.Request().UserAgent(), "Mozilla/3.0 (compatible; vitrix)");
  EXPECT_EQ(fresh.ProxyParams().ProxyPort(), 0);
}

TEST_F(MemoryClient, ARedirectWithABodyRaisesWithTheBodyAndLeavesTheStreamAlone) {
  Script(WithLength("HTTP/1.1 302 Found\r\nLocation: /next\r\n", "moved here"));
  TStringStream stream("kept");
  stream.SetPosition(4);
  try {
    but_.Get("http://h/", &stream);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_STREQ(e.what(), "HTTP/1.1 302 Found");
    EXPECT_EQ(e.ReplyErrorCode(), 302);
    EXPECT_EQ(e.ErrorMessage(), "moved here");
  }
  EXPECT_EQ(stream.DataString(), "kept");
  EXPECT_EQ(but_.ResponseCode(), 302);
  EXPECT_EQ(but_.Response().Location(), "/next");
  EXPECT_EQ(but_.Response().ResponseVersion(), TNetHTTPProtocolVersion::pv1_1);
}

TEST_F(MemoryClient, ASuccessWithLocationIsARedirectAndDeliversNoBody) {
  Script(WithLength("HTTP/1.0 200 OK\r\nLocation: elsewhere\r\n", "page"));
  TStringStream stream;
  try {
    but_.Get("http://h/", &stream);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 200);
  }
  EXPECT_EQ(stream.DataString(), "");
  EXPECT_EQ(but_.Response().ResponseVersion(), TNetHTTPProtocolVersion::pv1_0);
}

TEST_F(MemoryClient, NotModifiedWithoutLocationRaisesAndReadsNoBody) {
  Script("HTTP/1.1 304 Not Modified\r\nContent-Length: 50\r\n\r\n", false);
  EXPECT_THROW(but_.Get("http://h/", nullptr), ENetHTTPProtocolException);
  EXPECT_EQ(but_.ResponseCode(), 304);
}

TEST_F(MemoryClient, NoContentReadsNoBodyAndKeepsTheConnection) {
  Script("HTTP/1.1 204 No Content\r\n\r\n", false);
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "");
  EXPECT_TRUE(but_.Connected());
}

TEST_F(MemoryClient, EmptyStatusLineGivesMinusOneAndTheProtocolError) {
  Script("\r\n\r\n");
  EXPECT_THROW(but_.Get("http://h/", nullptr), ENetHTTPProtocolException);
  EXPECT_EQ(but_.ResponseCode(), -1);
}

TEST_F(MemoryClient, ClientErrorsCarryTheirBody) {
  Script("HTTP/1.1 404 Not Found\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nnot f\r\n4;x=y\r\nound\r\n0\r\n\r\n");
  try {
    but_.Get("http://h/missing", nullptr);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 404);
    EXPECT_EQ(e.ErrorMessage(), "not found");
  }
}

TEST_F(MemoryClient, ChunkedBodiesWithExtensionsAnyCaseAndTrailers) {
  std::vector<std::string> status;
  but_.OnStatus = [&](TNetComponent&, TNetStatus s, const std::string& text) {
    if (s == TNetStatus::hsStatusText) status.push_back(text);
  };
  Script(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
      "1a;name=value\r\nabcdefghijklmnopqrstuvwxyz\r\n"
      "3 \r\n123\r\n0\r\nX-Trailer: 1\r\nY-Trailer: 2\r\n\r\n"
      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
      false);
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "abcdefghijklmnopqrstuvwxyz123");
  EXPECT_EQ(status, std::vector<std::string>{"Op\xE9ration Chunk d\xE9marr\xE9"
                                             "e"});
  // The trailer was read to its end: the next reply on the kept connection
  // is read whole.
  TStringStream next;
  but_.Get("http://h/", &next);
  EXPECT_EQ(next.DataString(), "ok");
}

TEST_F(MemoryClient, ZeroLengthOnAKeptConnectionReadsNothing) {
  Script("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", false);
  TStringStream first, second;
  but_.Get("http://h/a", &first);
  but_.Get("http://h/b", &second);
  EXPECT_EQ(first.DataString(), "");
  EXPECT_EQ(second.DataString(), "abc");
  EXPECT_EQ(transport_.CloseCount(), 0);
}

TEST_F(MemoryClient, BodyUntilCloseWhenThereIsNeitherLengthNorChunks) {
  Script("HTTP/1.1 200 OK\r\n\r\nall of it\r\nuntil the end");
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "all of it\r\nuntil the end");
  EXPECT_FALSE(but_.Connected());
  EXPECT_FALSE(but_.Response().KeepAlive());
}

TEST_F(MemoryClient, TheBodyIsWrittenFromTheStreamsPositionAtTheCall) {
  Script(WithLength("HTTP/1.1 200 OK\r\n", "new"));
  TStringStream stream("old text");
  stream.SetPosition(3);
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "oldnew");
}

TEST_F(MemoryClient, AFollowedRedirectCutsTheCallersStreamBackToItsPosition) {
  // What lies after the position at the call is not the caller's any more,
  // even when the request that is followed brings no body at all.
  Script(WithLength("HTTP/1.1 302 Found\r\nLocation: /next\r\n", "moved") + "HTTP/1.1 204 No Content\r\n\r\n" +
             WithLength("HTTP/1.1 302 Found\r\nLocation: /again\r\n", "moved") +
             WithLength("HTTP/1.1 200 OK\r\n", "new"),
         false);
  but_.SetHandleRedirects(true);
  TStringStream stream("kept|stale tail");
  stream.SetPosition(5);
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "kept|");
  EXPECT_EQ(stream.Position(), 5);
  TStringStream other("kept|stale tail");
  other.SetPosition(5);
  but_.Get("http://h/", &other);
  EXPECT_EQ(other.DataString(), "kept|new");
  EXPECT_NE(transport_.Written().find("GET /again HTTP/1.1\r\n"), std::string::npos);
}

TEST_F(MemoryClient, UpperCaseChunkSizes) {
  const std::string chunk(255, 'c');
  Script("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFF\r\n" + chunk +
         "\r\nA;x=Y\r\n0123456789\r\n0\r\n\r\n");
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), chunk + "0123456789");
}

TEST_F(MemoryClient, SetCookie2LinesReachTheStoreAndTheNextRequest) {
  Script(WithLength("HTTP/1.1 200 OK\r\nSet-Cookie2: v2=abc; Version=\"1\"; Path=\"/\"\r\n", "") +
             WithLength("HTTP/1.1 200 OK\r\n", ""),
         false);
  but_.Get("http://h/first", nullptr);
  ASSERT_NE(but_.CookieManager(), nullptr);
  EXPECT_EQ(but_.CookieManager()->GenerateCookieList(TNetURI("http://h/")), "v2=abc");
  but_.Get("http://h/second", nullptr);
  EXPECT_NE(transport_.Written().find("GET /second HTTP/1.1\r\n"), std::string::npos);
  EXPECT_NE(transport_.Written().find("Cookie: v2=abc\r\n\r\n"), std::string::npos);
}

TEST_F(MemoryClient, AnotherLetterCaseOfTheHostKeepsTheConnection) {
  Script(WithLength("HTTP/1.1 200 OK\r\n", "a") + WithLength("HTTP/1.1 200 OK\r\n", "b"), false);
  TStringStream stream;
  but_.Get("http://www.example.org/a", &stream);
  but_.Get("http://WWW.Example.ORG/b", &stream);
  EXPECT_EQ(stream.DataString(), "ab");
  EXPECT_EQ(transport_.CloseCount(), 0);
  EXPECT_TRUE(but_.Connected());
}

TEST_F(MemoryClient, ContinueRepliesAreSkipped) {
  Script("HTTP/1.1 100 Continue\r\nSet-Cookie: c=1; path=/\r\n\r\n" + WithLength("HTTP/1.1 200 OK\r\n", "done"));
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "done");
  EXPECT_EQ(but_.CookieManager()->GenerateCookieList(TNetURI("http://h/")), "c=1");
}

TEST_F(MemoryClient, UnauthorizedOfferingBasicAttachesItForLaterRequests) {
  Script(WithLength("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=x\r\n"
                    "WWW-Authenticate: Basic realm=\"vitrix\"\r\n",
                    "who?") +
             WithLength("HTTP/1.1 200 OK\r\n", "ok"),
         false);
  try {
    but_.Get("http://h/", nullptr);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 401);
    EXPECT_EQ(e.ErrorMessage(), "who?");
  }
  ASSERT_NE(but_.Request().Authentication(), nullptr);
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_NE(transport_.Written().find("User-Agent: Mozilla/3.0 (compatible; vitrix)\r\nAuthorization: Basic Og==\r\n"),
            std::string::npos);
  EXPECT_EQ(stream.DataString(), "ok");
}

TEST_F(MemoryClient, AnAuthorizationHandlerGetsTheRequestRepeatedInProcess) {
  Script(WithLength("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=x\r\n", "no") +
             WithLength("HTTP/1.1 200 OK\r\n", "yes"),
         false);
  but_.SetHTTPOptions(but_.HTTPOptions() | static_cast<unsigned>(TNetHTTPOption::hoInProcessAuth));
  but_.OnAuthorization = [](TNetCustomHTTP&, TNetAuthentication& auth, bool& handled) {
    auth.SetUsername("user");
    auth.SetPassword("pw");
    handled = true;
  };
  TStringStream stream;
  but_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "yes");
  EXPECT_EQ(but_.Request().Username(), "user");
  EXPECT_TRUE(but_.Request().BasicAuthentication());
  EXPECT_NE(transport_.Written().find("Authorization: Basic dXNlcjpwdw==\r\n"), std::string::npos);
  EXPECT_EQ(but_.RedirectCount(), 1);
}

TEST_F(MemoryClient, TheHandlerIsAskedAuthRetriesTimesThenTheRefusalRaises) {
  std::string replies;
  for (int i = 0; i < 4; ++i)
    replies += WithLength("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=x\r\n", "no");
  Script(replies + WithLength("HTTP/1.1 200 OK\r\n", "yes"), false);
  but_.SetHTTPOptions(but_.HTTPOptions() | static_cast<unsigned>(TNetHTTPOption::hoInProcessAuth));
  but_.SetAuthRetries(2);
  int asked = 0;
  but_.OnAuthorization = [&](TNetCustomHTTP&, TNetAuthentication& auth, bool& handled) {
    ++asked;
    auth.SetUsername("user");
    auth.SetPassword("wrong");
    handled = true;
  };
  try {
    but_.Get("http://h/", nullptr);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 401);
  }
  EXPECT_EQ(asked, 2);
  // The first request and one for each answer of the handler.
  size_t requests = 0;
  for (size_t at = 0; (at = transport_.Written().find("GET / HTTP/1.1", at)) != std::string::npos; ++at) ++requests;
  EXPECT_EQ(requests, 3u);
}

TEST_F(MemoryClient, HandledRedirectsAreFollowedUpToTheMaximumThenEndQuietly) {
  std::string replies;
  for (int i = 1; i <= 3; ++i) {
    replies += WithLength("HTTP/1.1 302 Found\r\nLocation: /step" + std::to_string(i) + "\r\n", "body");
  }
  Script(replies, false);
  but_.SetHandleRedirects(true);
  but_.SetRedirectMaximum(2);
  std::vector<int> seen;
  but_.OnRedirect = [&](TNetCustomHTTP&, std::string&, int& count, bool&, TNetHTTPMethod&) { seen.push_back(count); };
  TStringStream stream("x");
  stream.SetPosition(1);
  but_.Get("http://h/start", &stream);
  // The first redirect is followed; the second reaches the maximum and ends
  // the request with its Location.
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_EQ(but_.Response().Location(), "/step2");
  EXPECT_EQ(but_.RedirectCount(), 2);
  EXPECT_EQ(stream.DataString(), "x");
  const std::string& written = transport_.Written();
  EXPECT_NE(written.find("GET /start HTTP/1.1"), std::string::npos);
  EXPECT_NE(written.find("GET /step1 HTTP/1.1"), std::string::npos);
  EXPECT_EQ(written.find("GET /step2"), std::string::npos);
}

TEST_F(MemoryClient, RelativeTargetsResolveAgainstThePreviousPath) {
  // One receive each: the move to another host drops what was received.
  for (int i = 0; i < 3; ++i) transport_.AddInput(WithLength("HTTP/1.1 200 OK\r\n", ""));
  but_.Get("http://h:8080/a/b/page.php?x=1", nullptr);
  but_.Get("c/./../d/doc", nullptr);
  but_.Get("http://other/e", nullptr);
  const std::string& written = transport_.Written();
  EXPECT_NE(written.find("GET /a/b/page.php?x=1 HTTP/1.1\r\n"), std::string::npos);
  EXPECT_NE(written.find("GET /a/b/d/doc HTTP/1.1\r\nContent-Type: text/html\r\nHost: h:8080\r\n"), std::string::npos);
  // A port other than 80 or 443 stays in force for a URL without one.
  EXPECT_NE(written.find("GET /e HTTP/1.1\r\nContent-Type: text/html\r\nHost: other:8080\r\n"), std::string::npos);
}

TEST_F(MemoryClient, DesignedRefusals) {
  EXPECT_THROW(but_.Get("ftp://h/", nullptr), ENetUnknownProtocol);
  try {
    but_.Get("https://h/", nullptr);
    FAIL() << "no exception";
  } catch (const ENetIOHandlerPropInvalid& e) {
    EXPECT_STREQ(e.what(), "Valeur IOHandler incorrecte");
  }
  but_.SetProtocolVersion(TNetHTTPProtocolVersion::pv1_0);
  try {
    TStringStream source;
    but_.DoRequest(TNetHTTPMethod::hmPut, "http://h/", &source, nullptr);
    FAIL() << "no exception";
  } catch (const ENetException& e) {
    EXPECT_STREQ(e.what(), "This request method is supported in HTTP 1.1");
  }
  EXPECT_TRUE(transport_.Written().empty());
}

TEST_F(MemoryClient, APostThatRaisesStillPutsTheVersionBack) {
  Script(WithLength("HTTP/1.0 500 Oops\r\n", "x"));
  TStringStream source("data");
  EXPECT_THROW(but_.Post("http://h/p", source, nullptr), ENetHTTPProtocolException);
  EXPECT_EQ(but_.ProtocolVersion(), TNetHTTPProtocolVersion::pv1_1);
  EXPECT_EQ(transport_.Written(),
            "POST /p HTTP/1.0\r\nConnection: keep-alive\r\nContent-Type: text/html\r\nContent-Length: 4\r\n"
            "Host: h\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; vitrix)\r\n\r\ndata");
}

class TlsMemoryTransport : public TNetIOHandlerMemory {
 public:
  bool IsTLS() const override { return true; }
  void StartTLS() override { ++tls_starts; }
  int tls_starts = 0;
};

TEST(HttpsClient, ATlsTransportDropsTheConnectionHeaderAndCarriesSecureCookies) {
  TlsMemoryTransport transport;
  transport.AddInput(WithLength("HTTP/1.1 200 OK\r\nSet-Cookie: s=1; path=/; secure\r\n", "") +
                     WithLength("HTTP/1.1 200 OK\r\n", ""));
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.Request().SetConnection("keep-alive");
  but.Get("https://h/", nullptr);
  but.Get("https://h/", nullptr);
  EXPECT_EQ(transport.LastTarget().port, 443);
  EXPECT_EQ(transport.Written().find("Connection:"), std::string::npos);
  EXPECT_NE(transport.Written().find("Host: h:443\r\n"), std::string::npos);
  EXPECT_NE(transport.Written().find("Cookie: s=1\r\n"), std::string::npos);
}

TEST(ProxyClient, AProxyIsAskedForTheWholeAddressWithProxyConnection) {
  TNetIOHandlerMemory transport;
  transport.AddInput(WithLength("HTTP/1.0 200 OK\r\n", "via proxy"));
  transport.ClosePeer();
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.ProxyParams().SetProxyServer("proxy.local");
  but.ProxyParams().SetProxyPort(3128);
  but.ProxyParams().SetBasicAuthentication(true);
  but.ProxyParams().SetProxyUsername("u");
  but.SetProtocolVersion(TNetHTTPProtocolVersion::pv1_0);
  TStringStream stream;
  but.Get("http://www.example.org/a?b", &stream);
  EXPECT_EQ(transport.LastTarget().host, "proxy.local");
  EXPECT_EQ(transport.LastTarget().port, 3128);
  EXPECT_EQ(transport.Written(),
            "GET http://www.example.org:80/a?b HTTP/1.0\r\nContent-Type: text/html\r\nProxy-Connection: keep-alive\r\n"
            "Host: www.example.org\r\nAccept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; vitrix)\r\n"
            "Proxy-Authorization: Basic dTo=\r\n\r\n");
  EXPECT_EQ(stream.DataString(), "via proxy");
}

TEST(ProxyClient, AProxyClosingInItsTunnelAnswerLeavesNothingToEncrypt) {
  TlsMemoryTransport transport;
  transport.AddInput("HTTP/1.1 200 Connection established\r\n");
  transport.ClosePeer();
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.ProxyParams().SetProxyServer("proxy.local");
  but.ProxyParams().SetProxyPort(3128);
  EXPECT_THROW(but.Get("https://www.example.org/", nullptr), ENetConnClosedGracefully);
  EXPECT_EQ(transport.tls_starts, 0);
  EXPECT_EQ(transport.Written().rfind("CONNECT www.example.org:443 HTTP/1.1\r\n", 0), 0u);
  EXPECT_FALSE(but.Connected());
}

TEST(ProxyClient, HttpsThroughAProxyNeedsATlsTransport) {
  TNetIOHandlerMemory transport;
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.ProxyParams().SetProxyServer("proxy.local");
  but.ProxyParams().SetProxyPort(3128);
  EXPECT_THROW(but.Get("https://www.example.org/", nullptr), ENetIOHandlerPropInvalid);
  EXPECT_EQ(transport.LastTarget().host, "");
  EXPECT_EQ(transport.Written(), "");
}

TEST(RequestHead, LongLinesAreSentWholeAndContinuationLinesJoined) {
  // Values longer than any fold length, with commas and blanks to cut at.
  std::string cookie, value;
  while (cookie.size() < 1100) cookie += "abcd,";
  while (value.size() < 1100) value += "ab,cd ";
  value += "end";
  TNetIOHandlerMemory transport;
  transport.AddInput(WithLength("HTTP/1.1 200 OK\r\nSet-Cookie: big=" + cookie + "; path=/\r\n", "") +
                     WithLength("HTTP/1.1 200 OK\r\n", ""));
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.Get("http://h/", nullptr);
  but.Request().SetReferer("http://h/" + value);
  but.Request().CustomHeaders().Add("X-Folded: one");
  but.Request().CustomHeaders().Add("\t two");
  but.Get("http://h/", nullptr);
  const std::string& written = transport.Written();
  const std::string second = written.substr(written.rfind("GET "));
  EXPECT_EQ(second.find("\r\n "), std::string::npos);
  EXPECT_EQ(second.find("\r\n\t"), std::string::npos);
  EXPECT_NE(second.find("\r\nCookie: big=" + cookie + "\r\n"), std::string::npos);
  EXPECT_NE(second.find("\r\nReferer: http://h/" + value + "\r\n"), std::string::npos);
  EXPECT_NE(second.find("\r\nX-Folded: one two\r\n"), std::string::npos);
}

TEST(PortRange, PortsOutsideOneTo65535AreRefusedBeforeConnecting) {
  for (const char* url : {"http://h:65616/", "http://h:0/", "http://h:-80/", "http://h:99999999999/"}) {
    SCOPED_TRACE(url);
    TNetIOHandlerMemory transport;
    TNetHTTP but;
    but.SetIOHandler(&transport);
    try {
      but.Get(url, nullptr);
      ADD_FAILURE() << "no exception";
    } catch (const ENetSocketError& e) {
      EXPECT_EQ(e.LastError(), 10049);
      EXPECT_STREQ(e.what(), "Erreur de socket # 10049\r\nImpossible d'affecter l'adresse requise.");
    }
    EXPECT_EQ(transport.LastTarget().host, "");
  }
  TNetIOHandlerMemory transport;
  transport.AddInput(WithLength("HTTP/1.1 200 OK\r\n", ""));
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.Get("http://h:65535/", nullptr);
  EXPECT_EQ(transport.LastTarget().port, 65535);
  but.ProxyParams().SetProxyServer("proxy.local");
  but.ProxyParams().SetProxyPort(70000);
  EXPECT_THROW(but.Get("http://h/", nullptr), ENetSocketError);
}

TEST(CookieManagerOwnership, CreatedAtTheFirstReplyAndForgottenWhenAnAssignedOneGoes) {
  TNetIOHandlerMemory transport;
  transport.AddInput(WithLength("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\n", ""));
  TNetHTTP but;
  but.SetIOHandler(&transport);
  but.Get("http://h/", nullptr);
  ASSERT_NE(but.CookieManager(), nullptr);
  EXPECT_TRUE(but.OwnsCookieManager());
  {
    TNetCookieManager mine;
    but.SetCookieManager(&mine);
    EXPECT_FALSE(but.OwnsCookieManager());
    EXPECT_EQ(but.CookieManager(), &mine);
  }
  EXPECT_EQ(but.CookieManager(), nullptr);
  TNetIOHandlerMemory other;
  TNetHTTP no_cookies;
  no_cookies.SetAllowCookies(false);
  no_cookies.SetIOHandler(&other);
  other.AddInput(WithLength("HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\n", ""));
  no_cookies.Get("http://h/", nullptr);
  EXPECT_EQ(no_cookies.CookieManager(), nullptr);
}

TEST(LoopbackClient, AGetThenAPostOpensANewConnectionForThePost) {
  // The GET's reply keeps its connection even by the rules of HTTP/1.0, which
  // the POST is sent under: only the POST's own rule closes it. Were the POST
  // sent on it, the first connection would answer it.
  ScriptedHttpServer server({
      {{WithLength("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\n", "got"),
        WithLength("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\n", "posted on the kept connection")},
       false},
      {{WithLength("HTTP/1.1 200 OK\r\nConnection: keep-alive\r\n", "posted")}, false},
  });
  TNetHTTP but;
  TStringStream stream;
  but.Get(server.BaseURL() + "a", &stream);
  EXPECT_TRUE(but.Connected());
  TStringStream source("form");
  but.Post(server.BaseURL() + "b", source, &stream);
  EXPECT_EQ(stream.DataString(), "gotposted");
  but.Disconnect();
  EXPECT_EQ(server.Accepted(), 2);
  ASSERT_EQ(server.Requests().size(), 2u);
}

}  // namespace
}  // namespace vitrix
