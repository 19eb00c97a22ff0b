// The upload through the client's settings against scripted loopback hosts:
// what goes on the wire, the phases reported, the bounded reply text and the
// time limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "http/http_client.h"
#include "net/io_handler_socket.h"
#include "publish/image_address.h"
#include "publish/upload.h"
#include "rtl/exceptions.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"
#include "support/random_bytes.h"
#include "support/temp_dir.h"
#include "support/upload_recorder.h"

namespace vitrix {
namespace {

using test::ClosingReply;
using test::ScriptedHttpServer;
using Status = std::pair<std::string, TColor>;
using Statuses = std::vector<Status>;
using Texts = std::vector<std::string>;

std::string ResultPage(const std::string& address) {
  return "<p>Image H\xE9"
         "berg\xE9"
         "e : <a href=\"" +
         address + "\">" + address + "</a></p>";
}

const Statuses kPhases = {{"Envoi fichier phase 1", clGreen},
                          {"Envoi fichier phase 2", clGreen},
                          {"Envoi fichier phase 3", clGreen},
                          {"Envoi fichier phase 4", clGreen}};

Statuses PhasesThen(const Status& last) {
  Statuses all = kPhases;
  all.push_back(last);
  return all;
}

const Status kDone = {
    "Fichier exp\xE9"
    "di\xE9 avec succ\xE8s",
    clGreen};
const Status kFailed = {"Echec de l'envoi du fichier", clRed};

class UploadTest : public ::testing::Test {
 protected:
  UploadTest() { ConfigureUploadClient(but_); }

  void Upload(const std::string& base) { UploadCapture(but_, base, capture_, recorder_.Hooks()); }

