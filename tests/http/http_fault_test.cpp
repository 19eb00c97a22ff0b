// What the client does when the peer misbehaves: closes in the middle, never
// answers, sends heads beyond every limit or lies about lengths. Each case
// ends in a clear exception, and the same client then works for the next
// request.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/streams.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using test::PeerConnection;
using test::ScriptedConnection;
using test::ScriptedHttpServer;

const std::string kGoodReply = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ngood";

// The first connection gets the bad reply bytes and is closed; the second
// answers properly.
class BadThenGood {
 public:
  explicit BadThenGood(std::string bad, bool close_after = true)
      : server_({{{std::move(bad)}, close_after}, {{kGoodReply}, true}}) {}

  // Runs the request expected to fail, then checks the next one works.
  template <class Failure>
  std::optional<Failure> Expect(TNetHTTP& client, TStream* stream = nullptr) {
    std::optional<Failure> caught;
    try {
      client.Get(server_.BaseURL() + "bad", stream);
    } catch (const Failure& e) {
      caught = e;
    }
    EXPECT_TRUE(caught) << "the expected exception was not raised";
    TStringStream next;
    client.Get(server_.BaseURL() + "next", &next);
    EXPECT_EQ(next.DataString(), "good");
    EXPECT_EQ(server_.Accepted(), 2);
    return caught;
  }

 private:
  ScriptedHttpServer server_;
};

TEST(HttpFaults, ACloseInTheMiddleOfABodyByLengthIsAnErrorAndKeepsWhatCame) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + std::string(50, 'x'));
  TNetHTTP client;
  TStringStream stream;
  peer.Expect<ENetConnClosedGracefully>(client, &stream);
  EXPECT_EQ(stream.DataString(), std::string(50, 'x'));
}

TEST(HttpFaults, ACloseInTheMiddleOfAChunkIsAnError) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nonly eight");
  TNetHTTP client;
  TStringStream stream;
  peer.Expect<ENetConnClosedGracefully>(client, &stream);
}

TEST(HttpFaults, ACloseAfterTheLastChunkBeforeTheEmptyLineIsAnError) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\nX-Trailer: 1");
  TNetHTTP client;
  TStringStream stream;
  peer.Expect<ENetConnClosedGracefully>(client, &stream);
}

TEST(HttpFaults, ACloseInTheMiddleOfTheHeadLeavesNoUsableReply) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nContent-Type: text/ht");
  TNetHTTP client;
  const auto e = peer.Expect<ENetException>(client);
  ASSERT_TRUE(e);
  EXPECT_STREQ(e->what(), "Undefined situation");
}

TEST(HttpFaults, ACloseInTheMiddleOfARedirectHeadStillRaisesTheRedirect) {
  BadThenGood peer("HTTP/1.1 302 Found\r\nLocation: /a\r\nContent-Le");
  TNetHTTP client;
  const auto e = peer.Expect<ENetHTTPProtocolException>(client);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->ReplyErrorCode(), 302);
}

TEST(HttpFaults, AServerThatNeverAnswersEndsWithTheReadTimeout) {
  ScriptedHttpServer server({{{}, false}, {{kGoodReply}, true}});
  TNetHTTP client;
  client.SetReadTimeout(300);
  // The first connection reads nothing and waits for the client to close.
  try {
    client.Get(server.BaseURL() + "silent", nullptr);
    FAIL() << "no time-out";
  } catch (const ENetReadTimeout& e) {
    EXPECT_STREQ(e.what(), "D\xE9lai de lecture");
  }
  EXPECT_FALSE(client.Connected());
  TStringStream next;
  client.Get(server.BaseURL() + "next", &next);
  EXPECT_EQ(next.DataString(), "good");
}

TEST(HttpFaults, AHeaderLineOfAHundredKilobytesIsRefused) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nX-Big: " + std::string(100000, 'a') + "\r\n\r\n", false);
  TNetHTTP client;
  peer.Expect<ENetReadLnMaxLineLengthExceeded>(client);
}

TEST(HttpFaults, TenThousandHeaderLinesAreRefused) {
  std::string head = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 10000; ++i) head += "X-" + std::to_string(i) + ": v\r\n";
  BadThenGood peer(head + "\r\n", false);
  TNetHTTP client;
  const auto e = peer.Expect<ENetHTTPReplyHeadTooLarge>(client);
  ASSERT_TRUE(e);
  EXPECT_STREQ(e->what(), "En-t\xEAte de r\xE9ponse trop grand.");
  EXPECT_LT(client.Response().RawHeaders().Count(), 1000);
}

TEST(HttpFaults, AHeadOfAThousandLinesIsReadAndOneMoreIsRefused) {
  // The status line, the header lines and the empty line all count.
  const auto head_of = [](int lines) {
    std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
    for (int i = 3; i < lines; ++i) head += "X-" + std::to_string(i) + ": v\r\n";
    return head + "\r\nok";
  };
  TNetIOHandlerMemory transport;
  transport.AddInput(head_of(1000));
  TNetHTTP client;
  client.SetIOHandler(&transport);
  TStringStream stream;
  client.Get("http://h/", &stream);
  EXPECT_EQ(stream.DataString(), "ok");
  EXPECT_EQ(client.Response().RawHeaders().Count(), 998);

  transport.AddInput(head_of(1001));
  EXPECT_THROW(client.Get("http://h/", &stream), ENetHTTPReplyHeadTooLarge);
}

