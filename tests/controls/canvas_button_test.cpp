#include "controls/canvas_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/scripted_dialogs.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

// A window with two buttons side by side, shown (offscreen), that logs
// every event the buttons raise.
class CanvasButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<QWidget>();
    window_->setGeometry(50, 50, 400, 100);
    a_ = MakeButton("a", 0);
    b_ = MakeButton("b", 150);
    window_->show();
  }

  TCanvasButton* MakeButton(const std::string& name, int left) {
    auto* button = new TCanvasButton(window_.get());
    button->SetBounds(left, 0, 100, 25);
    button->SetCaption(name);
    button->OnClick = [this, name](QObject*) { log_.push_back(name + ".click"); };
    button->OnDblClick = [this, name](QObject*) { log_.push_back(name + ".dblclick"); };
    button->OnLeftMouseUp = [this, name](QObject*) { log_.push_back(name + ".leftup"); };
    button->OnRightMouseClick = [this, name](QObject*) { log_.push_back(name + ".rightclick"); };
    button->OnRightMouseUp = [this, name](QObject*) { log_.push_back(name + ".rightup"); };
    return button;
  }

  // Sends a pointer event to a button, at a point given in window coordinates
  // (the toolkit sends a release to the button that got the press).
  static void Send(TCanvasButton* to, QEvent::Type type, Qt::MouseButton button, QPoint in_window) {
    const QPoint global = to->window()->mapToGlobal(in_window);
    const QPointF local = to->mapFromGlobal(QPointF(global));
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, QPointF(global), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
  }

  // The button looks pressed when its top-left edge is black.
  static bool LooksPressed(const TCanvasButton* button) { return button->Look().Pixel(1, 10) == clBlack; }

  std::unique_ptr<QWidget> window_;
  TCanvasButton* a_ = nullptr;
  TCanvasButton* b_ = nullptr;
  std::vector<std::string> log_;
  const QPoint over_a_{50, 12};
  const QPoint over_b_{200, 12};
  const QPoint over_nothing_{300, 60};
};

using Log = std::vector<std::string>;

TEST_F(CanvasButtonTest, ClickIsRaisedOnReleaseThenLeftMouseUp) {
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(LooksPressed(a_));
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_a_);
  EXPECT_EQ(log_, (Log{"a.click", "a.leftup"}));
  EXPECT_FALSE(LooksPressed(a_));
}

TEST_F(CanvasButtonTest, DoubleClickRaisesClickDoubleClickClick) {
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_a_);
  Send(a_, QEvent::MouseButtonDblClick, Qt::LeftButton, over_a_);
  // The second press does not draw the pressed look.
  EXPECT_FALSE(LooksPressed(a_));
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_a_);
  EXPECT_EQ(log_, (Log{"a.click", "a.leftup", "a.dblclick", "a.click", "a.leftup"}));
}

TEST_F(CanvasButtonTest, ReleaseOverAnotherButtonClicksThatOneAndLeavesTheFirstPressed) {
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_b_);
  EXPECT_EQ(log_, (Log{"b.click", "b.leftup"}));
  EXPECT_TRUE(LooksPressed(a_));
  // Any repaint brings the normal look back.
  a_->Repaint();
  EXPECT_FALSE(LooksPressed(a_));
}

TEST_F(CanvasButtonTest, ReleaseOutsideEveryButtonRaisesNothing) {
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_nothing_);
  EXPECT_TRUE(log_.empty());
}

TEST_F(CanvasButtonTest, ReleaseOverADisabledButtonRaisesNothing) {
  b_->setEnabled(false);
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_b_);
  EXPECT_TRUE(log_.empty());
}

TEST_F(CanvasButtonTest, RightPressShowsTheNormalLookAndRightReleaseRaisesItsTwoEvents) {
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  ASSERT_TRUE(LooksPressed(a_));
  Send(a_, QEvent::MouseButtonPress, Qt::RightButton, over_a_);
  EXPECT_FALSE(LooksPressed(a_));
  Send(a_, QEvent::MouseButtonRelease, Qt::RightButton, over_a_);
  EXPECT_EQ(log_, (Log{"a.rightclick", "a.rightup"}));
}

TEST_F(CanvasButtonTest, ReleaseRepaintsOnceWithoutClickHandlerAndTwiceWithOne) {
  int paints = 0;
  a_->OnPaint = [&](QObject*) { ++paints; };
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_a_);
  EXPECT_EQ(paints, 2);
  a_->OnClick = nullptr;
  paints = 0;
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_a_);
  EXPECT_EQ(paints, 1);
}

