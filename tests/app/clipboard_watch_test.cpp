// The watch tick with a scripted Print Screen key and an in-memory clipboard:
// which presses make a capture, how it is shown, which action runs on it, and
// that the watch survives a tick that fails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/main_window.h"
#include "controls/canvas_button.h"
#include "controls/memo.h"
#include "controls/radio_group.h"
#include "controls/status_bar.h"
#include "controls/timer.h"
#include "controls/up_down.h"
#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "picture/clipboard.h"
#include "picture/picture.h"
#include "platform/testing/scripted_clipboard_device.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_documents_folder.h"
#include "platform/testing/scripted_print_screen.h"
#include "platform/testing/scripted_text_clipboard.h"
#include "rtl/files.h"
#include "support/http_test_peer.h"
#include "support/pixels.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "test_desktop.h"

namespace vitrix {
namespace {

// Scripted message boxes that also note, when an error box opens, whether the
// watch timer runs and whether the clipboard is still held at that moment.
class TErrorWitnessDialogs final : public IDialogs {
 public:
  TErrorWitnessDialogs(TScriptedDialogs& boxes, std::function<void()> witness)
      : boxes_(boxes), witness_(std::move(witness)) {}
  TModalResult MessageBox(const TMessageRequest& request) override { return boxes_.MessageBox(request); }
  void ShowError(const std::string& message) override {
    witness_();
    boxes_.ShowError(message);
  }

 private:
  TScriptedDialogs& boxes_;
  std::function<void()> witness_;
};

// The three windows over a work folder in a temporary home, with the key, the
// clipboard and the message boxes scripted. The watch is on.
class ClipboardWatchTest : public ::testing::Test {
 protected:
  ClipboardWatchTest() {
    Form1 = &form1_;
    Form2 = &form2_;
    Form3 = &form3_;
    form1_.Bout1Click(form1_.Bout1);
    desktop_.dialogs.Clear();
    WatchForEditors();
  }
  ~ClipboardWatchTest() override {
    // A tick is never left with the clipboard held.
    EXPECT_EQ(SharedClipboard().OpenCount(), 0);
    EXPECT_FALSE(clipboard_.IsOpen());
  }

  void OfferBitmap(const QImage& image) { clipboard_.Add(CF_BITMAP, image); }
  std::string WorkFolder() const { return form1_.dossiertravail; }
  TGraphic* Capture() { return form2_.Image1->Picture().Graphic(); }
  // The messages shown so far, boxes and errors alike, in order.
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : desktop_.dialogs.Shown()) texts.push_back(shown.Request.Text);
    return texts;
  }
  // Runs one tick; each editor that opens meanwhile is closed at once.
  void TickClosingTheEditor() {
    close_editors_ = true;
    form1_.UtilisationGetKeyState();
  }
  // While close_editors_ is set, an editor on show is counted, handed to
  // on_editor_ and closed.
  void WatchForEditors() {
    QObject::connect(&editor_closer_, &QTimer::timeout, [this] {
      auto* editor = dynamic_cast<TForm2*>(QApplication::activeModalWidget());
      if (!close_editors_ || editor == nullptr || !editor->isVisible()) return;
      ++editor_shown_;
      if (on_editor_) on_editor_();
      editor->close();
    });
    editor_closer_.start(5);
  }

  test::TestDesktop desktop_;
  TScriptedPrintScreen key_;
  TScopedPlatform<IPrintScreen> use_key_{key_};
  TScriptedClipboardDevice clipboard_;
  TScopedPlatform<IClipboardDevice> use_clipboard_{clipboard_};
  TForm1 form1_;
  TForm2 form2_;
  TForm3 form3_;
  QTimer editor_closer_;
  bool close_editors_ = false;
  std::function<void()> on_editor_;
  int editor_shown_ = 0;
};

