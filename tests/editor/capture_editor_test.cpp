#include "editor/capture_editor.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QPaintEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <utility>
#include <vector>

#include "controls/color_dialog.h"
#include "editor/editor_model.h"
#include "editor/image_control.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "platform/qt_text.h"
#include "platform/testing/scripted_dialogs.h"
#include "support/modal.h"
#include "support/pixels.h"

namespace vitrix {
namespace {

using test::DistinctColor;
using test::ExpectPixels;
using test::WhenModalShows;

constexpr int kWidth = 120;
constexpr int kHeight = 80;

// Records the regions painted on a widget.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(QWidget* widget) { widget->installEventFilter(this); }
  QRegion painted;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
};

// The program's editor and toolbox over a 120 x 80 capture whose pixels all
// differ, with scripted message boxes. The editor is shown without its modal
// loop unless a test runs one; pointer and keys are real events.
class CaptureEditorTest : public ::testing::Test {
 protected:
  CaptureEditorTest() {
    Form2 = &editor_;
    Form3 = &toolbox_;
  }
  ~CaptureEditorTest() override { editor_.hide(); }

  void Capture(int width = kWidth, int height = kHeight) {
    auto capture = std::make_unique<TBitmap>();
    capture->SetImage(test::DistinctImage(width, height));
    editor_.Image1->Picture().SetGraphic(std::move(capture));
  }
  void Open() {
    Capture();
    editor_.show();
  }
  TBitmap& Picture() { return dynamic_cast<TBitmap&>(*editor_.Image1->Picture().Graphic()); }

  // A left drag from one point to another through the middle.
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(editor_.Image1, Qt::LeftButton, {}, from);
    QTest::mouseMove(editor_.Image1, (from + to) / 2);
    QTest::mouseMove(editor_.Image1, to);
    QTest::mouseRelease(editor_.Image1, Qt::LeftButton, {}, to);
  }
  void RightPress() {
    QTest::mousePress(editor_.Image1, Qt::RightButton, {}, QPoint(5, 5));
    QTest::mouseRelease(editor_.Image1, Qt::RightButton, {}, QPoint(5, 5));
  }

  TScriptedDialogs dialogs_;
  TScopedPlatform<IDialogs> use_dialogs_{dialogs_};
  TForm3 toolbox_;
  TForm2 editor_;
};

TEST_F(CaptureEditorTest, WindowIsTheSizeOfItsPictureWithACloseBoxOnly) {
  EXPECT_EQ(FromQString(editor_.windowTitle()), "Image du presse papier");
  const Qt::WindowFlags flags = editor_.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  // Before the first capture: the 468 x 60 banner.
  EXPECT_EQ(editor_.Image1->geometry(), QRect(0, 0, 468, 60));
  EXPECT_EQ(editor_.size(), QSize(468, 60));
  Capture(300, 200);
  EXPECT_EQ(editor_.Image1->geometry(), QRect(0, 0, 300, 200));
  EXPECT_EQ(editor_.size(), QSize(300, 200));
}

TEST_F(CaptureEditorTest, OpeningShowsTheHelpMessageTakesTheBackupAndSetsRed) {
  Open();
  ASSERT_EQ(dialogs_.Shown().size(), 1u);
  const TMessageRequest& help = dialogs_.Shown()[0].Request;
  EXPECT_EQ(help.Text,
            "Vous pouvez masquer des informations en s\xE9"
            "lectionnant les zones \xE0 surcharger, choix de la "
            "couleur par clic droit et annulation de la derni\xE8re action par ESC");
  EXPECT_EQ(help.Caption, "vitrix");
  EXPECT_EQ(help.Buttons, TMsgButtons::mbOK);
  ASSERT_NE(editor_.Editing().sauvegarde, nullptr);
  ExpectPixels(*editor_.Editing().sauvegarde, DistinctColor);
  EXPECT_EQ(editor_.Editing().BandColor(), clRed);

  editor_.close();
  EXPECT_EQ(editor_.Editing().sauvegarde, nullptr);
}

