// The main window's upload against scripted loopback hosts: the links box,
// the clipboard, the status line and the journal after each kind of dialogue.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "controls/memo.h"
#include "controls/status_bar.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_documents_folder.h"
#include "platform/testing/scripted_text_clipboard.h"
#include "support/http_test_peer.h"
#include "support/loopback_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "test_desktop.h"

namespace vitrix {
namespace {

using test::ClosingReply;
using test::ScriptedHttpServer;
using Texts = std::vector<std::string>;

const std::string kNotFound =
    "Pas d'url image trouv\xE9"
    "e";
const std::string kDone =
    "Fichier exp\xE9"
    "di\xE9 avec succ\xE8s";
const std::string kFailed = "Echec de l'envoi du fichier";

std::string Page(const std::string& address) {
  return "<html><p>Image H\xE9"
         "berg\xE9"
         "e : <a href=\"" +
         address + "\">ici</a></p></html>";
}

std::string Redirect(const std::string& location) {
  return ClosingReply("302 Found", "Location: " + location + "\r\n", "<p>Redirection</p>");
}

// The request line of a request the host received.
std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// A main window over a temporary work folder, with scripted dialogs and
// clipboard, and a saved capture 1.jpg to upload.
class PosterTest : public ::testing::Test {
 protected:
  PosterTest() {
    std::string& nomimage = form_.Pipeline().nomimage;
    nomimage = form_.dossiertravail + "1.jpg";
    std::filesystem::copy_file(desktop_.home.WriteFile("capture.jpg", "\xFF\xD8\xFF\xE0 capture \xFF\xD9"), nomimage);
  }

  // Uploads to the host at base (the environment variable names it, as it
  // would for a self-hosted service).
  void PostTo(const std::string& base) {
    test::ScopedEnv service("VITRIX_SERVICE_URL", base);
    form_.poster();
  }
  static std::string Base(int port) { return "http://127.0.0.1:" + std::to_string(port) + "/"; }

