// The upload through the proxy the environment names: Debian's tinyproxy on
// loopback (plain http with the whole address as the target, https through
// its CONNECT tunnel, with and without credentials), and scripted proxies
// that refuse or close, each giving its reason and leaving the client usable.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "publish/image_address.h"
#include "publish/upload.h"
#include "support/forward_proxy.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/tls_test_peer.h"
#include "support/upload_recorder.h"

namespace vitrix {
namespace {

using Texts = std::vector<std::string>;

std::string Page(const std::string& address) {
  return "<p>Image H\xE9"
         "berg\xE9"
         "e : <a href=\"" +
         address + "\">" + address + "</a></p>";
}

// The three replies of a dialogue that ends with the tag of address.
std::vector<test::ScriptedConnection> Dialogue(const std::string& address) {
  return {{{test::ClosingReply("302 Found", "Location: a\r\n", "")}, true},
          {{test::ClosingReply("302 Found", "Location: b\r\n", "")}, true},
          {{test::ClosingReply("200 OK", "", Page(address))}, true}};
}

class UploadThroughProxy : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { certificates_ = new test::TlsCertificates(); }
  static void TearDownTestSuite() {
    delete certificates_;
    certificates_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(certificates_->Made());
    ConfigureUploadClient(but_);
  }

  void Upload(const std::string& base) { UploadCapture(but_, base, capture_, recorder_.Hooks()); }

