// The upload dialogue on the wire: POST -> 302, GET -> 302, GET -> 200, every
// request head byte for byte, connections kept only when the replies allow,
// and cookies set by the redirects sent back last.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_client.h"
#include "http/http_exceptions.h"
#include "http/multipart_stream.h"
#include "net/testing/io_handler_memory.h"
#include "rtl/strings.h"
#include "support/http_test_peer.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

using test::ClosingReply;
using test::Reply;
using test::ScriptedConnection;
using test::ScriptedHttpServer;

const std::string kPage =
    "<html><p>Image H\xE9"
    "berg\xE9"
    "e : <a href=\"http://img.example.org/1.jpg\">ici</a></p></html>";

// What the publishing code does: three requests, each failure swallowed; a
// 302 leaves a journal line.
struct Dialogue {
  std::vector<std::string> journal;
  std::vector<int> codes;
  std::string reponse;
};

Dialogue RunUpload(TNetHTTP& but, const std::string& base, TNetMultiPartFormDataStream& form) {
  Dialogue result;
  TStringStream reponse;
  const auto guard = [&](auto&& request) {
    try {
      request();
    } catch (const Exception&) {
      if (but.ResponseCode() == 302) result.journal.push_back(base + but.Response().Location());
    }
    result.codes.push_back(but.ResponseCode());
  };
  guard([&] { but.Post(base + "envoyer.php", form, &reponse); });
  guard([&] { but.Get(base + but.Response().Location(), &reponse); });
  guard([&] { but.Get(base + but.Response().Location(), &reponse); });
  result.reponse = reponse.DataString();
  return result;
}

class UploadDialogue : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.WriteFile("1.jpg", std::string("\xFF\xD8\xFF\xE0 jpeg \r\n--bytes\0\x01", 20));
    form_.AddFileField("fichier", path_, "multipart/form-data");
  }

  std::string PostHead(const std::string& host) {
    return "POST /envoyer.php HTTP/1.0\r\n"
           "Connection: keep-alive\r\n"
           "Content-Type: " +
           form_.BodyContentType() +
           "\r\n"
           "Content-Length: " +
           IntToStr(form_.Size()) +
           "\r\n"
           "Host: " +
           host +
           "\r\n"
           "Accept: text/html, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible; vitrix)\r\n\r\n";
  }

  std::string GetHead(const std::string& target, const std::string& host, const std::string& cookie = {}) {
    return "GET " + target +
           " HTTP/1.1\r\n"
           "Connection: keep-alive\r\n"
           "Content-Type: " +
           form_.BodyContentType() +
           "\r\n"
           "Host: " +
           host +
           "\r\n"
           "Accept: text/html, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible; vitrix)\r\n" +
           (cookie.empty() ? std::string() : "Cookie: " + cookie + "\r\n") + "\r\n";
  }

  std::string Body() {
    TStringStream body;
    body.CopyFrom(form_, 0);
    return body.DataString();
  }

  test::TempDir dir_;
  std::string path_;
  TNetMultiPartFormDataStream form_;
};

TEST_F(UploadDialogue, KeptConnectionCarriesBothGetsAndTheirHeadsAreExact) {
  ScriptedHttpServer server({
      // Under HTTP/1.0 without keep-alive the POST's connection closes; the
      // GETs share a new one.
      {{Reply("302 Found", "Location: etape2.php?id=7\r\n", "moved")}, true},
      {{Reply("302 Found", "Location: resultat.php?id=7\r\nSet-Cookie: sess=abc; path=/\r\n", "again"),
        Reply("200 OK", "Content-Type: text/html\r\n", kPage)},
       false},
  });
  const std::string host = "127.0.0.1:" + std::to_string(server.Port());
  TNetHTTP but;
  const Dialogue dialogue = RunUpload(but, server.BaseURL(), form_);
  but.Disconnect();

  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], PostHead(host) + Body());
  EXPECT_EQ(requests[1], GetHead("/etape2.php?id=7", host));
  EXPECT_EQ(requests[2], GetHead("/resultat.php?id=7", host, "sess=abc"));
  EXPECT_EQ(server.Accepted(), 2);
  EXPECT_EQ(dialogue.codes, (std::vector<int>{302, 302, 200}));
  EXPECT_EQ(dialogue.journal,
            (std::vector<std::string>{server.BaseURL() + "etape2.php?id=7", server.BaseURL() + "resultat.php?id=7"}));
  // Redirect bodies never reach the caller's stream.
  EXPECT_EQ(dialogue.reponse, kPage);
  EXPECT_EQ(but.ProtocolVersion(), TNetHTTPProtocolVersion::pv1_1);
}

