// IPv6: addresses by literal, in brackets or not, and a name with an address
// of each family (localhost: 127.0.0.1, then ::1) where only one of them
// listens, refusing or never answering.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/net_exceptions.h"
#include "net/net_stack.h"
#include "net/tcp_client.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using test::LoopbackFamily;
using test::LoopbackServer;
using test::PeerConnection;
using namespace std::chrono_literals;

LoopbackServer::Script Greeting(const std::string& text) {
  return [text](PeerConnection& peer) {
    peer.Send(text + "\r\n");
    peer.ReceiveUntilClose();
  };
}

TEST(Ipv6, LiteralsAreNotLookedUpAndKeepTheirForm) {
  EXPECT_EQ(GStack().ResolveHostAddresses("::1"), (std::vector<std::string>{"::1"}));
  EXPECT_EQ(GStack().ResolveHostAddresses("[::1]"), (std::vector<std::string>{"::1"}));
  EXPECT_EQ(GStack().ResolveHostAddresses("LocalHost"), (std::vector<std::string>{"127.0.0.1", "::1"}));
  EXPECT_EQ(GStack().ResolveHostAddresses("10.1.2.3"), (std::vector<std::string>{"10.1.2.3"}));
  try {
    GStack().ResolveHostAddresses("vitrix-no-such-host.invalid");
    FAIL() << "an unknown name resolved";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 11001);
  }
}

TEST(Ipv6, AServerOnIpv6LoopbackIsReachedByItsLiteralInBracketsOrNot) {
  for (const char* host : {"[::1]", "::1"}) {
    SCOPED_TRACE(host);
    LoopbackServer server(Greeting("six"), 1, 10s, LoopbackFamily::kIPv6);
    TNetTCPClient client;
    client.SetHost(host);
    client.SetPort(server.Port());
    client.Connect(5000);
    EXPECT_EQ(client.ReadLine(), "six");
    EXPECT_EQ(client.IOHandler() != nullptr, true);
    client.Disconnect();
  }
}

// localhost has both loopback addresses; a server listening on either one is
// reached, under a limit or without one.
TEST(Ipv6, LocalhostReachesAServerOnEitherFamily) {
  for (const LoopbackFamily family : {LoopbackFamily::kIPv4, LoopbackFamily::kIPv6}) {
    for (const int limit : {0, 5000}) {
      SCOPED_TRACE(std::string(family == LoopbackFamily::kIPv6 ? "::1" : "127.0.0.1") + " limit " +
                   std::to_string(limit));
      LoopbackServer server(Greeting("here"), 1, 10s, family);
      TNetTCPClient client;
      client.SetHost("localhost");
      client.SetPort(server.Port());
      client.Connect(limit);
      EXPECT_EQ(client.ReadLine(), "here");
      client.Disconnect();
    }
  }
}

TEST(Ipv6, WhenNoAddressAnswersTheLastRefusalIsReported) {
  test::RefusingPort nobody;
  TNetTCPClient client;
  client.SetHost("localhost");
  client.SetPort(nobody.Port());
  try {
    client.Connect();
    FAIL() << "connected to nobody";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.LastError(), 10061);
  }
  EXPECT_FALSE(client.Connected());
}

// 127.0.0.1 never answers (its queue is full): it gets half of the limit,
// and ::1 answers within the other half.
TEST(Ipv6, AnAddressThatNeverAnswersLeavesTimeForTheNext) {
  test::SilentListener silent;
  LoopbackServer server(Greeting("next"), 1, 10s, LoopbackFamily::kIPv6, silent.Port());
  TNetTCPClient client;
  client.SetHost("localhost");
  client.SetPort(silent.Port());
  const auto start = std::chrono::steady_clock::now();
  client.Connect(1000);
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(client.ReadLine(), "next");
  EXPECT_GE(spent, 400ms);
  EXPECT_LT(spent, 990ms);
  client.Disconnect();
}

}  // namespace
}  // namespace vitrix