TEST_F(CaptureEditorTest, EscNeverClosesTheModalEditorAndUndoesOnRelease) {
  Capture();
  bool visible_after_press = false;
  bool masked_after_press = false;
  bool restored_after_release = false;
  WhenModalShows<TForm2>([&](TForm2& shown) {
    Drag(QPoint(10, 10), QPoint(40, 30));
    QTest::keyPress(&shown, Qt::Key_Escape);
    visible_after_press = shown.isVisible();
    masked_after_press = Picture().Pixel(20, 20) == clRed;
    QTest::keyRelease(&shown, Qt::Key_Escape);
    restored_after_release = Picture().Pixel(20, 20) == DistinctColor(20, 20);
    // A key other than Esc changes nothing.
    Drag(QPoint(50, 50), QPoint(60, 60));
    QTest::keyClick(&shown, Qt::Key_A);
    EXPECT_EQ(Picture().Pixel(55, 55), clRed);
    EXPECT_TRUE(shown.isVisible());
    shown.close();
  });
  editor_.exec();
  EXPECT_TRUE(visible_after_press);
  EXPECT_TRUE(masked_after_press);
  EXPECT_TRUE(restored_after_release);
}

TEST_F(CaptureEditorTest, AnEscReleaseWhosePressClosedADialogUndoesNothing) {
  Open();
  Drag(QPoint(10, 10), QPoint(60, 50));
  toolbox_.rc->setChecked(true);
  // The crop question answered No with Esc: the box took the press and
  // closed; the release comes to the editor.
  dialogs_.Script({mrNo});
  Drag(QPoint(5, 5), QPoint(70, 60));
  QTest::keyRelease(&editor_, Qt::Key_Escape);
  EXPECT_EQ(Picture().Pixel(30, 30), clRed);
  EXPECT_EQ(Picture().Width(), kWidth);
  // A whole Esc in the editor still undoes that last selection.
  QTest::keyClick(&editor_, Qt::Key_Escape);
  EXPECT_EQ(Picture().Pixel(30, 30), DistinctColor(30, 30));
}

TEST_F(CaptureEditorTest, PressAndReleaseAtOnePointChangeNoPixel) {
  Open();
  QTest::mouseClick(editor_.Image1, Qt::LeftButton, {}, QPoint(30, 20));
  ExpectPixels(Picture(), DistinctColor);
}

TEST_F(CaptureEditorTest, EscAfterTwoOverlappingRectanglesRestoresExactlyTheSecondSelection) {
  Open();
  Drag(QPoint(10, 10), QPoint(60, 50));
  Drag(QPoint(90, 70), QPoint(40, 30));  // up and to the left
  QTest::keyClick(&editor_, Qt::Key_Escape);
  ExpectPixels(Picture(), [](int x, int y) {
    if (Rect(40, 30, 90, 70).Contains(x, y) || !Rect(10, 10, 60, 50).Contains(x, y)) return DistinctColor(x, y);
    return (x == 10 || x == 59 || y == 10 || y == 49) ? clBlack : clRed;
  });
}

TEST_F(CaptureEditorTest, ShiftEscAfterACropRestoresThePictureAsItWasRightAfterTheCrop) {
  toolbox_.rc->setChecked(true);
  Open();
  dialogs_.Script({mrYes});
  Drag(QPoint(100, 70), QPoint(20, 10));
  const auto cropped = [](int x, int y) { return DistinctColor(x + 20, y + 10); };
  ASSERT_EQ(Picture().Width(), 80);
  ASSERT_EQ(Picture().Height(), 60);
  EXPECT_EQ(editor_.size(), QSize(80, 60));
  toolbox_.rp->setChecked(true);
  Drag(QPoint(5, 5), QPoint(70, 50));
  QTest::keyClick(&editor_, Qt::Key_Escape, Qt::ShiftModifier);
  ExpectPixels(Picture(), cropped);
}

TEST_F(CaptureEditorTest, FilledRectangleAfterACropIsWhiteUntilTheToolboxClosesAgain) {
  toolbox_.rc->setChecked(true);
  Open();
  dialogs_.Script({mrYes});
  Drag(QPoint(10, 10), QPoint(110, 70));
  toolbox_.rp->setChecked(true);
  Drag(QPoint(5, 5), QPoint(20, 20));
  EXPECT_EQ(Picture().Pixel(5, 5), clBlack);
  EXPECT_EQ(Picture().Pixel(10, 10), clWhite);
  WhenModalShows<TForm3>([](TForm3& shown) { shown.close(); });
  RightPress();
  Drag(QPoint(30, 30), QPoint(50, 50));
  EXPECT_EQ(Picture().Pixel(30, 30), clBlack);
  EXPECT_EQ(Picture().Pixel(40, 40), clRed);
}

