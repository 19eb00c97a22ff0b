// The watch in the real main window: its timer's tick reaches the capture
// pipeline with the window's own settings, the editor's picture and the work
// folder. What the pipeline does with each action and answer is in
// capture_pipeline_test.cpp; here no editor opens (the preview question is
// answered No by the scripted message boxes).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "controls/canvas_button.h"
#include "controls/radio_group.h"
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
#include "platform/testing/scripted_print_screen.h"
#include "publish/jpeg_export.h"
#include "rtl/files.h"
#include "support/pixels.h"
#include "support/temp_dir.h"
#include "test_desktop.h"

namespace vitrix {
namespace {

using Texts = std::vector<std::string>;

// Scripted message boxes that also note whether the watch timer runs when a
// box opens.
class TTimerWitnessDialogs final : public IDialogs {
 public:
  TTimerWitnessDialogs(TScriptedDialogs& boxes, std::function<void()> witness)
      : boxes_(boxes), witness_(std::move(witness)) {}
  TModalResult MessageBox(const TMessageRequest& request) override {
    witness_();
    return boxes_.MessageBox(request);
  }
  void ShowError(const std::string& message) override {
    witness_();
    boxes_.ShowError(message);
  }

 private:
  TScriptedDialogs& boxes_;
  std::function<void()> witness_;
};

// The three windows over a work folder in a temporary home, with the key, the
// clipboard and the message boxes scripted. The watch is on; a capture is
// looked at only after a question, which is answered No.
class ClipboardWatchTest : public ::testing::Test {
 protected:
  ClipboardWatchTest() {
    Form1 = &form1_;
    Form2 = &form2_;
    Form3 = &form3_;
    form1_.Bout1Click(form1_.Bout1);
    form1_.prevauto->setChecked(false);
    desktop_.dialogs.Clear();
  }
  ~ClipboardWatchTest() override {
    EXPECT_EQ(SharedClipboard().OpenCount(), 0);
    EXPECT_FALSE(clipboard_.IsOpen());
    EXPECT_TRUE(form1_.Timer1->Enabled());
    Form1 = nullptr;
    Form2 = nullptr;
    Form3 = nullptr;
  }

  std::string WorkFolder() const { return form1_.dossiertravail; }
  Texts Messages() const {
    Texts texts;
    for (const auto& shown : desktop_.dialogs.Shown()) texts.push_back(shown.Request.Text);
    return texts;
  }
  // Runs the event loop until count boxes were shown, for five seconds at most.
  void WaitForMessages(size_t count) {
    QElapsedTimer clock;
    clock.start();
    while (desktop_.dialogs.Shown().size() < count && clock.elapsed() < 5000) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
  }

  test::TestDesktop desktop_;
  bool timer_on_in_box_ = false;
  TTimerWitnessDialogs witness_{desktop_.dialogs, [this] { timer_on_in_box_ |= form1_.Timer1->Enabled(); }};
  TScopedPlatform<IDialogs> use_witness_{witness_};
  TScriptedPrintScreen key_;
  TScopedPlatform<IPrintScreen> use_key_{key_};
  TScriptedClipboardDevice clipboard_;
  TScopedPlatform<IClipboardDevice> use_clipboard_{clipboard_};
  TForm1 form1_;
  TForm2 form2_;
  TForm3 form3_;
};

TEST_F(ClipboardWatchTest, ATimerTickTakesAPressedCaptureIntoTheEditorAndSavesItAtTheWindowsQuality) {
  form1_.cg->SetItemIndex(1);
  form1_.cjpg->SetPosition(40);
  clipboard_.Add(CF_BITMAP, test::DistinctImage(40, 30));
  desktop_.dialogs.Script({mrNo});
  key_.Press();
  WaitForMessages(2);

  const std::string saved = WorkFolder() + "1.jpg";
  EXPECT_EQ(Messages(), (Texts{"Voulez vous voir l'image contenue dans le presse papier",
                               "Image Sauvegard\xE9"
                               "e sous le nom " +
                                   saved}));
  EXPECT_EQ(desktop_.dialogs.Shown()[0].Request.Caption, "Image du presse papier");
  EXPECT_EQ(desktop_.dialogs.Shown()[0].Request.Buttons, TMsgButtons::mbYesNo);
  EXPECT_FALSE(timer_on_in_box_);
  EXPECT_EQ(form1_.Pipeline().nomimage, saved);
  auto* capture = dynamic_cast<TBitmap*>(form2_.Image1->Picture().Graphic());
  ASSERT_NE(capture, nullptr);
  test::ExpectPixels(*capture, test::DistinctColor);
  const std::string expected = desktop_.home.Path() + "expected.jpg";
  SaveCaptureAsJpeg(form2_.Image1->Picture(), 40, expected);
  EXPECT_EQ(test::ReadWholeFile(saved), test::ReadWholeFile(expected));

  // The press was reported once: later ticks show nothing more.
  const int checks = key_.KeyChecks();
  QElapsedTimer clock;
  clock.start();
  while (key_.KeyChecks() < checks + 3 && clock.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  EXPECT_GE(key_.KeyChecks(), checks + 3);
  EXPECT_EQ(desktop_.dialogs.Shown().size(), 2u);
}

TEST_F(ClipboardWatchTest, AMinimisedMainWindowComesBackWithTheQualityTheUserChose) {
  form1_.show();
  form1_.cjpg->SetPosition(60);
  form1_.showMinimized();
  ASSERT_TRUE(form1_.isMinimized());
  clipboard_.Add(CF_BITMAP, test::DistinctImage(40, 30));
  desktop_.dialogs.Script({mrNo});
  key_.Press();
  form1_.UtilisationGetKeyState();
  EXPECT_FALSE(form1_.isMinimized());
  EXPECT_TRUE(form1_.isVisible());
  // Coming back is not a new showing: the quality stays.
  EXPECT_EQ(form1_.cjpg->Position(), 60);
  EXPECT_EQ(Messages(), (Texts{"Voulez vous voir l'image contenue dans le presse papier"}));
}

TEST_F(ClipboardWatchTest, AnErrorEndsTheTickInTheErrorBoxWithTheWatchPaused) {
  clipboard_.Add(CF_BITMAP, test::DistinctImage(40, 30));
  clipboard_.SetOpenFails(true);
  key_.Press();
  form1_.Timer1Timer(form1_.Timer1);
  EXPECT_EQ(desktop_.dialogs.Errors(), (Texts{"Impossible d'ouvrir le Presse-papiers"}));
  EXPECT_FALSE(timer_on_in_box_);
  EXPECT_TRUE(key_.Started());
}

}  // namespace
}  // namespace vitrix