TEST(HttpFaults, AHeadBeyondOneMebibyteIsRefusedEvenWithoutALineLimit) {
  std::string head = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 200; ++i) head += "X-" + std::to_string(i) + ": " + std::string(8000, 'v') + "\r\n";
  BadThenGood peer(head + "\r\n", false);
  TNetHTTP client;
  client.SetMaxLineLength(0);
  peer.Expect<ENetHTTPReplyHeadTooLarge>(client);
}

TEST(HttpFaults, ALengthThatIsNoNumberMeansUntilClose) {
  ScriptedHttpServer server({{{"HTTP/1.1 200 OK\r\nContent-Length: 12abc\r\n\r\nto the end"}, true},
                             {{"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nalso"}, true}});
  TNetHTTP client;
  TStringStream first, second;
  client.Get(server.BaseURL(), &first);
  client.Get(server.BaseURL(), &second);
  EXPECT_EQ(first.DataString(), "to the end");
  EXPECT_EQ(second.DataString(), "also");
}

TEST(HttpFaults, ALengthLongerThanTheBodyIsAnErrorNotAHugeBlock) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nContent-Length: 999999999999999\r\n\r\nshort");
  TNetHTTP client;
  TStringStream stream;
  peer.Expect<ENetConnClosedGracefully>(client, &stream);
  EXPECT_EQ(stream.DataString(), "short");
}

TEST(HttpFaults, AGarbledChunkSizeIsAnError) {
  BadThenGood peer("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nbody\r\n0\r\n\r\n", false);
  TNetHTTP client;
  TStringStream stream;
  peer.Expect<ENetHTTPInvalidChunk>(client, &stream);
}

