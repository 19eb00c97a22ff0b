// Reading blocks and streams, writing, and what happens when the peer goes
// away in the middle.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/streams.h"
#include "support/loopback_server.h"
#include "support/random_bytes.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;
using test::RandomBytes;
using namespace std::chrono_literals;

void ConnectTo(TNetTCPClient& client, const LoopbackServer& server) {
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.SetReadTimeout(5000);
  client.Connect();
}

TEST(ReadExact, HundredBytesThenCloseThenTheCloseIsRaised) {
  const std::string payload = RandomBytes(100, 1);
  LoopbackServer server([&](PeerConnection& peer) {
    peer.Send(payload);
    peer.Close();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  char buffer[100];
  client.ReadExact(buffer, 100);
  EXPECT_EQ(std::string(buffer, 100), payload);
  EXPECT_THROW(client.ReadExact(buffer, 100), ENetConnClosedGracefully);
}

TEST(ReadExact, ACloseBeforeTheCountIsReachedIsRaised) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.Send("short");
    peer.Close();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  char buffer[10];
  EXPECT_THROW(client.ReadExact(buffer, 10), ENetConnClosedGracefully);
}

TEST(ReadToStream, UntilCloseCopiesEverythingAndEndsWithoutError) {
  const std::string payload = RandomBytes(1 << 20, 2);
  LoopbackServer server([&](PeerConnection& peer) {
    peer.Send(payload);
    peer.Close();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  TStringStream stream;
  client.ReadToStream(stream, -1, true);
  EXPECT_EQ(stream.Size(), static_cast<int64_t>(payload.size()));
  EXPECT_TRUE(stream.DataString() == payload);
  EXPECT_FALSE(client.Connected());
}

TEST(ReadToStream, ByCountTakesBufferedBytesFirstAndLeavesTheRest) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.Send("head\nBODYrest");
    peer.ReceiveUntilClose();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  EXPECT_EQ(client.ReadLine(), "head");
  TStringStream stream;
  client.ReadToStream(stream, 4);
  EXPECT_EQ(stream.DataString(), "BODY");
  EXPECT_EQ(client.ReadString(4), "rest");
  client.Disconnect();
}

TEST(ReadToStream, ACloseBeforeTheCountKeepsWhatCameAndRaises) {
  const std::string payload = RandomBytes(50000, 3);
  LoopbackServer server([&](PeerConnection& peer) {
    peer.Send(payload);
    peer.Close();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  TStringStream stream;
  EXPECT_THROW(client.ReadToStream(stream, 100000), ENetConnClosedGracefully);
  EXPECT_TRUE(stream.DataString() == payload);
}

TEST(ReadToStream, LengthPrefixInNetworkOrder) {
  TNetIOHandlerMemory transport;
  transport.AddInput(
      std::string("\0\0\0\x05"
                  "hello!",
                  10));
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  TStringStream stream;
  client.ReadToStream(stream);
  EXPECT_EQ(stream.DataString(), "hello");
  EXPECT_EQ(client.ReadString(1), "!");
}

TEST(ReadToStream, CutsAStreamThatWasLongerThanWhatWasWritten) {
  TNetIOHandlerMemory transport;
  transport.AddInput("new");
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  TStringStream stream("old content");
  stream.SetPosition(0);
  client.ReadToStream(stream, 3);
  EXPECT_EQ(stream.DataString(), "new");
}

TEST(PeerReset, MidTransferGives10054AndClosesTheConnection) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.Send(std::string(1000, 'x'));
    peer.ReceiveUntil("go");
    peer.Reset();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  EXPECT_EQ(client.ReadString(1000), std::string(1000, 'x'));
  client.Write("go");
  TStringStream stream;
  try {
    client.ReadToStream(stream, 5000);
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
    EXPECT_EQ(e.Message(),
              "Erreur de socket # 10054\r\nConnexion r\xE9initialis\xE9"
              "e par l'homologue (peer).");
  }
  EXPECT_FALSE(client.Connected());
}

TEST(PeerReset, WritingToAResetPeerRaisesInsteadOfKillingTheProcess) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.ReceiveUntil("hello");
    peer.Reset();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  client.Write("hello");
  server.Join();
  // The reset may take a moment to arrive; the first writes can still be
  // accepted by the system.
  const std::string block(65536, 'y');
  try {
    for (int i = 0; i < 1000; ++i) client.WriteBytes(block.data(), static_cast<int64_t>(block.size()));
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10054);
  }
  EXPECT_FALSE(client.Connected());
}

TEST(PeerGone, WritingAfterThePeerClosedRaisesInsteadOfKillingTheProcess) {
  // The peer closes its socket gracefully. The next write still leaves and
  // the peer's system answers it with a reset, which on this half-closed
  // connection makes the following send fail with EPIPE: a send that does not
  // ask otherwise then also raises SIGPIPE, whose default action ends the
  // process. The writes run in a child process with that default action.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        std::signal(SIGPIPE, SIG_DFL);
        LoopbackServer server([](PeerConnection& peer) {
          peer.ReceiveUntil("hello");
          peer.Close();
        });
        TNetTCPClient client;
        ConnectTo(client, server);
        client.Write("hello");
        server.Join();
        const std::string block(65536, 'y');
        int error = 0;
        try {
          for (int i = 0; i < 1000; ++i) client.WriteBytes(block.data(), static_cast<int64_t>(block.size()));
        } catch (const ENetSocketError& e) {
          error = e.LastError();
        }
        std::fprintf(stderr, "socket error %d\n", error);
        std::_Exit(error == 10054 && !client.Connected() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "socket error 10054");
}

TEST(Write, LinesAndBytesArriveInOrder) {
  LoopbackServer server([](PeerConnection& peer) { peer.ReceiveUntilClose(); });
  TNetTCPClient client;
  ConnectTo(client, server);
  client.WriteLine("GET / HTTP/1.1");
  client.WriteLine();
  client.Write("");
  client.Write("abc");
  client.WriteInteger(0x01020304);
  client.Disconnect();
  EXPECT_EQ(server.Received(), std::string("GET / HTTP/1.1\r\n\r\nabc\x01\x02\x03\x04", 25));
}

TEST(Write, ASendThatMakesNoProgressFailsAfterTheReadTimeout) {
  // The peer never reads: the system buffers fill up and the send stalls.
  // The peer keeps the connection until the client has given up, so that
  // nothing but the time limit can end the send.
  std::promise<void> client_done;
  LoopbackServer server([done = client_done.get_future().share()](PeerConnection& peer) {
    done.wait_for(10s);
    peer.Close();
  });
  struct Release {
    std::promise<void>& done;
    ~Release() { done.set_value(); }
  } release{client_done};
  TNetTCPClient client;
  ConnectTo(client, server);
  client.SetReadTimeout(200);
  const std::string block(1 << 20, 'z');
  const auto start = std::chrono::steady_clock::now();
  try {
    for (int i = 0; i < 1000; ++i) client.WriteBytes(block.data(), static_cast<int64_t>(block.size()));
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10060);
    EXPECT_EQ(e.Message(), "Erreur de socket # 10060\r\nD\xE9lai de connexion d\xE9pass\xE9.");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_FALSE(client.Connected());
}

TEST(BufferedWrites, CollectUntilTheEndAndLeaveInOneSend) {
  TNetIOHandlerMemory transport;
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  int sends = 0;
  client.OnWork = [&](TNetComponent&, TWorkMode mode, int64_t) { sends += mode == TWorkMode::wmWrite; };
  client.BeginWork(TWorkMode::wmWrite);
  client.BeginBufferedWrites();
  client.WriteLine("POST /envoyer.php HTTP/1.0");
  client.WriteLine("Host: h");
  client.WriteLine();
  EXPECT_EQ(transport.Written(), "");
  client.EndBufferedWrites();
  client.EndWork(TWorkMode::wmWrite);
  EXPECT_EQ(transport.Written(), "POST /envoyer.php HTTP/1.0\r\nHost: h\r\n\r\n");
  EXPECT_EQ(sends, 1);
  EXPECT_FALSE(client.WriteBuffering());
}

TEST(BufferedWrites, AThresholdSendsWholePiecesAsSoonAsTheyAreThere) {
  TNetIOHandlerMemory transport;
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  client.BeginBufferedWrites(4);
  client.Write("ab");
  EXPECT_EQ(transport.Written(), "");
  client.Write("cdefghijk");
  EXPECT_EQ(transport.Written(), "abcdefgh");
  client.EndBufferedWrites();
  EXPECT_EQ(transport.Written(), "abcdefghijk");
}

TEST(BufferedWrites, TheBufferIsGoneEvenWhenTheFinalSendFails) {
  TNetIOHandlerMemory transport;
  transport.FailSendAfter(0, 10054);
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  client.BeginBufferedWrites();
  client.Write("head");
  EXPECT_THROW(client.EndBufferedWrites(), ENetSocketError);
  EXPECT_FALSE(client.WriteBuffering());
  EXPECT_FALSE(client.Connected());
}

TEST(Write, PartialSendsAreResumedUntilEverythingIsSent) {
  TNetIOHandlerMemory transport;
  transport.SetSendLimit(3);
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  client.Write("0123456789");
  EXPECT_EQ(transport.Written(), "0123456789");
}

TEST(Write, WithoutAConnectionIsNotConnected) {
  TNetTCPClient client;
  try {
    client.Write("x");
    FAIL() << "no exception";
  } catch (const ENetNotConnected& e) {
    EXPECT_EQ(e.Message(), "Non connect\xE9");
  }
}

// A stream that announces ten bytes more than it has.
class ShortStream : public TStringStream {
 public:
  explicit ShortStream(std::string_view bytes) : TStringStream(bytes) {}
  int64_t Size() override { return TStringStream::Size() + 10; }
};

TEST(WriteFromStream, AStreamThatDeliversLessThanItAnnouncesIsNoDataToRead) {
  LoopbackServer server([](PeerConnection& peer) { peer.ReceiveUntilClose(); });
  TNetTCPClient client;
  ConnectTo(client, server);
  ShortStream stream("twelve bytes");
  try {
    client.WriteFromStream(stream, true);
    FAIL() << "no exception";
  } catch (const ENetNoDataToRead& e) {
    EXPECT_EQ(e.Message(),
              "Pas de donn\xE9"
              "es pour la lecture.");
  }
  client.Disconnect();
  EXPECT_EQ(server.Received(), "twelve bytes");
}

TEST(WriteFromStream, SendsInPiecesOfSendBufferSizeAndReportsTheWork) {
  TNetIOHandlerMemory transport;
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  client.SetSendBufferSize(4);
  std::vector<int64_t> counts;
  int64_t announced = -1;
  int ends = 0;
  client.OnWorkBegin = [&](TNetComponent&, TWorkMode, int64_t max) { announced = max; };
  client.OnWork = [&](TNetComponent&, TWorkMode, int64_t count) { counts.push_back(count); };
  client.OnWorkEnd = [&](TNetComponent&, TWorkMode) { ++ends; };
  TStringStream stream("0123456789");
  stream.SetPosition(2);
  client.WriteFromStream(stream, false, true, 0);
  EXPECT_EQ(transport.Written(), std::string("\0\0\0\x08"
                                             "23456789",
                                             12));
  EXPECT_EQ(announced, 8);
  EXPECT_EQ(counts, (std::vector<int64_t>{4, 8}));
  EXPECT_EQ(ends, 1);
}

TEST(WriteFromStream, WithASizeSendsThatManyBytesFromThePosition) {
  TNetIOHandlerMemory transport;
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  TStringStream stream("0123456789");
  stream.SetPosition(2);
  client.WriteFromStream(stream, false, true, 5);
  EXPECT_EQ(transport.Written(), std::string("\0\0\0\x05"
                                             "23456",
                                             9));
  EXPECT_EQ(stream.Position(), 7);
  client.WriteFromStream(stream, true, false, 3);
  EXPECT_EQ(transport.Written().substr(9), "012");
  EXPECT_EQ(stream.Position(), 3);
}

TEST(ReadWork, EveryByteTakenFromTheInputCountsAsReadWork) {
  TNetIOHandlerMemory transport;
  transport.AddInput("line\nbody");
  transport.ClosePeer();
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  int64_t last = 0;
  int64_t announced = -1;
  client.OnWorkBegin = [&](TNetComponent&, TWorkMode mode, int64_t max) {
    if (mode == TWorkMode::wmRead) announced = max;
  };
  client.OnWork = [&](TNetComponent&, TWorkMode mode, int64_t count) {
    if (mode == TWorkMode::wmRead) last = count;
  };
  client.BeginWork(TWorkMode::wmRead, 9);
  EXPECT_EQ(client.ReadLine(), "line");
  TStringStream stream;
  client.ReadToStream(stream, -1, true);
  client.EndWork(TWorkMode::wmRead);
  EXPECT_EQ(announced, 9);
  EXPECT_EQ(last, 9);
}

// For every N, the Nth send fails: the error comes out as a socket error,
// nothing after it is sent, and the client connects again afterwards.
TEST(FaultLoop, EverySendFailureLeavesAClientThatCanReconnect) {
  const std::string body = "0123456789abcdef";
  for (int64_t fail_at = 0; fail_at < static_cast<int64_t>(body.size()); ++fail_at) {
    TNetIOHandlerMemory transport;
    transport.SetSendLimit(3);
    transport.FailSendAfter(fail_at, 10053);
    TNetTCPClient client;
    client.SetIOHandler(&transport);
    client.Connect();
    TStringStream stream(body);
    EXPECT_THROW(client.WriteFromStream(stream, true), ENetSocketError) << fail_at;
    EXPECT_LE(static_cast<int64_t>(transport.Written().size()), fail_at);
    EXPECT_EQ(transport.Written(), body.substr(0, transport.Written().size()));
    EXPECT_FALSE(client.Connected());
    client.Connect();
    EXPECT_TRUE(client.Connected());
  }
}

// For every N, the Nth receive fails: buffered lines stay readable when the
// socket closed under the receive, other errors come out at once.
TEST(FaultLoop, AReceiveFailureAfterBufferedDataKeepsTheDataReadable) {
  TNetIOHandlerMemory transport;
  transport.AddInput("a\nb");
  transport.AddReceiveError(10053);
  TNetTCPClient client;
  client.SetIOHandler(&transport);
  client.Connect();
  EXPECT_EQ(client.ReadLine(), "a");
  EXPECT_EQ(client.ReadLine(), "");
  EXPECT_TRUE(client.ReadLineEndedEmpty());
  EXPECT_EQ(client.ReadString(1), "b");
  EXPECT_THROW(client.ReadLine(), ENetConnClosedGracefully);
}

TEST(FaultLoop, AReceiveFailureWithNothingBufferedIsRaised) {
  for (const int error : {10053, 10054, 10060}) {
    TNetIOHandlerMemory transport;
    transport.AddReceiveError(error);
    TNetTCPClient client;
    client.SetIOHandler(&transport);
    client.Connect();
    try {
      client.ReadLine();
      FAIL() << "no exception";
    } catch (const ENetSocketError& e) {
      EXPECT_EQ(e.LastError(), error);
    }
  }
}

TEST(ProbeDisconnect, NoticesAPeerThatClosedAKeptConnection) {
  LoopbackServer server([](PeerConnection& peer) {
    peer.Send("reply\n");
    peer.Close();
  });
  TNetTCPClient client;
  ConnectTo(client, server);
  EXPECT_EQ(client.ReadLine(), "reply");
  server.Join();
  int disconnected = 0;
  client.OnDisconnected = [&](TNetComponent&) { ++disconnected; };
  client.ProbeDisconnect();
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(disconnected, 1);
}

TEST(ProbeDisconnect, AnOpenConnectionStaysOpen) {
  LoopbackServer server([](PeerConnection& peer) { peer.ReceiveUntilClose(); });
  TNetTCPClient client;
  ConnectTo(client, server);
  EXPECT_EQ(client.ProbeDisconnect(), -1);
  EXPECT_TRUE(client.Connected());
  client.Disconnect();
}

}  // namespace
}  // namespace vitrix
