// The upload through the client's settings against scripted loopback hosts:
// what goes on the wire, the phases reported, the bounded reply text and the
// time limit.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "http/http_client.h"
#include "publish/image_address.h"
#include "publish/upload.h"
#include "rtl/exceptions.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"
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
  return "<p>Image H\xE9" "berg\xE9" "e : <a href=\"" + address + "\">" + address + "</a></p>";
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

const Status kDone = {"Fichier exp\xE9" "di\xE9 avec succ\xE8s", clGreen};
const Status kFailed = {"Echec de l'envoi du fichier", clRed};

class UploadTest : public ::testing::Test {
 protected:
  UploadTest() { ConfigureUploadClient(but_); }

  void Upload(const std::string& base) { UploadCapture(but_, base, capture_, recorder_.Hooks()); }

  test::TempDir dir_;
  const std::string jpeg_ = std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF\r\n--\0 donn\xE9" "es\xFF\xD9";
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
                      "Content-Type: multipart/form-data\r\n\r\n" + jpeg_ + "\r\n"),
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
// takes it: each phase gives up after the client's time limit.
TEST_F(UploadTest, SilentHostsEndWithinTheTimeLimitAsAFailure) {
  constexpr int kLimitMs = 200;
  but_.SetReadTimeout(kLimitMs);
  using Clock = std::chrono::steady_clock;
  {
    test::LoopbackServer mute([](test::PeerConnection& peer) { peer.ReceiveUntilClose(); }, 3);
    const auto start = Clock::now();
    Upload("http://127.0.0.1:" + std::to_string(mute.Port()) + "/");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3 * kLimitMs + 1500));
    EXPECT_EQ(mute.Accepted(), 3);
    EXPECT_EQ(recorder_.statuses, PhasesThen(kFailed));
    EXPECT_EQ(recorder_.links, (Texts{kNoImageAddress}));
  }
  recorder_ = {};
  test::SilentListener deaf;
  const auto start = Clock::now();
  Upload("http://127.0.0.1:" + std::to_string(deaf.Port()) + "/");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3 * kLimitMs + 1500));
  EXPECT_EQ(recorder_.statuses, PhasesThen(kFailed));
  EXPECT_TRUE(recorder_.journal.empty());
}

}  // namespace
}  // namespace vitrix