TEST_F(ClipboardWatchTest, KeyUpNeitherOpensTheClipboardNorShowsAnything) {
  OfferBitmap(test::DistinctImage(40, 30));
  TGraphic* before = Capture();
  form1_.UtilisationGetKeyState();
  EXPECT_EQ(key_.KeyChecks(), 1);
  EXPECT_EQ(clipboard_.OpenCalls(), 0);
  EXPECT_EQ(Capture(), before);
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
  EXPECT_TRUE(form1_.Timer1->Enabled());
}

TEST_F(ClipboardWatchTest, KeyDownWithOnlyTextShowsNothingAndTheNextTickTriesAgain) {
  constexpr uint32_t kText = 1;
  clipboard_.Add(kText);
  key_.SetDown(true);
  TickClosingTheEditor();
  EXPECT_EQ(editor_shown_, 0);
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
  EXPECT_EQ(clipboard_.OpenCalls(), 1);
  EXPECT_EQ(clipboard_.CloseCalls(), 1);
  EXPECT_TRUE(form1_.Timer1->Enabled());

  // The key is still down when the picture arrives.
  OfferBitmap(test::DistinctImage(40, 30));
  TickClosingTheEditor();
  EXPECT_EQ(editor_shown_, 1);
  ASSERT_NE(dynamic_cast<TBitmap*>(Capture()), nullptr);
  test::ExpectPixels(dynamic_cast<TBitmap&>(*Capture()), test::DistinctColor);
}

