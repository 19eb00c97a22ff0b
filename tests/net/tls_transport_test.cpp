// The TLS transport against scripted TLS servers on loopback, with a test
// authority made by the openssl tool when the suite starts and trusted
// through SSL_CERT_FILE: the handshake and its checks, each refusal's text,
// time limits, and a connection cut without the TLS close.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "net/io_handler_ssl.h"
#include "net/net_exceptions.h"
#include "net/tcp_client.h"
#include "rtl/streams.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/tls_test_peer.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;
using test::TlsPeer;
using test::TlsServerContext;
using test::TlsServerVersions;
using namespace std::chrono_literals;

class TlsTransport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { certificates_ = new test::TlsCertificates(); }
  static void TearDownTestSuite() {
    delete certificates_;
    certificates_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(certificates_->Made()) << "the openssl tool could not make the test certificates";
    client_.SetIOHandler(&tls_);
  }

  static std::unique_ptr<TlsServerContext> Context(const std::string& name,
                                                   TlsServerVersions versions = TlsServerVersions::kCurrent) {
    auto context =
        std::make_unique<TlsServerContext>(certificates_->Certificate(name), certificates_->Key(name), versions);
    EXPECT_TRUE(context->Ready());
    return context;
  }

  // A server that shakes hands with the context, reads a line and answers
  // it, then leaves with the TLS close.
  static LoopbackServer::Script Echo(const TlsServerContext& context, std::string* name = nullptr) {
    return [&context, name](PeerConnection& connection) {
      TlsPeer peer(connection, context);
      if (!peer.Accept()) return;
      if (name != nullptr) *name = peer.RequestedName();
      const std::string line = peer.ReceiveUntil("\n");
      peer.Send("echo " + line);
      peer.Close();
    };
  }

  void ConnectTo(const std::string& host, int port, int timeout_ms = 5000) {
    client_.SetHost(host);
    client_.SetPort(port);
    client_.Connect(timeout_ms);
  }

  // The message of the ENetSSLProtocolReplyError that connecting raises.
  std::string HandshakeFailure(const std::string& host, int port, int timeout_ms = 5000) {
    try {
      ConnectTo(host, port, timeout_ms);
    } catch (const ENetSSLProtocolReplyError& e) {
      EXPECT_FALSE(client_.Connected());
      return e.what();
    }
    return "connected";
  }

  static test::TlsCertificates* certificates_;
  test::ScopedEnv trust_{"SSL_CERT_FILE", certificates_ != nullptr ? certificates_->CAFile() : ""};
  TNetSSLIOHandlerSocket tls_;
  TNetTCPClient client_;
};

test::TlsCertificates* TlsTransport::certificates_ = nullptr;

TEST_F(TlsTransport, AHandshakeSendsTheNameAndCarriesLinesBothWays) {
  const auto context = Context("good");
  std::string requested;
  LoopbackServer server(Echo(*context, &requested));

  ConnectTo("localhost", server.Port());
  EXPECT_TRUE(tls_.Encrypting());
  client_.WriteLine("bonjour");
  EXPECT_EQ(client_.ReadLine(), "echo bonjour");
  // The server's TLS close is an orderly end, as a plain close is.
  EXPECT_THROW(client_.ReadLine(), ENetConnClosedGracefully);
  server.Join();
  EXPECT_EQ(requested, "localhost");
  // Nothing of the line crossed the wire in clear.
  EXPECT_EQ(server.Received().find("bonjour"), std::string::npos);
}

TEST_F(TlsTransport, AnAddressIsCheckedAgainstTheCertificateAndSentNoName) {
  const auto context = Context("good");
  std::string requested = "unset";
  LoopbackServer server(Echo(*context, &requested));
  ConnectTo("127.0.0.1", server.Port());
  client_.WriteLine("x");
  EXPECT_EQ(client_.ReadLine(), "echo x");
  server.Join();
  EXPECT_EQ(requested, "");
}

// Each certificate the client must refuse, with the text that names the
// check; after each, the same client reaches a good server.
TEST_F(TlsTransport, RefusedCertificatesNameTheFailedCheckAndLeaveTheClientUsable) {
  const auto good = Context("good");
  struct Case {
    const char* certificate;
    const char* host;
    std::string message;
  };
  const Case cases[] = {
      {"self", "localhost",
       "Le certificat du serveur localhost n'est pas reconnu : aucune autorit\xE9 de confiance ne l'a sign\xE9."},
      {"expired", "localhost", "Le certificat du serveur localhost a expir\xE9."},
      {"other", "localhost", "Le certificat du serveur est \xE9mis pour un autre nom que localhost."},
      {"other", "127.0.0.1", "Le certificat du serveur est \xE9mis pour un autre nom que 127.0.0.1."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.certificate);
    const auto context = Context(c.certificate);
    LoopbackServer refused([&](PeerConnection& connection) {
      TlsPeer peer(connection, *context);
      EXPECT_FALSE(peer.Accept());
    });
    EXPECT_EQ(HandshakeFailure(c.host, refused.Port()), c.message);
    refused.Join();

    LoopbackServer fine(Echo(*good));
    ConnectTo("localhost", fine.Port());
    client_.WriteLine("encore");
    EXPECT_EQ(client_.ReadLine(), "echo encore");
    client_.Disconnect();
  }
}

