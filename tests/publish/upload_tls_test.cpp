// The upload to an https host against scripted TLS hosts on loopback (test
// certificates made by the openssl tool, trusted through SSL_CERT_FILE):
// every request head as it goes out on a direct TLS connection, which
// connections are kept, the secure-cookie rule, and the failures a user is
// told the reason of.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "http/http_client.h"
#include "publish/image_address.h"
#include "publish/upload.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/tls_test_peer.h"
#include "support/upload_recorder.h"

namespace vitrix {
namespace {

using test::ScriptedHttpsServer;
using test::TlsServerContext;
using Texts = std::vector<std::string>;

std::string Page(const std::string& address) {
  return "<p>Image H\xE9"
         "berg\xE9"
         "e : <a href=\"" +
         address + "\">" + address + "</a></p>";
}

class UploadOverTls : public ::testing::Test {
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

  static std::unique_ptr<TlsServerContext> Context(const std::string& name) {
    return std::make_unique<TlsServerContext>(certificates_->Certificate(name), certificates_->Key(name));
  }

  void Upload(const std::string& base) { UploadCapture(but_, base, capture_, recorder_.Hooks()); }

  static test::TlsCertificates* certificates_;
  test::ScopedEnv trust_{"SSL_CERT_FILE", certificates_ != nullptr ? certificates_->CAFile() : ""};
  test::ScopedEnv no_http_proxy_{"http_proxy", std::nullopt};
  test::ScopedEnv no_https_proxy_{"https_proxy", std::nullopt};
  test::ScopedEnv no_https_proxy_upper_{"HTTPS_PROXY", std::nullopt};
  test::TempDir dir_;
  const std::string capture_ = dir_.WriteFile("4.jpg", std::string("\xFF\xD8\xFF\xE0", 4) +
                                                           "JFIF donn\xE9"
                                                           "es\xFF\xD9");
  TNetHTTP but_;
  test::UploadRecorder recorder_;
};

test::TlsCertificates* UploadOverTls::certificates_ = nullptr;

// Over a direct TLS connection no request carries "Connection": the POST
// (HTTP/1.0) ends its connection, the two GETs (HTTP/1.1) share the next
// one. The secure cookie set by the first reply goes back over TLS.
TEST_F(UploadOverTls, TheDialogueGoesOutAsOnPlainHttpWithoutConnectionAndKeepsTheGetsConnection) {
  const auto context = Context("good");
  ScriptedHttpsServer host(
      *context,
      {{{test::Reply("302 Found", "Location: traitement.php?image=1\r\nSet-Cookie: s=1; path=/; secure\r\n", "")},
        true},
       {{test::Reply("302 Found", "Location: resultat.php?image=1\r\n", ""),
         test::Reply("200 OK", "", Page("https://localhost/images/1.jpg"))},
        true}});
  const std::string base = host.BaseURL();
  const std::string host_line = "Host: localhost:" + std::to_string(host.Port()) + "\r\n";

  Upload(base);

  EXPECT_EQ(recorder_.links, (Texts{"[img]https://localhost/images/1.jpg[/img]"}));
  EXPECT_EQ(recorder_.journal, (Texts{base + "traitement.php?image=1", base + "resultat.php?image=1"}));
  EXPECT_TRUE(recorder_.reasons.empty());
  const Texts requests = host.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(host.Accepted(), 2);

  std::smatch boundary;
  ASSERT_TRUE(std::regex_search(requests[0], boundary, std::regex("boundary=([^\r]+)\r\n")));
  const std::string type = "Content-Type: multipart/form-data; boundary=" + boundary[1].str() + "\r\n";
  const std::string post_head = requests[0].substr(0, requests[0].find("\r\n\r\n") + 4);
  const size_t body_size = requests[0].size() - post_head.size();
  EXPECT_EQ(post_head, "POST /envoyer.php HTTP/1.0\r\n" + type + "Content-Length: " + std::to_string(body_size) +
                           "\r\n" + host_line +
                           "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; vitrix)\r\n\r\n");
  EXPECT_EQ(requests[1],
            "GET /traitement.php?image=1 HTTP/1.1\r\n" + type + host_line +
                "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; vitrix)\r\nCookie: s=1\r\n\r\n");
  EXPECT_EQ(requests[2],
            "GET /resultat.php?image=1 HTTP/1.1\r\n" + type + host_line +
                "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; vitrix)\r\nCookie: s=1\r\n\r\n");
}

// A secure cookie set over TLS stays off a plain-http request to the same
// host; the client goes back to its own socket transport for it.
TEST_F(UploadOverTls, ASecureCookieNeverGoesOverPlainHttp) {
  const auto context = Context("good");
  ScriptedHttpsServer secure(*context, {{{test::ClosingReply("302 Found",
                                                             "Set-Cookie: s=1; path=/; secure\r\n"
                                                             "Set-Cookie: p=2; path=/\r\nLocation: x\r\n",
                                                             "")},
                                         true},
                                        {{test::ClosingReply("404 Not Found", "", "")}, true},
                                        {{test::ClosingReply("404 Not Found", "", "")}, true}});
  Upload(secure.BaseURL());
  test::ScriptedHttpServer plain({{{test::ClosingReply("404 Not Found", "", "")}, true},
                                  {{test::ClosingReply("404 Not Found", "", "")}, true},
                                  {{test::ClosingReply("404 Not Found", "", "")}, true}});
  Upload("http://localhost:" + std::to_string(plain.Port()) + "/");

  const Texts over_tls = secure.Requests();
  ASSERT_EQ(over_tls.size(), 3u);
  EXPECT_NE(over_tls[1].find("\r\nCookie: p=2; s=1\r\n"), std::string::npos) << over_tls[1];
  const Texts in_clear = plain.Requests();
  ASSERT_EQ(in_clear.size(), 3u);
  for (const std::string& request : in_clear) {
    EXPECT_NE(request.find("\r\nCookie: p=2\r\n"), std::string::npos) << request;
    EXPECT_EQ(request.find("s=1"), std::string::npos) << request;
  }
}

// A certificate refused ends the upload with the reason; the same client
// then uploads to a host it trusts.
TEST_F(UploadOverTls, ARefusedCertificateGivesItsReasonAndTheNextUploadWorks) {
  const auto self = Context("self");
  test::LoopbackServer refusing(
      [&](test::PeerConnection& connection) {
        test::TlsPeer peer(connection, *self);
        peer.Accept();
      },
      3);
  Upload("https://localhost:" + std::to_string(refusing.Port()) + "/");
  EXPECT_EQ(recorder_.statuses.back().first, kStatusUploadFailed);
  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  EXPECT_EQ(recorder_.reasons,
            (Texts{"Le certificat du serveur localhost n'est pas reconnu : aucune autorit\xE9 de confiance ne l'a "
                   "sign\xE9."}));

  const auto good = Context("good");
  ScriptedHttpsServer host(
      *good,
      {{{test::Reply("302 Found", "Location: a\r\n", "")}, true},
       {{test::Reply("302 Found", "Location: b\r\n", ""), test::ClosingReply("200 OK", "", Page("https://h/2.jpg"))},
        true}});
  Upload(host.BaseURL());
  EXPECT_EQ(recorder_.links.back(), "[img]https://h/2.jpg[/img]");
  EXPECT_EQ(recorder_.statuses.back().first, kStatusUploadDone);
  EXPECT_EQ(recorder_.reasons.size(), 1u);
}

// A result page read until the close, cut without the TLS close, is not a
// result: the tag it may hold is not trusted.
TEST_F(UploadOverTls, AResultPageCutWithoutTheTlsCloseFailsWithItsReason) {
  const auto context = Context("good");
  test::LoopbackServer host(
      [&](test::PeerConnection& connection) {
        test::TlsPeer peer(connection, *context);
        if (!peer.Accept()) return;
        const std::string request = peer.ReceiveRequest();
        if (request.rfind("POST", 0) == 0 || request.find("GET /a ") == 0) {
          peer.Send(test::ClosingReply("302 Found",
                                       request.rfind("POST", 0) == 0 ? "Location: a\r\n" : "Location: b\r\n", ""));
          peer.Close();
          return;
        }
        peer.Send("HTTP/1.0 200 OK\r\n\r\n" + Page("https://h/3.jpg"));
        peer.CutOff();
      },
      3);
  Upload("https://localhost:" + std::to_string(host.Port()) + "/");
  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  EXPECT_EQ(recorder_.statuses.back().first, kStatusUploadFailed);
  ASSERT_EQ(recorder_.reasons.size(), 1u);
  EXPECT_NE(recorder_.reasons[0].find("sans fermeture TLS"), std::string::npos) << recorder_.reasons[0];
}

// A host that is not there fails quietly over https as over http.
TEST_F(UploadOverTls, AnUnreachableHostFailsWithoutAReason) {
  test::RefusingPort nobody;
  Upload("https://localhost:" + std::to_string(nobody.Port()) + "/");
  EXPECT_EQ(recorder_.statuses.back().first, kStatusUploadFailed);
  EXPECT_TRUE(recorder_.reasons.empty());
  EXPECT_EQ(but_.IOHandler(), nullptr);
}

// The dialogue with a host on IPv6 loopback only: by its literal, and by
// localhost, whose IPv4 address refuses first; over https, the certificate
// names ::1 and localhost.
TEST_F(UploadOverTls, AHostOnIpv6LoopbackIsReachedByLiteralAndByLocalhost) {
  const auto context = Context("good");
  const auto dialogue = [](const std::string& image) {
    return std::vector<test::ScriptedConnection>{
        {{test::ClosingReply("302 Found", "Location: a\r\n", "")}, true},
        {{test::ClosingReply("302 Found", "Location: b\r\n", "")}, true},
        {{test::ClosingReply("200 OK", "", Page("https://h/" + image))}, true}};
  };
  for (const char* host : {"[::1]", "localhost"}) {
    SCOPED_TRACE(host);
    test::ScriptedHttpServer plain(dialogue("plain.jpg"), std::chrono::seconds(10), test::LoopbackFamily::kIPv6);
    const std::string plain_authority = std::string(host) + ":" + std::to_string(plain.Port());
    Upload("http://" + plain_authority + "/");
    EXPECT_EQ(recorder_.links.back(), "[img]https://h/plain.jpg[/img]");
    const Texts requests = plain.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[0].find("\r\nHost: " + plain_authority + "\r\n"), std::string::npos) << requests[0];

    ScriptedHttpsServer secure(*context, dialogue("secure.jpg"), std::chrono::seconds(10), test::LoopbackFamily::kIPv6);
    Upload("https://" + std::string(host) + ":" + std::to_string(secure.Port()) + "/");
    EXPECT_EQ(recorder_.links.back(), "[img]https://h/secure.jpg[/img]");
    EXPECT_EQ(secure.Requests().size(), 3u);
  }
  EXPECT_TRUE(recorder_.reasons.empty());
}

}  // namespace
}  // namespace vitrix