TEST_F(ClipboardWatchTest, APressShowsTheCaptureThroughTheTimerAndTheWatchGoesOn) {
  OfferBitmap(test::DistinctImage(40, 30));
  key_.Press();
  close_editors_ = true;
  // No tick runs while the capture is being worked on.
  bool timer_on_in_editor = true;
  on_editor_ = [&] { timer_on_in_editor = form1_.Timer1->Enabled(); };
  QElapsedTimer clock;
  clock.start();
  while (editor_shown_ == 0 && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  EXPECT_EQ(editor_shown_, 1);
  EXPECT_FALSE(timer_on_in_editor);
  EXPECT_EQ(Capture()->Width(), 40);
  EXPECT_TRUE(form1_.Timer1->Enabled());
  // The press was reported once: later ticks show nothing more.
  const int checks = key_.KeyChecks();
  while (key_.KeyChecks() < checks + 3 && clock.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  EXPECT_EQ(editor_shown_, 1);
}

TEST_F(ClipboardWatchTest, AnsweringNoSkipsTheEditorButTheActionRunsOnTheCaptureAsItCame) {
  form1_.prevauto->setChecked(false);
  form1_.cg->SetItemIndex(1);
  OfferBitmap(test::DistinctImage(40, 30));
  key_.Press();
  desktop_.dialogs.Script({mrNo});
  TickClosingTheEditor();
  EXPECT_EQ(editor_shown_, 0);
  ASSERT_FALSE(desktop_.dialogs.Shown().empty());
  const TMessageRequest& question = desktop_.dialogs.Shown()[0].Request;
  EXPECT_EQ(question.Text, "Voulez vous voir l'image contenue dans le presse papier");
  EXPECT_EQ(question.Caption, "Image du presse papier");
  EXPECT_EQ(question.Buttons, TMsgButtons::mbYesNo);
  EXPECT_EQ(Messages(), (std::vector<std::string>{question.Text,
                                                   "Image Sauvegard\xE9" "e sous le nom " + WorkFolder() + "1.jpg"}));
  const QImage saved(QString::fromStdString(WorkFolder() + "1.jpg"), "JPEG");
  EXPECT_EQ(saved.size(), QSize(40, 30));
}

TEST_F(ClipboardWatchTest, AnsweringYesShowsTheEditor) {
  form1_.prevauto->setChecked(false);
  OfferBitmap(test::DistinctImage(40, 30));
  key_.Press();
  desktop_.dialogs.Script({mrYes});
  TickClosingTheEditor();
  EXPECT_EQ(editor_shown_, 1);
}

TEST_F(ClipboardWatchTest, ActionNoneOnlyShowsTheCapture) {
  OfferBitmap(test::DistinctImage(40, 30));
  key_.Press();
  TickClosingTheEditor();
  EXPECT_EQ(editor_shown_, 1);
  // The editor's own help text is the only message; no file is written.
  EXPECT_EQ(Messages(), std::vector<std::string>{kEditorHelpText});
  EXPECT_FALSE(FileExists(WorkFolder() + "1.jpg"));
}

TEST_F(ClipboardWatchTest, AMinimisedMainWindowIsRestoredBeforeTheEditorShows) {
  form1_.show();
  form1_.cjpg->SetPosition(60);
  form1_.showMinimized();
  ASSERT_TRUE(form1_.isMinimized());
  OfferBitmap(test::DistinctImage(40, 30));
  key_.Press();
  bool minimised_under_editor = true;
  on_editor_ = [&] { minimised_under_editor = form1_.isMinimized(); };
  TickClosingTheEditor();
  EXPECT_EQ(editor_shown_, 1);
  EXPECT_FALSE(minimised_under_editor);
  EXPECT_TRUE(form1_.isVisible());
  // Coming back is not a new showing: the quality the user chose stays.
  EXPECT_EQ(form1_.cjpg->Position(), 60);
}

TEST_F(ClipboardWatchTest, AVectorPictureListedFirstStillGivesTheEditorTheBitmap) {
  TClipboardMetafile drawing;
  drawing.MimeType = "image/svg+xml";
  drawing.Bytes = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'/>";
  drawing.Right = drawing.Bottom = 10;
  clipboard_.Add(CF_ENHMETAFILE, drawing);
  OfferBitmap(test::DistinctImage(40, 30));
  form1_.cg->SetItemIndex(1);
  key_.Press();
  TickClosingTheEditor();
  auto* capture = dynamic_cast<TBitmap*>(Capture());
  ASSERT_NE(capture, nullptr);
  test::ExpectPixels(*capture, test::DistinctColor);
  EXPECT_EQ(QImage(QString::fromStdString(WorkFolder() + "1.jpg"), "JPEG").size(), QSize(40, 30));
}

// The upload actions against a scripted host: what happens to the saved file
// depends on the action and on whether a forum tag came back.
struct TUploadCase {
  const char* Name;
  int Action;
  bool Hosted;      // the host's last page names the image
  bool FileKept;    // 1.jpg is still there afterwards
};

void PrintTo(const TUploadCase& upload, std::ostream* out) { *out << upload.Name; }

class ClipboardWatchUploadTest : public ClipboardWatchTest, public ::testing::WithParamInterface<TUploadCase> {};

TEST_P(ClipboardWatchUploadTest, TheSavedFileGoesOnlyWhenUploadOnlyGaveATag) {
  const TUploadCase& upload = GetParam();
  const std::string page = upload.Hosted
                               ? "<p>Image H\xE9" "berg\xE9" "e : <a href=\"http://h/images/a1.jpg\">ici</a></p>"
                               : "<p class=\"gras\">ERREUR : le fichier est trop volumineux.</p>";
  test::ScriptedHttpServer host(
      {{{test::ClosingReply("302 Found", "Location: traitement.php?image=a1\r\n", "")}, true},
       {{test::ClosingReply("302 Found", "Location: resultat.php?image=a1\r\n", "")}, true},
       {{test::ClosingReply("200 OK", "", page)}, true}});
  test::ScopedEnv service("VITRIX_SERVICE_URL", host.BaseURL());
  form1_.cg->SetItemIndex(upload.Action);
  OfferBitmap(test::DistinctImage(40, 30));
  key_.Press();
  TickClosingTheEditor();

  const std::string saved = WorkFolder() + "1.jpg";
  EXPECT_EQ(form1_.Pipeline().nomimage, saved);
  EXPECT_EQ(host.Requests().size(), 3u);
  EXPECT_EQ(form1_.affurl->Text(), upload.Hosted ? "[img]http://h/images/a1.jpg[/img]\r\n"
                                                  : "Pas d'url image trouv\xE9" "e\r\n");
  EXPECT_EQ(FileExists(saved), upload.FileKept);
  std::vector<std::string> expected{kEditorHelpText, "Image Sauvegard\xE9" "e sous le nom " + saved};
  if (upload.Action == 3 && !upload.Hosted) {
    expected.push_back("L'image n'a pas pu \xEAtre h\xE9" "berg\xE9" "e ; elle reste enregistr\xE9" "e sous le nom " +
                       saved);
  }
  EXPECT_EQ(Messages(), expected);
  EXPECT_TRUE(form1_.Timer1->Enabled());
}

INSTANTIATE_TEST_SUITE_P(Uploads, ClipboardWatchUploadTest,
                         ::testing::Values(TUploadCase{"SaveAndUploadKeepsTheFile", 2, true, true},
                                           TUploadCase{"UploadOnlyDeletesTheHostedFile", 3, true, false},
                                           TUploadCase{"UploadOnlyKeepsAFileTheHostRefused", 3, false, true}),
                         [](const ::testing::TestParamInfo<TUploadCase>& info) { return std::string(info.param.Name); });

// Each way a tick can fail: the error is shown once the clipboard is released
// and while the timer is off, and the watch runs again afterwards.
struct TFailingTick {
  const char* Name;
  std::function<void(ClipboardWatchTest&, TScriptedClipboardDevice&, TForm1&)> Arrange;
  std::string ErrorStart;
};

void PrintTo(const TFailingTick& tick, std::ostream* out) { *out << tick.Name; }

class ClipboardWatchFailureTest : public ClipboardWatchTest,
                                  public ::testing::WithParamInterface<TFailingTick> {};

TEST_P(ClipboardWatchFailureTest, ATickThatRaisesShowsTheErrorAndLeavesTheWatchRunning) {
  bool timer_on_in_box = true;
  bool clipboard_held_in_box = true;
  TErrorWitnessDialogs witness(desktop_.dialogs, [&] {
    timer_on_in_box = form1_.Timer1->Enabled();
    clipboard_held_in_box = clipboard_.IsOpen() || SharedClipboard().OpenCount() != 0;
  });
  TScopedPlatform<IDialogs> use_witness(witness);
  key_.Press();
  GetParam().Arrange(*this, clipboard_, form1_);
  TickClosingTheEditor();
  ASSERT_EQ(desktop_.dialogs.Errors().size(), 1u);
  EXPECT_EQ(desktop_.dialogs.Errors()[0].substr(0, GetParam().ErrorStart.size()), GetParam().ErrorStart);
  EXPECT_FALSE(timer_on_in_box);
  EXPECT_FALSE(clipboard_held_in_box);
  EXPECT_TRUE(form1_.Timer1->Enabled());
  EXPECT_TRUE(key_.Started());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ClipboardWatchFailureTest,
    ::testing::Values(
        TFailingTick{"ClipboardCannotBeOpened",
                     [](ClipboardWatchTest&, TScriptedClipboardDevice& clipboard, TForm1&) {
                       clipboard.Add(CF_BITMAP, test::DistinctImage(40, 30));
                       clipboard.SetOpenFails(true);
                     },
                     "Impossible d'ouvrir le Presse-papiers"},
        TFailingTick{"BitmapListedWithoutData",
                     [](ClipboardWatchTest&, TScriptedClipboardDevice& clipboard, TForm1&) {
                       clipboard.Add(CF_BITMAP);
                     },
                     "Format de Presse-papiers non support\xE9"},
        TFailingTick{"SaveCannotCreateTheFile",
                     [](ClipboardWatchTest&, TScriptedClipboardDevice& clipboard, TForm1& form) {
                       clipboard.Add(CF_BITMAP, test::DistinctImage(40, 30));
                       form.cg->SetItemIndex(1);
                       form.dossiertravail += "absent/";
                     },
                     "Impossible de cr\xE9" "er le fichier \""}),
    [](const ::testing::TestParamInfo<TFailingTick>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace vitrix