  // The journal's lines after the start line.
  Texts JournalAfterStart() const {
    const std::string text = test::ReadWholeFile(form_.dossiertravail + "vitrix.log");
    Texts lines;
    for (size_t at = text.find("\r\n") + 2; at < text.size();) {
      const size_t end = text.find("\r\n", at);
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    return lines;
  }

  std::string Status() const { return form_.Statusb->PanelText(0); }

  test::TestDesktop desktop_;
  TForm1 form_;
};

TEST_F(PosterTest, TwoRedirectsThenTheResultPageGiveTheTagAndTwoJournalLines) {
  ScriptedHttpServer host({{{Redirect("traitement.php?image=a1")}, true},
                           {{Redirect("resultat.php?image=a1")}, true},
                           {{ClosingReply("200 OK", "", Page("http://h.example/images/a1.jpg"))}, true}});
  PostTo(host.BaseURL());
  EXPECT_EQ(form_.affurl->Text(), "[img]http://h.example/images/a1.jpg[/img]\r\n");
  EXPECT_EQ(desktop_.clipboard.Texts(), (Texts{form_.affurl->Text()}));
  EXPECT_EQ(Status(), kDone);
  EXPECT_EQ(form_.Statusb->FontColor(), clGreen);
  EXPECT_EQ(JournalAfterStart(),
            (Texts{host.BaseURL() + "traitement.php?image=a1", host.BaseURL() + "resultat.php?image=a1"}));
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

TEST_F(PosterTest, AJournalThatCannotBeWrittenIsReportedAndTheTagStillComes) {
  form_.journal.Close();
  ScriptedHttpServer host({{{Redirect("traitement.php?image=a1")}, true},
                           {{Redirect("resultat.php?image=a1")}, true},
                           {{ClosingReply("200 OK", "", Page("http://h.example/images/a1.jpg"))}, true}});
  PostTo(host.BaseURL());
  EXPECT_EQ(form_.affurl->Text(), "[img]http://h.example/images/a1.jpg[/img]\r\n");
  EXPECT_EQ(Status(), kDone);
  EXPECT_EQ(desktop_.dialogs.Errors(), (Texts{"Fichier non ouvert", "Fichier non ouvert"}));
}

TEST_F(PosterTest, WithoutLocationBothGetsAskForTheBaseAndTheBodiesFollowEachOther) {
  // The tag only exists once the three bodies are put end to end.
  ScriptedHttpServer host({{{ClosingReply("200 OK", "",
                                          "<p>Image H\xE9"
                                          "berg\xE9"
                                          "e : ")},
                            true},
                           {{ClosingReply("200 OK", "", "<a href=\"http://h/")}, true},
                           {{ClosingReply("200 OK", "", "2.jpg\">")}, true}});
  PostTo(host.BaseURL());
  const Texts requests = host.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(RequestLine(requests[1]), "GET / HTTP/1.1");
  EXPECT_EQ(RequestLine(requests[2]), "GET / HTTP/1.1");
  EXPECT_EQ(form_.affurl->Text(), "[img]http://h/2.jpg[/img]\r\n");
  EXPECT_EQ(Status(), kDone);
  EXPECT_TRUE(JournalAfterStart().empty());
}

TEST_F(PosterTest, ASuccessCarryingALocationIsFollowedWithoutItsBodyOrAJournalLine) {
  ScriptedHttpServer host({{{ClosingReply("200 OK", "Location: suite.php\r\n", Page("http://h/jete-1.jpg"))}, true},
                           {{ClosingReply("200 OK", "Location: fin.php\r\n", Page("http://h/jete-2.jpg"))}, true},
                           {{ClosingReply("200 OK", "",
                                          "<p>Image H\xE9"
                                          "berg\xE9"
                                          "e : \"http://h/garde.jpg\"</p>")},
                            true}});
  PostTo(host.BaseURL());
  const Texts requests = host.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(RequestLine(requests[1]), "GET /suite.php HTTP/1.1");
  EXPECT_EQ(RequestLine(requests[2]), "GET /fin.php HTTP/1.1");
  EXPECT_EQ(form_.affurl->Text(), "[img]http://h/garde.jpg[/img]\r\n");
  EXPECT_TRUE(JournalAfterStart().empty());
}

TEST_F(PosterTest, ARefusalPageIsAFailureEvenWithAnAddressInIt) {
  ScriptedHttpServer host(
      {{{ClosingReply("200 OK", "",
                      "<p class=\"gras\">ERREUR : le fichier n'est pas une image JPEG.</p>" + Page("http://h/1.jpg"))},
        true},
       {{ClosingReply("404 Not Found", "", "<p class=\"gras\">ERREUR : introuvable</p>")}, true},
       {{ClosingReply("404 Not Found", "", "")}, true}});
  PostTo(host.BaseURL());
  EXPECT_EQ(form_.affurl->Text(), kNotFound + "\r\n");
  EXPECT_EQ(desktop_.clipboard.Texts(), (Texts{kNotFound + "\r\n"}));
  EXPECT_EQ(Status(), kFailed);
  EXPECT_EQ(form_.Statusb->FontColor(), clRed);
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

TEST_F(PosterTest, AnUnreachableHostAtTheFirstUploadFailsQuietly) {
  test::RefusingPort nobody;
  PostTo(Base(nobody.Port()));
  EXPECT_EQ(form_.but.ResponseCode(), -1);
  EXPECT_EQ(form_.affurl->Text(), kNotFound + "\r\n");
  EXPECT_EQ(desktop_.clipboard.Texts(), (Texts{kNotFound + "\r\n"}));
  EXPECT_EQ(Status(), kFailed);
  EXPECT_TRUE(JournalAfterStart().empty());
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

TEST_F(PosterTest, TwoUploadsGiveTwoLinesInTheBoxAndOnTheClipboard) {
  ScriptedHttpServer host({{{Redirect("r?1")}, true},
                           {{Redirect("s?1")}, true},
                           {{ClosingReply("200 OK", "", Page("http://h/1.jpg"))}, true},
                           {{Redirect("r?2")}, true},
                           {{Redirect("s?2")}, true},
                           {{ClosingReply("200 OK", "", Page("http://h/2.jpg"))}, true}});
  PostTo(host.BaseURL());
  PostTo(host.BaseURL());
  const std::string both = "[img]http://h/1.jpg[/img]\r\n[img]http://h/2.jpg[/img]\r\n";
  EXPECT_EQ(form_.affurl->Text(), both);
  EXPECT_EQ(desktop_.clipboard.Texts(), (Texts{"[img]http://h/1.jpg[/img]\r\n", both}));
  const std::string b = host.BaseURL();
  EXPECT_EQ(JournalAfterStart(), (Texts{b + "r?1", b + "s?1", b + "r?2", b + "s?2"}));
}

// A request that fails before any reply leaves the last reply in the client:
// each phase of an upload to a host that went away sees the 302 that ended
// the upload before, and asks for that reply's Location again.
// The client keeps the last reply it read, but a request that got none
// follows and journals nothing of it: the redirects are journalled once.
TEST_F(PosterTest, AHostGoneAtALaterUploadLeavesTheLastReplyInPlaceButUnused) {
  std::optional<ScriptedHttpServer> host(
      std::vector<test::ScriptedConnection>{{{Redirect("a")}, true}, {{Redirect("b")}, true}, {{Redirect("c")}, true}});
  const std::string b = host->BaseURL();
  PostTo(b);
  EXPECT_EQ(host->Requests().size(), 3u);
  host.reset();  // the port now refuses connections

  PostTo(b);
  EXPECT_EQ(form_.but.ResponseCode(), 302);
  EXPECT_EQ(JournalAfterStart(), (Texts{b + "a", b + "b", b + "c"}));
  EXPECT_EQ(form_.affurl->Text(), kNotFound + "\r\n" + kNotFound + "\r\n");
  EXPECT_EQ(Status(), kFailed);
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

}  // namespace
}  // namespace vitrix
