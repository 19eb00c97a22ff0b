#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;
using namespace std::chrono_literals;

// Records the status notifications of a client and its transport.
struct StatusLog {
  std::vector<std::pair<TNetStatus, std::string>> entries;
  void Attach(TNetTCPClient& client) {
    client.OnStatus = [this](TNetComponent&, TNetStatus status, const std::string& text) {
      entries.emplace_back(status, text);
    };
  }
  bool Has(TNetStatus status) const {
    for (const auto& entry : entries) {
      if (entry.first == status) return true;
    }
    return false;
  }
};

TEST(TcpConnect, LocalhostConnectsTo127001WithoutLookupAndReportsEachStep) {
  LoopbackServer server([](PeerConnection& peer) { peer.ReceiveUntilClose(); });
  TNetTCPClient client;
  StatusLog log;
  log.Attach(client);
  int connected_events = 0;
  client.OnConnected = [&](TNetComponent&) { ++connected_events; };
  client.SetHost("LocalHost");
  client.SetPort(server.Port());

  client.Connect();

  EXPECT_TRUE(client.Connected());
  EXPECT_EQ(connected_events, 1);
  ASSERT_EQ(log.entries.size(), 3u);
  EXPECT_EQ(log.entries[0].first, TNetStatus::hsResolving);
  EXPECT_EQ(log.entries[0].second, "R\xE9solution du nom d'h\xF4te LocalHost.");
  EXPECT_EQ(log.entries[1].first, TNetStatus::hsConnecting);
  EXPECT_EQ(log.entries[1].second, "Connexion \xE0 127.0.0.1.");
  EXPECT_EQ(log.entries[2].first, TNetStatus::hsConnected);
  EXPECT_EQ(log.entries[2].second, "Connect\xE9.");

  log.entries.clear();
  int disconnected_events = 0;
  client.OnDisconnected = [&](TNetComponent&) { ++disconnected_events; };
  client.Disconnect();
  EXPECT_FALSE(client.Connected());
  EXPECT_EQ(disconnected_events, 1);
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[0].second,
            "D\xE9"
            "connexion.");
  EXPECT_EQ(log.entries[1].second,
            "D\xE9"
            "connect\xE9.");
  server.Join();
}

TEST(TcpConnect, DottedQuadIsNotResolved) {
  LoopbackServer server([](PeerConnection& peer) { peer.ReceiveUntilClose(); });
  TNetTCPClient client;
  StatusLog log;
  log.Attach(client);
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.Connect(2000);
  EXPECT_TRUE(client.Connected());
  EXPECT_FALSE(log.Has(TNetStatus::hsResolving));
  EXPECT_TRUE(log.Has(TNetStatus::hsConnected));
  client.Disconnect();
}

TEST(TcpConnect, ConnectingTwiceIsAlreadyConnected) {
  LoopbackServer server([](PeerConnection& peer) { peer.ReceiveUntilClose(); });
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.Connect();
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const ENetAlreadyConnected& e) {
    EXPECT_EQ(e.Message(), "D\xE9j\xE0 connect\xE9.");
  }
  EXPECT_TRUE(client.Connected());
  client.Disconnect();
}

TEST(TcpConnect, RefusedConnectionGives10061AndLeavesTheClientDisconnected) {
  test::RefusingPort port;
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(port.Port());
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
    EXPECT_EQ(e.Message(),
              "Erreur de socket # 10061\r\nConnexion refus\xE9"
              "e.");
  }
  EXPECT_FALSE(client.Connected());
}

TEST(TcpConnect, APortBeyond16BitsIsRefusedNotCutDownToAnother) {
  // The server's port plus 65536 would reach the server if cut to 16 bits.
  LoopbackServer server([](PeerConnection& peer) { peer.Close(); }, 1, 300ms);
  for (const int port : {server.Port() + 65536, -1}) {
    TNetTCPClient client;
    client.SetHost("127.0.0.1");
    client.SetPort(port);
    try {
      client.Connect();
      ADD_FAILURE() << "connected to port " << port;
    } catch (const ENetSocketError& e) {
      EXPECT_EQ(e.LastError(), 10049);
    }
    EXPECT_FALSE(client.Connected());
  }
  EXPECT_EQ(server.Accepted(), 0);
}

TEST(TcpConnect, RefusedUnderATimeLimitCarriesTheSocketErrorMessage) {
  test::RefusingPort port;
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(port.Port());
  try {
    client.Connect(3000);
    FAIL() << "no exception";
  } catch (const ENetConnectException& e) {
    EXPECT_EQ(e.SocketError(), 10061);
    EXPECT_EQ(e.Message(),
              "Erreur de socket # 10061\r\nConnexion refus\xE9"
              "e.");
  }
  EXPECT_FALSE(client.Connected());
}

TEST(TcpConnect, UnknownHostGives11001) {
  TNetTCPClient client;
  StatusLog log;
  log.Attach(client);
  client.SetHost("vitrix-no-such-host.invalid");
  client.SetPort(80);
  try {
    client.Connect();
    FAIL() << "no exception";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
    EXPECT_EQ(e.Message(), "Erreur de socket # 11001\r\nH\xF4te non trouv\xE9.");
  }
  EXPECT_TRUE(log.Has(TNetStatus::hsResolving));
  EXPECT_FALSE(log.Has(TNetStatus::hsConnecting));
  EXPECT_FALSE(client.Connected());
}

TEST(TcpConnect, TimeLimitEndsAConnectThatGetsNoAnswer) {
  test::SilentListener listener;
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(listener.Port());
  const auto start = std::chrono::steady_clock::now();
  try {
    client.Connect(300);
    FAIL() << "no exception";
  } catch (const ENetConnectTimeout& e) {
    EXPECT_EQ(e.Message(), "D\xE9lai de connexion.");
  }
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 290ms);
  EXPECT_LT(took, 2s);
  EXPECT_FALSE(client.Connected());
}

TEST(TcpConnect, ANewConnectAfterAFailureWorks) {
  test::RefusingPort refusing;
  LoopbackServer server([](PeerConnection& peer) {
    peer.ReceiveUntil("\n");
    peer.Send("pong\n");
  });
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(refusing.Port());
  EXPECT_THROW(client.Connect(), ENetSocketError);
  client.SetPort(server.Port());
  client.Connect();
  client.WriteLine("ping");
  EXPECT_EQ(client.ReadLine(), "pong");
  client.Disconnect();
  EXPECT_EQ(server.Received(), "ping\r\n");
}

}  // namespace
}  // namespace vitrix