  test::TempDir dir_;
  const std::string jpeg_ = std::string("\xFF\xD8\xFF\xE0", 4) +
                            "JFIF\r\n--\0 donn\xE9"
                            "es\xFF\xD9";
  const std::string capture_ = dir_.WriteFile("3.jpg", jpeg_);
  TNetHTTP but_;
  test::UploadRecorder recorder_;
};

TEST(UploadClientSettings, AreTheMainWindowsOnes) {
  TNetHTTP but;
  but.SetReadTimeout(5);
  but.Request().SetAccept("x");
  but.SetMaxLineAction(TNetMaxLineAction::maSplit);
  ConfigureUploadClient(but);
  EXPECT_EQ(but.HTTPOptions(), static_cast<TNetHTTPOptions>(TNetHTTPOption::hoForceEncodeParams));
  EXPECT_TRUE(but.AllowCookies());
  EXPECT_FALSE(but.HandleRedirects());
  EXPECT_FALSE(but.ProxyParams().BasicAuthentication());
  EXPECT_EQ(but.ProxyParams().ProxyPort(), 0);
  EXPECT_EQ(but.Request().ContentLength(), -1);
  EXPECT_EQ(but.Request().ContentRangeStart(), 0);
  EXPECT_EQ(but.Request().ContentRangeEnd(), 0);
  EXPECT_EQ(but.Request().ContentType(), "text/html");
  EXPECT_EQ(but.Request().Accept(), "text/html, */*");
  EXPECT_FALSE(but.Request().BasicAuthentication());
  EXPECT_EQ(but.Request().UserAgent(), "Mozilla/3.0 (compatible; vitrix)");
  EXPECT_EQ(but.MaxLineAction(), TNetMaxLineAction::maException);
  EXPECT_EQ(but.ReadTimeout(), 30000);
}

TEST_F(UploadTest, PostsTheFileUnderItsOwnNameAndFollowsTwoRedirects) {
  const std::string page = ResultPage("http://h.example/images/ab.jpg");
  ScriptedHttpServer server({{{ClosingReply("302 Found", "Location: traitement.php?image=ab\r\n", "vers 2")}, true},
                             {{ClosingReply("302 Found", "Location: resultat.php?image=ab\r\n", "vers 3")}, true},
                             {{ClosingReply("200 OK", "", page)}, true}});
  Upload(server.BaseURL());

  const Texts requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  const std::string& post = requests[0];
  const size_t body_at = post.find("\r\n\r\n") + 4;
  const std::string body = post.substr(body_at);
  // The part names the file alone: the user's folders stay on this machine.
  EXPECT_NE(body.find("Content-Disposition: form-data; name=\"fichier\"; filename=\"3.jpg\"\r\n"
                      "Content-Type: multipart/form-data\r\n\r\n" +
                      jpeg_ + "\r\n"),
            std::string::npos);
  EXPECT_EQ(body.find(dir_.Path()), std::string::npos);
  EXPECT_EQ(body.size(), 156 + std::string("3.jpg").size() + jpeg_.size());
  EXPECT_EQ(post.rfind("POST /envoyer.php HTTP/1.0\r\n", 0), 0u);
  EXPECT_EQ(requests[1].rfind("GET /traitement.php?image=ab HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(requests[2].rfind("GET /resultat.php?image=ab HTTP/1.1\r\n", 0), 0u);

  EXPECT_EQ(recorder_.statuses, PhasesThen(kDone));
  EXPECT_EQ(recorder_.journal,
            (Texts{server.BaseURL() + "traitement.php?image=ab", server.BaseURL() + "resultat.php?image=ab"}));
  EXPECT_EQ(recorder_.links, (Texts{"[img]http://h.example/images/ab.jpg[/img]"}));
}

TEST_F(UploadTest, AFileThatCannotBeOpenedEndsTheUploadBeforeAnythingIsSent) {
  test::RefusingPort nobody;
  EXPECT_THROW(UploadCapture(but_, "http://127.0.0.1:" + std::to_string(nobody.Port()) + "/",
                             dir_.Path() + "absent.jpg", recorder_.Hooks()),
               EFOpenError);
  EXPECT_EQ(recorder_.statuses, (Statuses{kPhases[0]}));
  EXPECT_TRUE(recorder_.links.empty());
  EXPECT_EQ(but_.ResponseCode(), -1);
}

// The reply bodies of one upload are kept up to 16 MiB: a page of exactly
// that size is read whole, one byte more fails its phase like a broken
// connection, and the upload goes on.
TEST_F(UploadTest, ReplyTextHoldsSixteenMebibytesAndNoMore) {
  const std::string tag_at_end = ResultPage("http://h/1.jpg");
  const std::string full(kMaxReplyText - tag_at_end.size(), ' ');
  {
    ScriptedHttpServer server({{{ClosingReply("302 Found", "Location: a\r\n", "")}, true},
                               {{ClosingReply("302 Found", "Location: b\r\n", "")}, true},
                               {{ClosingReply("200 OK", "", full + tag_at_end)}, true}});
    Upload(server.BaseURL());
    EXPECT_EQ(recorder_.links, (Texts{"[img]http://h/1.jpg[/img]"}));
  }
  recorder_ = {};
  ScriptedHttpServer server({{{ClosingReply("302 Found", "Location: a\r\n", "")}, true},
                             {{ClosingReply("200 OK", "", full + " " + tag_at_end)}, true},
                             {{ClosingReply("200 OK", "", "<p>rien</p>")}, true}});
  Upload(server.BaseURL());
  EXPECT_EQ(server.Requests().size(), 3u);
  EXPECT_EQ(recorder_.journal, (Texts{server.BaseURL() + "a"}));
  EXPECT_EQ(recorder_.statuses.back(), kFailed);
  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
}

// A host that takes the connection and never answers, and one that never
// takes it: the first phase gives up after the client's time limit, and the
// dialogue ends there instead of waiting as long again for each later phase.
TEST_F(UploadTest, SilentHostsEndWithinTheTimeLimitAsAFailure) {
  constexpr int kLimitMs = 200;
  but_.SetReadTimeout(kLimitMs);
  using Clock = std::chrono::steady_clock;
  {
    test::LoopbackServer mute([](test::PeerConnection& peer) { peer.ReceiveUntilClose(); }, 3,
                              std::chrono::milliseconds(2000));
    const auto start = Clock::now();
    Upload("http://127.0.0.1:" + std::to_string(mute.Port()) + "/");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kLimitMs + 1000));
    EXPECT_EQ(mute.Accepted(), 1);
    EXPECT_EQ(recorder_.statuses, PhasesThen(kFailed));
    EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  }
  recorder_ = {};
  test::SilentListener deaf;
  const auto start = Clock::now();
  Upload("http://127.0.0.1:" + std::to_string(deaf.Port()) + "/");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kLimitMs + 1000));
  EXPECT_EQ(recorder_.statuses, PhasesThen(kFailed));
  EXPECT_TRUE(recorder_.journal.empty());
}

