// The capture editor on a 1280 x 800 screen at the scale of the run
// (QT_SCALE_FACTOR, set by ctest: 1, 1.25, 1.5, 2). Whatever the scale, the
// picture shows one picture pixel per screen pixel, the pointer masks the
// pixels it was on, and a picture larger than the screen scrolls, by its
// bars and by a selection dragged past an edge, so that every pixel can be
// seen and masked. Pointer events carry their position as the window system
// gives it: the scene position at full precision and the position rounded
// to whole logical pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "editor/capture_editor.h"
#include "editor/editor_model.h"
#include "editor/image_control.h"
#include "editor/picture_scale.h"
#include "editor/picture_view.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "platform/testing/scripted_dialogs.h"
#include "support/pixels.h"

namespace vitrix {
namespace {

using test::DistinctColor;

class ScaledEditorTest : public ::testing::Test {
 protected:
  ScaledEditorTest() {
    Form2 = &editor_;
    Form3 = &toolbox_;
  }
  ~ScaledEditorTest() override { editor_.hide(); }

  void Open(int width, int height) {
    auto capture = std::make_unique<TBitmap>();
    capture->SetImage(test::DistinctImage(width, height));
    editor_.Image1->Picture().SetGraphic(std::move(capture));
    editor_.SetPosition(0, 0);
    editor_.show();
    QApplication::processEvents();
  }
  TBitmap& Picture() { return dynamic_cast<TBitmap&>(*editor_.Image1->Picture().Graphic()); }
  double Ratio() const { return editor_.Image1->Ratio(); }
  // What the control shows, one pixel per screen pixel.
  QImage Shown() { return editor_.Image1->grab().toImage(); }