TEST_F(CanvasButtonTest, MouseMoveGivesThePositionRelativeToTheButtonUnderThePointer) {
  std::vector<std::string> moves;
  a_->OnMouseMove = [&](QObject* sender, int32_t x, int32_t y) {
    moves.push_back("a " + std::to_string(x) + "," + std::to_string(y) + (sender == a_ ? "" : " wrong sender"));
  };
  b_->OnMouseMove = [&](QObject*, int32_t x, int32_t y) {
    moves.push_back("b " + std::to_string(x) + "," + std::to_string(y));
  };
  Send(a_, QEvent::MouseMove, Qt::NoButton, {30, 7});
  Send(a_, QEvent::MouseMove, Qt::NoButton, {160, 20});  // dragged over b
  Send(a_, QEvent::MouseMove, Qt::NoButton, over_nothing_);
  EXPECT_EQ(moves, (Log{"a 30,7", "b 10,20"}));
}

TEST_F(CanvasButtonTest, GradientSettingsRepaintOnlyThroughTheirSetterAndOnlyWhenPainted) {
  int paints = 0;
  a_->OnPaint = [&](QObject*) { ++paints; };
  a_->Gradient().SetBeginColor(clRed);
  a_->Font().Color = clRed;
  EXPECT_EQ(paints, 0);
  TDatosGradiante gradient;
  gradient.SetColorCount(7);
  a_->SetGradient(gradient);
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(a_->Gradient().ColorCount(), 7);
  a_->SetPaintGradient(true);
  a_->SetGradient(gradient);
  EXPECT_EQ(paints, 2);
  a_->SetCaption("x");
  EXPECT_EQ(paints, 3);
}

TEST_F(CanvasButtonTest, PictureIsCopiedAndNothingKeepsTheOldOne) {
  TBitmap picture(3, 3);
  a_->SetPicture(&picture);
  ASSERT_NE(a_->Picture(), nullptr);
  EXPECT_NE(a_->Picture(), &picture);
  picture.SetSize(8, 8);
  EXPECT_EQ(a_->Picture()->Width(), 3);
  TGraphic* kept = a_->Picture();
  a_->SetPicture(nullptr);
  EXPECT_EQ(a_->Picture(), kept);
}

TEST_F(CanvasButtonTest, NewButtonHasItsDefaults) {
  TCanvasButton button;
  EXPECT_EQ(button.Color(), clDarkBlue);
  EXPECT_EQ(button.Caption(), "");
  EXPECT_EQ(button.Picture(), nullptr);
  EXPECT_TRUE(button.Font().Bold);
  EXPECT_EQ(button.Font().Color, clWhite);
  EXPECT_EQ(button.Font().Size, 10);
  EXPECT_FALSE(button.ShowPicture());
  EXPECT_TRUE(button.ShowCaption());
  EXPECT_TRUE(button.StretchPicture());
  EXPECT_FALSE(button.PaintGradient());
  EXPECT_EQ(button.CaptionLayout(), TCaptionLayout::ClCenter);
  EXPECT_EQ(button.PictureLayout(), TPictureLayout::PLCenterTop);
  EXPECT_TRUE(button.isEnabled());
}

TEST_F(CanvasButtonTest, ErrorInAHandlerIsShownAndTheButtonGoesOn) {
  TScriptedDialogs dialogs;
  TScopedPlatform<IDialogs> use(dialogs);
  a_->OnClick = [](QObject*) { throw Exception("en panne"); };
  Send(a_, QEvent::MouseButtonPress, Qt::LeftButton, over_a_);
  Send(a_, QEvent::MouseButtonRelease, Qt::LeftButton, over_a_);
  EXPECT_EQ(dialogs.Errors(), (Log{"en panne"}));
  // The rest of that release did not run; the next one works.
  EXPECT_TRUE(log_.empty());
  Send(b_, QEvent::MouseButtonRelease, Qt::LeftButton, over_b_);
  EXPECT_EQ(log_, (Log{"b.click", "b.leftup"}));
}

TEST_F(CanvasButtonTest, WidgetShowsTheLookItDrew) {
  a_->SetPaintGradient(true);
  const QImage shown = a_->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(100, 25));
  for (int x : {0, 1, 50, 98, 99}) {
    EXPECT_EQ(FromQRgb(shown.pixel(x, 5)), a_->Look().Pixel(x, 5)) << x;
  }
}

}  // namespace
}  // namespace vitrix