// ------------------------------------------------------- the fetch-back check

// A host whose dialogue goes through to a result page naming image_address.
std::vector<test::ScriptedConnection> Dialogue(const std::string& image_address) {
  return {{{ClosingReply("302 Found", "Location: traitement.php?image=ab\r\n", "")}, true},
          {{ClosingReply("302 Found", "Location: resultat.php?image=ab\r\n", "")}, true},
          {{ClosingReply("200 OK", "", ResultPage(image_address))}, true}};
}

TEST_F(UploadTest, FetchBackTakesTheTagWhenTheAddressServesTheFilesBytes) {
  // The images are served from a host of their own, as many services do.
  ScriptedHttpServer images({{{ClosingReply("200 OK", "Content-Type: image/jpeg\r\n", jpeg_)}, true}});
  const std::string address = images.BaseURL() + "images/ab.jpg";
  ScriptedHttpServer host(Dialogue(address));
  EXPECT_TRUE(UploadCapture(but_, host.BaseURL(), capture_, recorder_.Hooks(), TUploadCheck::ucFetchBack));

  const Texts fetched = images.Requests();
  ASSERT_EQ(fetched.size(), 1u);
  EXPECT_EQ(fetched[0].rfind("GET /images/ab.jpg HTTP/1.1\r\n", 0), 0u);
  Statuses expected = kPhases;
  expected.push_back(
      {"V\xE9rification de l'image h\xE9"
       "berg\xE9"
       "e",
       clGreen});
  expected.push_back(kDone);
  EXPECT_EQ(recorder_.statuses, expected);
  EXPECT_EQ(recorder_.links, (Texts{"[img]" + address + "[/img]"}));
  EXPECT_EQ(recorder_.journal.size(), 2u);
}

TEST_F(UploadTest, FetchBackRefusesAnAddressThatDoesNotServeTheFile) {
  const std::string other = jpeg_.substr(0, jpeg_.size() - 1) + "!";
  for (const std::string& served : {
           ClosingReply("200 OK", "", other),                             // other bytes, same size
           ClosingReply("200 OK", "", jpeg_ + jpeg_),                     // more bytes
           ClosingReply("200 OK", "", jpeg_.substr(1)),                   // fewer
           ClosingReply("404 Not Found", "", jpeg_),                      // the file, but refused
           ClosingReply("302 Found", "Location: /ailleurs.jpg\r\n", ""),  // sent elsewhere
       }) {
    recorder_ = {};
    ScriptedHttpServer images({{{served}, true}});
    ScriptedHttpServer host(Dialogue(images.BaseURL() + "images/ab.jpg"));
    EXPECT_FALSE(UploadCapture(but_, host.BaseURL(), capture_, recorder_.Hooks(), TUploadCheck::ucFetchBack)) << served;
    EXPECT_EQ(recorder_.statuses.back(), kFailed);
    EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
    EXPECT_EQ(images.Requests().size(), 1u);
  }
}

// An image address without a port is fetched from the scheme's port, not
// from the port the host's own pages came from: this host, which would serve
// the file's bytes to a fourth request, never gets one.
TEST_F(UploadTest, FetchBackTakesTheSchemesPortForAnAddressWithoutOne) {
  but_.SetReadTimeout(2000);
  std::vector<test::ScriptedConnection> script = Dialogue("http://127.0.0.1/images/ab.jpg");
  script.push_back({{ClosingReply("200 OK", "", jpeg_)}, true});
  ScriptedHttpServer host(script, std::chrono::milliseconds(3000));
  EXPECT_FALSE(UploadCapture(but_, host.BaseURL(), capture_, recorder_.Hooks(), TUploadCheck::ucFetchBack));
  EXPECT_EQ(host.Requests().size(), 3u);
}