  // A pointer event at a device (screen) position of the control, as the
  // window system reports it.
  void Pointer(QEvent::Type type, QPointF device, Qt::MouseButton button, Qt::MouseButtons held) {
    const QPointF scene = device / Ratio();
    const QPointF rounded = QPointF(scene.toPoint());
    QMouseEvent event(type, rounded, scene, editor_.Image1->mapToGlobal(rounded), button, held, Qt::NoModifier);
    QApplication::sendEvent(editor_.Image1, &event);
  }
  void Drag(QPointF from, QPointF to) {
    Pointer(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    Pointer(QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    Pointer(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    Pointer(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  }

  TScriptedDialogs dialogs_;
  TScopedPlatform<IDialogs> use_dialogs_{dialogs_};
  TForm3 toolbox_;
  TForm2 editor_;
};

TEST_F(ScaledEditorTest, RunsAtTheScaleItWasGiven) {
  const char* scale = std::getenv("QT_SCALE_FACTOR");
  ASSERT_NE(scale, nullptr) << "run through ctest, which sets the scale";
  EXPECT_DOUBLE_EQ(editor_.devicePixelRatioF(), std::atof(scale));
}

TEST_F(ScaledEditorTest, EveryPicturePixelShowsOnItsOwnScreenPixel) {
  Open(301, 203);
  const QSize natural(LogicalExtent(301, Ratio()), LogicalExtent(203, Ratio()));
  EXPECT_EQ(editor_.Image1->size(), natural);
  EXPECT_EQ(editor_.size(), natural) << "a picture that fits has no bars";
  const QImage shown = Shown();
  ASSERT_GE(shown.width(), 301);
  ASSERT_GE(shown.height(), 203);
  for (int y = 0; y < 203; ++y) {
    for (int x = 0; x < 301; ++x) {
      ASSERT_EQ(FromQRgb(shown.pixel(x, y)), DistinctColor(x, y)) << "screen pixel " << x << "," << y;
    }
  }
}

// Corners that a pointer position rounded to whole logical pixels would move
// at fractional scales.
TEST_F(ScaledEditorTest, AMaskCoversExactlyTheScreenPixelsThePointerWentOver) {
  Open(300, 200);
  Drag(QPointF(31, 23), QPointF(182, 127));
  const TRect mask = Rect(31, 23, 182, 127);
  test::ExpectPixels(Picture(), [&](int x, int y) {
    if (!mask.Contains(x, y)) return DistinctColor(x, y);
    const bool border = x == mask.Left || x == mask.Right - 1 || y == mask.Top || y == mask.Bottom - 1;
    return border ? clBlack : clRed;
  });
  // What is saved is what shows.
  const QImage shown = Shown();
  for (const QPoint at : {QPoint(30, 23), QPoint(31, 23), QPoint(32, 24), QPoint(181, 126), QPoint(182, 126)}) {
    EXPECT_EQ(FromQRgb(shown.pixel(at)), Picture().Pixel(at.x(), at.y())) << at.x() << "," << at.y();
  }
}

TEST_F(ScaledEditorTest, APictureLargerThanTheScreenScrollsToItsLastPixelWhichCanBeMasked) {
  Open(3000, 2000);
  const QRect available = editor_.screen()->availableGeometry();
  EXPECT_TRUE(available.contains(editor_.frameGeometry())) << "the editor is not whole on the screen";
  EXPECT_EQ(editor_.frameGeometry().topLeft(), available.topLeft()) << "the editor left its corner";
  QScrollBar* across = editor_.View()->HorizontalBar();
  QScrollBar* down = editor_.View()->VerticalBar();
  ASSERT_TRUE(across->isVisible());
  ASSERT_TRUE(down->isVisible());

  across->setValue(across->maximum());
  down->setValue(down->maximum());
  // The last column and row are whole at the view's edges.
  const int visible_width = static_cast<int>(std::floor(editor_.Image1->width() * Ratio() + 1e-6));
  const int visible_height = static_cast<int>(std::floor(editor_.Image1->height() * Ratio() + 1e-6));
  EXPECT_EQ(across->maximum(), 3000 - visible_width);
  EXPECT_EQ(down->maximum(), 2000 - visible_height);
  const QImage shown = Shown();
  EXPECT_EQ(FromQRgb(shown.pixel(visible_width - 1, visible_height - 1)), DistinctColor(2999, 1999));
  EXPECT_EQ(FromQRgb(shown.pixel(0, 0)), DistinctColor(across->value(), down->value()));

  // A drag from inside past the corner masks the last pixel.
  Drag(QPointF(visible_width - 20.5, visible_height - 10.5), QPointF(visible_width + 30, visible_height + 30));
  EXPECT_EQ(Picture().Pixel(2999, 1999), clRed);
  EXPECT_EQ(Picture().Pixel(3000 - 21, 1999), clBlack) << "the mask's left border";
  EXPECT_EQ(FromQRgb(Shown().pixel(visible_width - 1, visible_height - 1)), clRed);
}

TEST_F(ScaledEditorTest, ASelectionDraggedPastTheRightEdgeScrollsAndItsEndFollows) {
  Open(3000, 2000);
  QScrollBar* across = editor_.View()->HorizontalBar();
  ASSERT_EQ(across->value(), 0);
  Pointer(QEvent::MouseButtonPress, QPointF(100, 100), Qt::LeftButton, Qt::LeftButton);
  const double beyond = (editor_.Image1->width() + 12) * Ratio();
  Pointer(QEvent::MouseMove, QPointF(beyond, 150), Qt::NoButton, Qt::LeftButton);
  QTest::qWait(12 * TPictureView::kAutoScrollIntervalMs);
  const int scrolled = across->value();
  EXPECT_GT(scrolled, 0) << "the view did not scroll";
  EXPECT_EQ(editor_.View()->VerticalBar()->value(), 0) << "scrolled down, away from no edge";
  EXPECT_EQ(editor_.Editing().zone.Right, scrolled + DevicePixelAt(beyond / Ratio(), Ratio()))
      << "the selection's end stayed where the picture was";
  EXPECT_EQ(editor_.Image1->OverlayFrame().Right, editor_.Editing().zone.Right) << "the rubber band lags";

  // Released there: the view stops, and the mask reaches the pixel under the
  // pointer.
  Pointer(QEvent::MouseButtonRelease, QPointF(beyond, 150), Qt::LeftButton, Qt::NoButton);
  const int after = across->value();
  QTest::qWait(4 * TPictureView::kAutoScrollIntervalMs);
  EXPECT_EQ(across->value(), after) << "the view scrolls on after the release";
  EXPECT_EQ(Picture().Pixel(editor_.Editing().zone.Right - 2, 120), clRed);
  EXPECT_EQ(Picture().Pixel(99, 120), DistinctColor(99, 120));
}

}  // namespace
}  // namespace vitrix