TEST(HttpFaults, ABodyNobodyWantsIsLeftUnreadWithItsConnection) {
  ScriptedHttpServer server(
      {{{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nunwanted!!"}, false}, {{kGoodReply}, true}});
  TNetHTTP client;
  client.Get(server.BaseURL(), nullptr);
  EXPECT_FALSE(client.Connected());
  TStringStream next;
  client.Get(server.BaseURL(), &next);
  EXPECT_EQ(next.DataString(), "good");
}

TEST(HttpFaults, AHugeErrorBodyIsCutAndItsConnectionDropped) {
  const std::string body(3 << 20, 'e');
  ScriptedHttpServer server(
      {{{"HTTP/1.1 500 Oops\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body}, false},
       {{kGoodReply}, true}});
  TNetHTTP client;
  try {
    client.Get(server.BaseURL(), nullptr);
    FAIL() << "no exception";
  } catch (const ENetHTTPProtocolException& e) {
    EXPECT_EQ(e.ErrorMessage().size(), size_t{1} << 20);
  }
  EXPECT_FALSE(client.Connected());
  TStringStream next;
  client.Get(server.BaseURL(), &next);
  EXPECT_EQ(next.DataString(), "good");
}

TEST(HttpFaults, AKeptConnectionWhoseReplyWasNotReadWholeIsNotReused) {
  // The reply allows keep-alive but its body never comes whole within the
  // time-out: the rest must not be taken for the next reply.
  ScriptedHttpServer server({{{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"}, false}, {{kGoodReply}, true}});
  TNetHTTP client;
  client.SetReadTimeout(200);
  TStringStream stream;
  EXPECT_THROW(client.Get(server.BaseURL(), &stream), ENetReadTimeout);
  TStringStream next;
  client.Get(server.BaseURL(), &next);
  EXPECT_EQ(next.DataString(), "good");
  EXPECT_EQ(server.Accepted(), 2);
}

// ------------------------------------------------------------- fault loops

const std::string kReplies[] = {
    "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nSet-Cookie: a=1; path=/\r\n\r\nhello world",
    "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=1\r\nhello\r\n6\r\n world\r\n0\r\nT: 1\r\n\r\n",
    "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 4\r\n\r\nbody",
    "HTTP/1.0 200 OK\r\nX-Folded: a\r\n b\r\n\r\nuntil the close",
};

void ExpectNextRequestWorks(TNetHTTP& client) {
  TNetIOHandlerMemory next;
  next.AddInput(kGoodReply);
  client.SetIOHandler(&next);
  TStringStream stream;
  client.Get("http://h/next", &stream);
  EXPECT_EQ(stream.DataString(), "good");
  client.Disconnect();
}

TEST(HttpFaultLoop, ThePeerClosingAfterEveryPrefixOfTheReply) {
  for (const std::string& reply : kReplies) {
    for (size_t cut = 0; cut <= reply.size(); ++cut) {
      SCOPED_TRACE(reply.substr(0, cut));
      TNetIOHandlerMemory transport;
      for (size_t at = 0; at < cut; at += 3) transport.AddInput(reply.substr(at, std::min<size_t>(3, cut - at)));
      transport.ClosePeer();
      TNetHTTP client;
      client.SetIOHandler(&transport);
      TStringStream stream;
      try {
        client.Get("http://h/", &stream);
      } catch (const ENetException&) {
      }
      EXPECT_LE(stream.Size(), 15);
      ExpectNextRequestWorks(client);
    }
  }
}

TEST(HttpFaultLoop, AResetAfterEveryPrefixOfTheReply) {
  for (const std::string& reply : kReplies) {
    for (size_t cut = 0; cut < reply.size(); ++cut) {
      SCOPED_TRACE(reply.substr(0, cut));
      TNetIOHandlerMemory transport;
      if (cut > 0) transport.AddInput(reply.substr(0, cut));
      transport.AddReceiveError(kSocketErrorConnectionReset);
      TNetHTTP client;
      client.SetIOHandler(&transport);
      bool failed = false;
      TStringStream stream;
      try {
        client.Get("http://h/", &stream);
      } catch (const ENetException&) {
        failed = true;
      }
      EXPECT_TRUE(failed);
      EXPECT_FALSE(client.Connected());
      ExpectNextRequestWorks(client);
    }
  }
}

TEST(HttpFaultLoop, ASendFailureAtEveryPointOfTheRequest) {
  TStringStream source(std::string(300, 's'));
  int64_t request_size = 0;
  {
    TNetIOHandlerMemory transport;
    transport.AddInput(kGoodReply);
    TNetHTTP client;
    client.SetIOHandler(&transport);
    client.Post("http://h/p", source, nullptr);
    request_size = static_cast<int64_t>(transport.Written().size());
  }
  for (int64_t at = 0; at < request_size; at += 5) {
    SCOPED_TRACE(at);
    TNetIOHandlerMemory transport;
    transport.SetSendLimit(13);
    transport.FailSendAfter(at, kSocketErrorConnectionReset);
    transport.AddInput(kGoodReply);
    TNetHTTP client;
    client.SetIOHandler(&transport);
    try {
      client.Post("http://h/p", source, nullptr);
      ADD_FAILURE() << "the failed send went unnoticed";
    } catch (const ENetSocketError& e) {
      EXPECT_EQ(e.LastError(), kSocketErrorConnectionReset);
    }
    EXPECT_LE(static_cast<int64_t>(transport.Written().size()), at);
    EXPECT_FALSE(client.Connected());
    ExpectNextRequestWorks(client);
  }
}

// A kept connection the host closes as the next request arrives: a GET is
// sent again once, on a fresh connection; a GET on a fresh connection, or a
// second loss, is reported as it is.
TEST(HttpKeptConnectionLost, AGetIsSentAgainOnceOnAFreshConnection) {
  // The first connection: one reply kept open, then the next request is read
  // and the connection closed without a word. Later ones answer, or drop the
  // request the same way.
  const auto run = [](bool later_ones_answer, int connections) {
    int connection = 0;
    test::LoopbackServer server(
        [&](PeerConnection& peer) {
          size_t offset = 0;
          test::ReadRequest(peer, offset);
          if (connection++ == 0) {
            peer.Send(test::Reply("200 OK", "", "un"));
            test::ReadRequest(peer, offset);
            peer.Close();
          } else if (later_ones_answer) {
            peer.Send(test::ClosingReply("200 OK", "", "deux"));
          } else {
            peer.Close();
          }
        },
        connections, std::chrono::milliseconds(1500));
    TNetHTTP client;
    client.SetReadTimeout(5000);
    const std::string base = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
    TStringStream stream;
    client.Get(base + "1", &stream);
    try {
      client.Get(base + "2", &stream);
    } catch (const ENetConnClosedGracefully&) {
      stream.WriteText("|perdu");
    }
    const std::string received = server.Received();
    size_t sent = 0;
    for (size_t at = received.find("GET /2 "); at != std::string::npos; at = received.find("GET /2 ", at + 1)) ++sent;
    return std::make_pair(stream.DataString(), sent);
  };
  EXPECT_EQ(run(true, 2), std::make_pair(std::string("undeux"), size_t{2}));
  // Lost again on the fresh connection: reported, and not sent a third time.
  EXPECT_EQ(run(false, 3), std::make_pair(std::string("un|perdu"), size_t{2}));
}

TEST(HttpKeptConnectionLost, NothingIsSentAgainFromAFreshConnection) {
  test::LoopbackServer server(
      [](PeerConnection& peer) {
        size_t offset = 0;
        test::ReadRequest(peer, offset);
        peer.Close();
      },
      2, std::chrono::seconds(3));
  TNetHTTP client;
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
  TStringStream stream;
  EXPECT_THROW(client.Get(base + "1", &stream), ENetConnClosedGracefully);
  EXPECT_THROW(client.Post(base + "2", stream, nullptr), ENetConnClosedGracefully);
  EXPECT_EQ(server.Accepted(), 2);
}

}  // namespace
}  // namespace vitrix