// A 200 page that merely holds the marker and an address, with nothing
// stored: the address does not answer with the file.
TEST_F(UploadTest, FetchBackSeesThroughAFakeSuccessPage) {
  test::RefusingPort nothing_there;
  const std::string page = ResultPage("http://127.0.0.1:" + std::to_string(nothing_there.Port()) + "/ab.jpg");
  ScriptedHttpServer host({{{ClosingReply("200 OK", "", page)}, true},
                           {{ClosingReply("200 OK", "", "")}, true},
                           {{ClosingReply("200 OK", "", "")}, true}});
  EXPECT_FALSE(UploadCapture(but_, host.BaseURL(), capture_, recorder_.Hooks(), TUploadCheck::ucFetchBack));
  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  EXPECT_TRUE(recorder_.journal.empty());
  // Without the check the same page gives its tag, as it always did.
  recorder_ = {};
  ScriptedHttpServer again({{{ClosingReply("200 OK", "", page)}, true},
                            {{ClosingReply("200 OK", "", "")}, true},
                            {{ClosingReply("200 OK", "", "")}, true}});
  EXPECT_TRUE(UploadCapture(but_, again.BaseURL(), capture_, recorder_.Hooks(), TUploadCheck::ucTag));
  EXPECT_EQ(again.Requests().size(), 3u);
}

// ------------------------------------------- kept connections the host closed