TEST_F(TlsTransport, ASystemStoreWithoutTheTestAuthorityTrustsNothingOfIt) {
  const auto context = Context("good");
  test::ScopedEnv system_store("SSL_CERT_FILE", std::nullopt);
  LoopbackServer server([&](PeerConnection& connection) {
    TlsPeer peer(connection, *context);
    peer.Accept();
  });
  EXPECT_EQ(HandshakeFailure("localhost", server.Port()),
            "Le certificat du serveur localhost n'est pas reconnu : aucune autorit\xE9 de confiance ne l'a sign\xE9.");
}

TEST_F(TlsTransport, AServerSpeakingOnlyTls10IsRefusedAsTooOld) {
  const auto context = Context("good", TlsServerVersions::kTls10Only);
  LoopbackServer server([&](PeerConnection& connection) {
    TlsPeer peer(connection, *context);
    EXPECT_FALSE(peer.Accept());
  });
  EXPECT_EQ(HandshakeFailure("localhost", server.Port()),
            "Le serveur ne propose qu'une version trop ancienne du protocole TLS (TLS 1.2 au moins est exig\xE9).");
}

TEST_F(TlsTransport, AServerSilentInTheHandshakeTimesOutWithinTheLimit) {
  LoopbackServer server([](PeerConnection& connection) { connection.ReceiveUntilClose(); });
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HandshakeFailure("localhost", server.Port(), 400),
            "D\xE9lai de n\xE9gociation TLS d\xE9pass\xE9 : le serveur localhost ne r\xE9pond pas.");
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_GE(spent, 350ms);
  EXPECT_LT(spent, 3s);
}

TEST_F(TlsTransport, AServerClosingInTheHandshakeOrSpeakingPlainHttpIsNamedSo) {
  LoopbackServer closing([](PeerConnection& connection) {
    connection.ReceiveAtLeast(1);
    connection.Close();
  });
  EXPECT_EQ(HandshakeFailure("localhost", closing.Port()),
            "Le serveur localhost a ferm\xE9 la connexion pendant la n\xE9gociation TLS.");

  LoopbackServer plain([](PeerConnection& connection) {
    connection.ReceiveAtLeast(1);
    connection.Send("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
    connection.Close();
  });
  EXPECT_EQ(HandshakeFailure("localhost", plain.Port()), "Le serveur ne r\xE9pond pas en TLS.");
}

// A body read until the close is whole only when the TLS close ends it.
TEST_F(TlsTransport, AConnectionCutWithoutTheTlsCloseIsATruncationNotAnEnd) {
  const auto context = Context("good");
  for (const bool close_notify : {true, false}) {
    SCOPED_TRACE(close_notify ? "with the TLS close" : "cut");
    LoopbackServer server([&](PeerConnection& connection) {
      TlsPeer peer(connection, *context);
      if (!peer.Accept()) return;
      peer.Send(std::string(5000, 'b'));
      if (close_notify) peer.Close();
      else peer.CutOff();
    });
    ConnectTo("localhost", server.Port());
    TStringStream body;
    if (close_notify) {
      client_.ReadToStream(body, -1, /*until_close=*/true);
      EXPECT_EQ(body.DataString(), std::string(5000, 'b'));
    } else {
      try {
        client_.ReadToStream(body, -1, /*until_close=*/true);
        FAIL() << "a cut body was taken for a whole one";
      } catch (const ENetSSLConnectionError& e) {
        EXPECT_STREQ(e.what(),
                     "Le serveur localhost a coup\xE9 la connexion sans fermeture TLS : les donn\xE9"
                     "es re\xE7ues sont incompl\xE8tes.");
        EXPECT_EQ(e.LastError(), 10054);
      }
    }
    client_.Disconnect();
  }
}

TEST_F(TlsTransport, ReadsWaitNoLongerThanTheReadTimeout) {
  const auto context = Context("good");
  LoopbackServer server([&](PeerConnection& connection) {
    TlsPeer peer(connection, *context);
    if (peer.Accept()) connection.ReceiveUntilClose();
  });
  ConnectTo("localhost", server.Port());
  client_.SetReadTimeout(300);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(client_.ReadLine(), ENetReadTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  client_.Disconnect();
}

// Megabytes each way: writes that the socket takes only in part, and records
// that arrive in pieces.
TEST_F(TlsTransport, LargeTransfersArriveWholeInBothDirections) {
  const auto context = Context("good");
  std::string sent;
  for (int i = 0; sent.size() < 3'000'000; ++i) sent += std::to_string(i) + ",";
  std::string received_by_server;
  LoopbackServer server([&](PeerConnection& connection) {
    TlsPeer peer(connection, *context);
    if (!peer.Accept()) return;
    received_by_server = peer.ReceiveAtLeast(sent.size());
    peer.Send(received_by_server);
    peer.Close();
  });
  ConnectTo("localhost", server.Port());
  client_.SetRecvBufferSize(1000);
  client_.WriteBytes(sent.data(), static_cast<int64_t>(sent.size()), /*send_now=*/true);
  TStringStream back;
  client_.ReadToStream(back, static_cast<int64_t>(sent.size()));
  server.Join();
  EXPECT_TRUE(received_by_server == sent);
  EXPECT_TRUE(back.DataString() == sent);
}

}  // namespace
}  // namespace vitrix