TEST_F(UploadDialogue, TheRedirectOfThePostKeepsItsConnectionOnlyWithKeepAlive) {
  // Under HTTP/1.0 the POST's connection stays only when the reply says
  // keep-alive; the GETs under HTTP/1.1 keep it unless told to close.
  ScriptedHttpServer server({
      {{Reply("302 Found", "Connection: Keep-Alive\r\nLocation: a\r\n", ""), Reply("302 Found", "Location: b\r\n", ""),
        Reply("200 OK", "Connection: close\r\n", kPage)},
       false},
  });
  TNetHTTP but;
  const Dialogue dialogue = RunUpload(but, server.BaseURL(), form_);
  EXPECT_FALSE(but.Connected());
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(dialogue.reponse, kPage);
}

TEST_F(UploadDialogue, OnPortEightyTheHostHasNoPortAndEveryPostOpensAFreshConnection) {
  TNetIOHandlerMemory transport;
  // The last reply keeps its connection even by the rules of HTTP/1.0, which
  // the next POST goes under: only the POST's own rule closes it.
  transport.AddInput(Reply("302 Found", "Location: a.php\r\nConnection: keep-alive\r\n", "x") +
                     Reply("302 Found", "Location: b.php\r\n", "") +
                     Reply("200 OK", "Connection: keep-alive\r\n", kPage));
  TNetHTTP but;
  but.SetIOHandler(&transport);
  const Dialogue dialogue = RunUpload(but, "http://www.example.org/", form_);
  EXPECT_EQ(dialogue.codes, (std::vector<int>{302, 302, 200}));
  EXPECT_EQ(transport.LastTarget().host, "www.example.org");
  EXPECT_EQ(transport.LastTarget().port, 80);
  EXPECT_EQ(transport.Written(), PostHead("www.example.org") + Body() + GetHead("/a.php", "www.example.org") +
                                     GetHead("/b.php", "www.example.org"));
  EXPECT_EQ(transport.CloseCount(), 0);
  // The connection was kept all along; the next POST still opens a new one
  // (one close before it), and its HTTP/1.0 reply without keep-alive closes
  // that one too.
  transport.AddInput(Reply("302 Found", "Location: a.php\r\n", ""));
  TStringStream reponse;
  EXPECT_THROW(but.Post("http://www.example.org/envoyer.php", form_, &reponse), ENetHTTPProtocolException);
  EXPECT_EQ(transport.CloseCount(), 2);
}

TEST_F(UploadDialogue, CookiesOfEveryReplyGoLastInTheNextRequestsAndTheNextUpload) {
  // Each connection closes after its reply, which says so: a client told
  // nothing would keep the connection and could send its next request while
  // the peer is closing it.
  ScriptedHttpServer server({
      {{ClosingReply("302 Found", "Set-cookie: a=1; path=/\r\nSET-COOKIE: b=2; path=/\r\nLocation: x\r\n", "")}, true},
      {{ClosingReply("302 Found", "Location: y\r\n", "")}, true},
      {{ClosingReply("200 OK", "", kPage)}, true},
      {{ClosingReply("302 Found", "Location: z\r\n", "")}, true},
  });
  TNetHTTP but;
  RunUpload(but, server.BaseURL(), form_);
  TStringStream ignored;
  EXPECT_THROW(but.Post(server.BaseURL() + "envoyer.php", form_, &ignored), ENetHTTPProtocolException);
  const std::vector<std::string> requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  const std::string host = "127.0.0.1:" + std::to_string(server.Port());
  // Cookies of one path are listed from the last stored to the first.
  EXPECT_EQ(requests[1], GetHead("/x", host, "b=2; a=1"));
  EXPECT_EQ(requests[2], GetHead("/y", host, "b=2; a=1"));
  EXPECT_NE(requests[3].find("User-Agent: Mozilla/3.0 (compatible; vitrix)\r\nCookie: b=2; a=1\r\n\r\n"),
            std::string::npos);
}

TEST_F(UploadDialogue, TheFirstUploadAgainstAnUnreachableHostSeesNoCode) {
  test::RefusingPort refusing;
  TNetHTTP but;
  const Dialogue dialogue = RunUpload(but, "http://127.0.0.1:" + std::to_string(refusing.Port()) + "/", form_);
  EXPECT_EQ(dialogue.codes, (std::vector<int>{-1, -1, -1}));
  EXPECT_TRUE(dialogue.journal.empty());
}

}  // namespace
}  // namespace vitrix