TEST_F(CaptureEditorTest, RedAtEveryOpeningTheChosenColourBackWhenTheToolboxCloses) {
  Open();
  WhenModalShows<TForm3>([](TForm3& shown) {
    WhenModalShows<QColorDialog>([](QColorDialog& dialog) {
      dialog.setCurrentColor(QColor(0, 0, 255));
      dialog.accept();
    });
    QTest::mouseClick(shown.choixcolor, Qt::LeftButton);
  });
  RightPress();
  EXPECT_FALSE(toolbox_.isVisible());
  Drag(QPoint(10, 10), QPoint(30, 30));
  EXPECT_EQ(Picture().Pixel(20, 20), clBlue);
  editor_.close();

  editor_.show();
  Drag(QPoint(50, 10), QPoint(70, 30));
  EXPECT_EQ(Picture().Pixel(60, 20), clRed);
  // The same tool clicked again leaves the toolbox open; its close box
  // closes it and brings blue back.
  bool open_after_same_tool = false;
  WhenModalShows<TForm3>([&](TForm3& shown) {
    QTest::mouseClick(shown.rp, Qt::LeftButton, {}, QPoint(6, 8));
    open_after_same_tool = shown.isVisible();
    shown.close();
  });
  RightPress();
  EXPECT_TRUE(open_after_same_tool);
  Drag(QPoint(80, 10), QPoint(100, 30));
  EXPECT_EQ(Picture().Pixel(90, 20), clBlue);
}

TEST_F(CaptureEditorTest, DragPastTheEdgeIsClippedToThePicture) {
  Open();
  QTest::mousePress(editor_.Image1, Qt::LeftButton, {}, QPoint(100, 60));
  QTest::mouseMove(editor_.Image1, QPoint(300, -50));
  QTest::mouseRelease(editor_.Image1, Qt::LeftButton, {}, QPoint(300, -50));
  ExpectPixels(Picture(), [](int x, int y) {
    if (x < 100 || y >= 60) return DistinctColor(x, y);
    return (x == 100 || y == 59) ? clBlack : clRed;
  });
}

TEST_F(CaptureEditorTest, RubberBandIsDrawnOverThePictureAndRepaintsOnlyWhatItTouches) {
  Open();
  QApplication::processEvents();
  PaintRecorder recorder(editor_.Image1);
  QTest::mousePress(editor_.Image1, Qt::LeftButton, {}, QPoint(70, 50));
  QTest::mouseMove(editor_.Image1, QPoint(20, 10));
  QApplication::processEvents();
  EXPECT_EQ(recorder.painted, QRegion(20, 10, 50, 40) - QRegion(21, 11, 48, 38));

  recorder.painted = QRegion();
  QTest::mouseMove(editor_.Image1, QPoint(30, 15));
  QApplication::processEvents();
  const QRegion old_band = QRegion(20, 10, 50, 40) - QRegion(21, 11, 48, 38);
  const QRegion new_band = QRegion(30, 15, 40, 35) - QRegion(31, 16, 38, 33);
  EXPECT_EQ(recorder.painted, old_band + new_band);

  // On screen the band shows in the fill colour; the picture is untouched.
  const QImage shown = editor_.Image1->grab().toImage();
  EXPECT_EQ(FromQRgb(shown.pixel(30, 15)), clRed);
  EXPECT_EQ(FromQRgb(shown.pixel(69, 49)), clRed);
  EXPECT_EQ(FromQRgb(shown.pixel(40, 30)), DistinctColor(40, 30));
  ExpectPixels(Picture(), DistinctColor);

  // The release takes the band away.
  toolbox_.rv->setChecked(true);
  QTest::mouseRelease(editor_.Image1, Qt::LeftButton, {}, QPoint(30, 15));
  EXPECT_TRUE(editor_.Image1->OverlayFrame().IsEmpty());
}

TEST_F(CaptureEditorTest, SelectionAndToolLastFromOneOpeningToTheNext) {
  toolbox_.rv->setChecked(true);
  Open();
  Drag(QPoint(10, 12), QPoint(30, 40));
  editor_.close();
  editor_.show();
  EXPECT_EQ(editor_.Editing().zone, Rect(10, 12, 30, 40));
  EXPECT_FALSE(editor_.Editing().trace);
  Drag(QPoint(50, 50), QPoint(60, 60));
  EXPECT_EQ(Picture().Pixel(55, 50), clRed);
  EXPECT_EQ(Picture().Pixel(55, 55), DistinctColor(55, 55));
}

}  // namespace
}  // namespace vitrix
