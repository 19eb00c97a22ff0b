// What one exchange leaves behind for the next: a reply not read to its end
// never hands its remains to a later request, a head that fails leaves no
// field of the previous reply, and interim replies are bounded.

#include <gtest/gtest.h>

#include <string>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/streams.h"
#include "support/http_test_peer.h"

namespace vitrix {
namespace {

using test::Reply;
using test::ScriptedHttpServer;

const std::string kGoodReply = Reply("200 OK", "", "good");

TEST(HttpExchange, AnInterimReplyOtherThanContinueDropsTheConnectionWithItsFinalReply) {
  // The final reply after the 103 is never read: a kept connection would
  // hand it to the next request.
  ScriptedHttpServer server(
      {{{"HTTP/1.1 103 Early Hints\r\nLink: </s.css>\r\n\r\n" + Reply("200 OK", "", "first")}, false},
       {{kGoodReply}, true}});
  TNetHTTP client;
  try {
    client.Get(server.BaseURL() + "a", nullptr);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ReplyErrorCode(), 103);
  }
  EXPECT_FALSE(client.Connected());
  TStringStream next;
  client.Get(server.BaseURL() + "b", &next);
  EXPECT_EQ(next.DataString(), "good");
  EXPECT_EQ(server.Accepted(), 2);
}

TEST(HttpExchange, AFollowedRedirectWhoseBodyWasGarbledGoesOutOnAFreshConnection) {
  // A bad chunk size ends the redirect's body; what follows it would be
  // read as the reply to the followed request.
  ScriptedHttpServer server({{{"HTTP/1.1 302 Found\r\nLocation: /next\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n" +
                               Reply("200 OK", "", "evil")},
                              false},
                             {{kGoodReply}, true}});
  TNetHTTP client;
  client.SetHandleRedirects(true);
  TStringStream stream;
  client.Get(server.BaseURL() + "start", &stream);
  EXPECT_EQ(stream.DataString(), "good");
  EXPECT_EQ(client.RedirectCount(), 2);
  EXPECT_EQ(server.Accepted(), 2);
}

// A client on the memory transport whose peer sends count "100 Continue"
// heads, each setting a cookie, before the final reply.
class InterimReplies : public ::testing::Test {
 protected:
  void Script(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
      bytes += "HTTP/1.1 100 Continue\r\nSet-Cookie: n" + std::to_string(i) + "=1; path=/\r\n\r\n";
    }
    transport_.AddInput(bytes + kGoodReply);
    transport_.ClosePeer();
    client_.SetIOHandler(&transport_);
  }
  TNetIOHandlerMemory transport_;
  TNetHTTP client_;
};

TEST_F(InterimReplies, SixteenContinueHeadsAreSkipped) {
  Script(TNetCustomHTTP::kMaxInterimReplies);
  TStringStream stream;
  client_.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "good");
  EXPECT_EQ(client_.ResponseCode(), 200);
}

TEST_F(InterimReplies, OneMoreEndsTheRequestAsAHeadTooLarge) {
  Script(TNetCustomHTTP::kMaxInterimReplies + 1);
  TStringStream stream;
  EXPECT_THROW(client_.Get("http://h/", &stream), ENetHTTPReplyHeadTooLarge);
  EXPECT_EQ(stream.DataString(), "");
  EXPECT_FALSE(client_.Connected());
  ASSERT_NE(client_.CookieManager(), nullptr);
  EXPECT_EQ(client_.CookieManager()->CookieCollection().Count(), TNetCustomHTTP::kMaxInterimReplies + 1);
}

TEST(HttpExchange, AHeadThatFailsMidwayLeavesNoFieldOfThePreviousReply) {
  TNetIOHandlerMemory transport;
  transport.AddInput(Reply("302 Found", "Location: /a\r\nServer: first\r\n", ""));
  transport.AddInput("HTTP/1.1 302 Found\r\n");
  transport.AddReceiveError(kSocketErrorConnectionReset);
  TNetHTTP client;
  client.SetIOHandler(&transport);
  EXPECT_THROW(client.Get("http://h/", nullptr), ENetHTTPProtocolException);
  ASSERT_EQ(client.Response().Location(), "/a");
  try {
    client.Get("http://h/again", nullptr);
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), kSocketErrorConnectionReset);
  }
  EXPECT_EQ(client.ResponseText(), "HTTP/1.1 302 Found");
  EXPECT_EQ(client.Response().Location(), "");
  EXPECT_EQ(client.Response().Server(), "");
  EXPECT_FALSE(client.Response().HasContentLength());
}

TEST(HttpExchange, AResetWaitingOnAnIdleKeptConnectionOpensAFreshOne) {
  TNetIOHandlerMemory transport;
  transport.AddInput(Reply("200 OK", "", "first"));
  // The peer reset the kept connection while it was idle.
  transport.AddReceiveError(kSocketErrorConnectionReset);
  transport.AddInput(Reply("200 OK", "", "second"));
  TNetHTTP client;
  client.SetIOHandler(&transport);
  TStringStream stream;
  client.Get("http://h/1", &stream);
  EXPECT_TRUE(client.Connected());
  client.Get("http://h/2", &stream);
  EXPECT_EQ(stream.DataString(), "firstsecond");
  EXPECT_EQ(transport.CloseCount(), 1);
  // The second request was sent once, after the reset.
  const std::string& written = transport.Written();
  EXPECT_EQ(written.find("GET /2 "), written.rfind("GET /2 "));
  EXPECT_NE(written.find("GET /2 "), std::string::npos);
}

}  // namespace
}  // namespace vitrix