// The host keeps the connection after its first redirect, then closes it as
// the next request arrives, without a word: the GET is sent again on a fresh
// connection, and the journal has each redirect once.
TEST_F(UploadTest, AGetLostOnAKeptConnectionIsSentAgainOnAFreshOne) {
  std::vector<std::string> requests;
  int connection = 0;
  test::LoopbackServer server(
      [&](test::PeerConnection& peer) {
        size_t offset = 0;
        if (connection++ == 0) {
          requests.push_back(test::ReadRequest(peer, offset));
          peer.Send(test::Reply("302 Found", "Location: a\r\nConnection: keep-alive\r\n", ""));
          requests.push_back(test::ReadRequest(peer, offset));
          peer.Close();
          return;
        }
        requests.push_back(test::ReadRequest(peer, offset));
        peer.Send(test::Reply("302 Found", "Location: b\r\n", ""));
        requests.push_back(test::ReadRequest(peer, offset));
        peer.Send(ClosingReply("200 OK", "", ResultPage("http://h/1.jpg")));
        peer.Close();
      },
      2);
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port()) + "/";
  Upload(base);
  server.Join();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].rfind("POST /envoyer.php HTTP/1.0\r\n", 0), 0u);
  EXPECT_EQ(requests[1].rfind("GET /a HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(requests[2], requests[1]);
  EXPECT_EQ(requests[3].rfind("GET /b HTTP/1.1\r\n", 0), 0u);
  EXPECT_EQ(recorder_.journal, (Texts{base + "a", base + "b"}));
  EXPECT_EQ(recorder_.links, (Texts{"[img]http://h/1.jpg[/img]"}));
  EXPECT_EQ(recorder_.statuses.back(), kDone);
}

// A POST the host may have received is never sent twice, and with no reply
// to it the upload ends: nothing of an earlier upload's replies is followed
// or journalled.
TEST_F(UploadTest, APostLostWithItsConnectionIsNotSentAgainAndEndsTheUpload) {
  {
    ScriptedHttpServer first({{{ClosingReply("302 Found", "Location: a\r\n", "")}, true},
                              {{ClosingReply("302 Found", "Location: b\r\n", "")}, true},
                              {{ClosingReply("200 OK", "", ResultPage("http://h/1.jpg"))}, true}});
    Upload(first.BaseURL());
    ASSERT_EQ(recorder_.journal.size(), 2u);
  }
  recorder_ = {};
  test::LoopbackServer server(
      [](test::PeerConnection& peer) {
        size_t offset = 0;
        test::ReadRequest(peer, offset);
        peer.Close();
      },
      3, std::chrono::milliseconds(1500));
  Upload("http://127.0.0.1:" + std::to_string(server.Port()) + "/");
  const std::string received = server.Received();
  EXPECT_EQ(received.rfind("POST /envoyer.php HTTP/1.0\r\n", 0), 0u);
  EXPECT_EQ(received.find("POST ", 1), std::string::npos);
  EXPECT_EQ(received.find("GET "), std::string::npos);
  EXPECT_EQ(server.Accepted(), 1);
  EXPECT_TRUE(recorder_.journal.empty());
  EXPECT_EQ(recorder_.statuses, PhasesThen(kFailed));
  EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
}

// ------------------------------------------------------ the low-speed limit

// The program's limits a hundred times faster: spans of 300 ms in which at
// least 300 bytes must move, a head whole within 300 ms; each wait alone
// could last 5 s.
class UploadSpeedTest : public UploadTest {
 protected:
  UploadSpeedTest() {
    but_.SetReadTimeout(5000);
    but_.SetReplyHeadTimeout(300);
    but_.SetLowSpeedLimit(1000, 300);
  }
  using Clock = std::chrono::steady_clock;
};

TEST_F(UploadSpeedTest, ADripHostFailsTheUploadByTheLimit) {
  // One byte every 20 ms: of the head, then of a body that says it is long.
  const auto drip = [](test::PeerConnection& peer, const std::string& bytes) {
    for (const char c : bytes) {
      if (!peer.Send(std::string(1, c))) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  };
  for (const bool in_body : {false, true}) {
    recorder_ = {};
    test::LoopbackServer server(
        [&](test::PeerConnection& peer) {
          size_t offset = 0;
          test::ReadRequest(peer, offset);
          if (in_body) peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
          drip(peer,
               in_body ? std::string(400, 'x') : "HTTP/1.1 302 Found\r\nLocation: a\r\n\r\n" + std::string(300, ' '));
        },
        3, std::chrono::seconds(30));
    const auto start = Clock::now();
    Upload("http://127.0.0.1:" + std::to_string(server.Port()) + "/");
    // About 300 ms, where each byte alone would have kept the phase going
    // for 8 s; the phases after it send nothing.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300 + 1500)) << in_body;
    EXPECT_EQ(recorder_.statuses.back(), kFailed);
    EXPECT_TRUE(recorder_.journal.empty());
  }
}

// A slow uplink: each send takes at most 1,000 bytes, 10 ms after the one
// before (100 kB/s, a hundred times the limit). A host reading slowly would
// not do: the system's own flow control then moves bytes in bursts far apart.
class SlowUplink final : public TNetIOHandlerSocket {
 public:
  int64_t Send(const void* buffer, int64_t count, int timeout_ms, int& error) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return TNetIOHandlerSocket::Send(buffer, std::min<int64_t>(count, 1000), timeout_ms, error);
  }
};

// The file takes ten spans and more, and goes through.
TEST_F(UploadSpeedTest, ASlowButSteadyUploadGoesThrough) {
  const std::string big = test::RandomBytes(300'000, 11);
  const std::string path = dir_.WriteFile("gros.jpg", big);
  SlowUplink uplink;
  but_.SetIOHandler(&uplink);
  ScriptedHttpServer server({{{ClosingReply("200 OK", "", ResultPage("http://h/gros.jpg"))}, true},
                             {{ClosingReply("200 OK", "", "")}, true},
                             {{ClosingReply("200 OK", "", "")}, true}},
                            std::chrono::seconds(60));
  const auto start = Clock::now();
  UploadCapture(but_, server.BaseURL(), path, recorder_.Hooks());
  EXPECT_GT(Clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(recorder_.links, (Texts{"[img]http://h/gros.jpg[/img]"}));
  const Texts requests = server.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_NE(requests[0].find(big), std::string::npos);
  but_.SetIOHandler(nullptr);
}

}  // namespace
}  // namespace vitrix