  static test::TlsCertificates* certificates_;
  test::ScopedEnv trust_{"SSL_CERT_FILE", certificates_ != nullptr ? certificates_->CAFile() : ""};
  test::ScopedEnv no_proxy_{"no_proxy", std::nullopt};
  test::ScopedEnv no_proxy_upper_{"NO_PROXY", std::nullopt};
  test::ScopedEnv http_proxy_upper_{"HTTP_PROXY", std::nullopt};
  test::ScopedEnv https_proxy_upper_{"HTTPS_PROXY", std::nullopt};
  test::TempDir dir_;
  const std::string capture_ = dir_.WriteFile("5.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF\xFF\xD9");
  TNetHTTP but_;
  test::UploadRecorder recorder_;
};

test::TlsCertificates* UploadThroughProxy::certificates_ = nullptr;

TEST_F(UploadThroughProxy, PlainHttpGoesThroughTinyproxy) {
  test::ForwardProxy proxy;
  ASSERT_TRUE(proxy.Started()) << "tinyproxy did not start (package tinyproxy):\n" << proxy.Log();
  test::ScriptedHttpServer host(Dialogue("http://h/1.jpg"));
  test::ScopedEnv via("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()));
  test::ScopedEnv not_https("https_proxy", std::nullopt);

  // tinyproxy closes its client's connection right after each reply but
  // drops the host's "Connection: close" from it: the client keeps a
  // connection that is about to close, and a GET it sends there as the
  // proxy closes goes out again on a fresh one.
  Upload(host.BaseURL());

  EXPECT_EQ(recorder_.links, (Texts{"[img]http://h/1.jpg[/img]"})) << proxy.Log();
  const Texts requests = host.Requests();
  ASSERT_EQ(requests.size(), 3u);
  // The proxy passed the requests on: it says so in each.
  for (const std::string& request : requests) EXPECT_NE(request.find("\r\nVia: "), std::string::npos) << request;
  EXPECT_EQ(requests[0].rfind("POST /envoyer.php HTTP/1.0\r\n", 0), 0u) << requests[0];
}

TEST_F(UploadThroughProxy, HttpsGoesThroughTinyproxysTunnelWithAndWithoutCredentials) {
  const test::TlsServerContext context(certificates_->Certificate("good"), certificates_->Key("good"));
  for (const bool credentials : {false, true}) {
    SCOPED_TRACE(credentials ? "with credentials" : "without credentials");
    test::ForwardProxy proxy(credentials ? "vitrix" : "", credentials ? "s3cret" : "");
    ASSERT_TRUE(proxy.Started()) << proxy.Log();
    test::ScriptedHttpsServer host(context, Dialogue("https://h/2.jpg"));
    const std::string user = credentials ? "vitrix:s3cret@" : "";
    test::ScopedEnv via("https_proxy", "http://" + user + "127.0.0.1:" + std::to_string(proxy.Port()));

    Upload(host.BaseURL());

    EXPECT_EQ(recorder_.links.back(), "[img]https://h/2.jpg[/img]") << proxy.Log();
    EXPECT_EQ(host.Requests().size(), 3u);
  }
  EXPECT_TRUE(recorder_.reasons.empty());
}

// tinyproxy answers a CONNECT with wrong credentials with 401, not 407.
TEST_F(UploadThroughProxy, WrongProxyCredentialsEndInTheProxysRefusal) {
  test::ForwardProxy proxy("vitrix", "s3cret");
  ASSERT_TRUE(proxy.Started()) << proxy.Log();
  const test::TlsServerContext context(certificates_->Certificate("good"), certificates_->Key("good"));
  test::LoopbackServer host([](test::PeerConnection&) {}, 0);
  const std::string proxy_address = "127.0.0.1:" + std::to_string(proxy.Port());
  test::ScopedEnv via("https_proxy", "http://vitrix:wrong@" + proxy_address);

  Upload("https://localhost:" + std::to_string(host.Port()) + "/");

  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  ASSERT_EQ(recorder_.reasons.size(), 1u);
  EXPECT_EQ(recorder_.reasons[0].rfind("Le proxy " + proxy_address +
                                           " demande une identification valable pour aller vers localhost:" +
                                           std::to_string(host.Port()) + " (HTTP/1.",
                                       0),
            0u)
      << recorder_.reasons[0] << "\n"
      << proxy.Log();
}

// Scripted proxies: a refusal with 407 or 502, or a close before any reply.
// Each ends the upload with its reason, and the client then reaches a host
// directly.
TEST_F(UploadThroughProxy, AProxyThatRefusesOrClosesGivesItsReasonAndTheClientGoesOn) {
  struct Case {
    const char* name;
    std::string reply;  // empty: close at once
    std::string reason_start;
  };
  const Case cases[] = {
      {"407",
       "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic realm=\"p\"\r\nContent-Length: "
       "3\r\n\r\nnon",
       "Le proxy 127.0.0.1:PORT demande une identification valable pour aller vers localhost:443 (HTTP/1.1 407 "
       "Proxy Authentication Required)."},
      {"502", "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\n\r\n",
       "Le proxy 127.0.0.1:PORT n'a pas ouvert la connexion vers localhost:443 (HTTP/1.1 502 Bad Gateway)."},
      {"close", "",
       "Le proxy 127.0.0.1:PORT : La connexion s'est termin\xE9"
       "e proprement."},
  };
  const test::TlsServerContext context(certificates_->Certificate("good"), certificates_->Key("good"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::LoopbackServer proxy(
        [&c](test::PeerConnection& connection) {
          connection.ReceiveUntil("\r\n\r\n");
          if (!c.reply.empty()) connection.Send(c.reply);
          connection.Close();
        },
        3);
    std::string expected = c.reason_start;
    expected.replace(expected.find("PORT"), 4, std::to_string(proxy.Port()));
    {
      test::ScopedEnv via("https_proxy", "127.0.0.1:" + std::to_string(proxy.Port()));
      Upload("https://localhost:443/");
    }
    EXPECT_EQ(recorder_.reasons.back(), expected);
    EXPECT_EQ(recorder_.links.back(), kNoImageAddress);
    // The tunnel is asked for by the target's name and port, under the
    // POST's HTTP/1.0, and a proxy's earlier 407 leaves no credentials
    // behind.
    const std::string first = proxy.Received().substr(0, proxy.Received().find("\r\n\r\n") + 4);
    EXPECT_TRUE(std::regex_match(first, std::regex("CONNECT localhost:443 HTTP/1\\.0\r\nContent-Length: [0-9]+\r\n"
                                                   "Pragma: no-cache\r\nProxy-Connection: keep-alive\r\n"
                                                   "Host: localhost:443\r\nAccept: text/html, \\*/\\*\r\n"
                                                   "User-Agent: Mozilla/3\\.0 \\(compatible; vitrix\\)\r\n\r\n")))
        << first;

    test::ScriptedHttpsServer host(context, Dialogue("https://h/ok.jpg"));
    Upload(host.BaseURL());
    EXPECT_EQ(recorder_.links.back(), "[img]https://h/ok.jpg[/img]");
  }
}

}  // namespace
}  // namespace vitrix
