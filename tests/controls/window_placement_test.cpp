// Windows keep their designed place when whole on the screen's available
// area and move just enough otherwise.
#include "controls/window_placement.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace vitrix {
namespace {

const QRect kArea(0, 24, 1280, 752);  // a panel along the top and the bottom

struct TPlaceRow {
  const char* Name;
  QRect Frame;
  QPoint Place;
};

class PlaceWholeRows : public ::testing::TestWithParam<TPlaceRow> {};

TEST_P(PlaceWholeRows, KeepsOrMovesJustEnough) {
  const QPoint place = PlaceWhole(GetParam().Frame, kArea);
  EXPECT_EQ(place, GetParam().Place);
  const QRect placed(place, GetParam().Frame.size());
  if (GetParam().Frame.width() <= kArea.width() && GetParam().Frame.height() <= kArea.height()) {
    EXPECT_TRUE(kArea.contains(placed)) << "not whole";
  }
}

INSTANTIATE_TEST_SUITE_P(Frames, PlaceWholeRows,
                         ::testing::Values(TPlaceRow{"Fits", {339, 248, 509, 272}, {339, 248}},
                                           TPlaceRow{"TouchesTheEdges", {0, 24, 1280, 752}, {0, 24}},
                                           TPlaceRow{"UnderTheTopPanel", {0, 0, 300, 200}, {0, 24}},
                                           TPlaceRow{"PastTheRight", {1000, 248, 509, 272}, {771, 248}},
                                           TPlaceRow{"PastTheBottomPanel", {339, 600, 509, 272}, {339, 504}},
                                           TPlaceRow{"PastBoth", {1200, 700, 509, 272}, {771, 504}},
                                           TPlaceRow{"LeftOfTheScreen", {-50, 100, 300, 200}, {0, 100}},
                                           // Larger than the area: its left and top edges, so that
                                           // the title bar stays reachable.
                                           TPlaceRow{"Wider", {200, 100, 1400, 300}, {0, 100}},
                                           TPlaceRow{"Taller", {200, 100, 300, 900}, {200, 24}}),
                         [](const ::testing::TestParamInfo<TPlaceRow>& row) { return std::string(row.param.Name); });

// On the test's screen, with the frame the offscreen platform draws.
class WindowPlacementTest : public ::testing::Test {
 protected:
  QRect Area() const { return QApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(WindowPlacementTest, AWindowThatFitsStaysAtItsDesignedPlace) {
  QWidget window;
  window.resize(200, 100);
  TWindowPlacement placement(window);
  placement.PlaceAt(Area().topLeft() + QPoint(30, 40));
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.frameGeometry().topLeft(), Area().topLeft() + QPoint(30, 40));
}

TEST_F(WindowPlacementTest, AWindowPastTheEdgeIsMovedJustEnoughOnceItsFrameIsKnown) {
  QWidget window;
  window.resize(200, 100);
  TWindowPlacement placement(window);
  int frame_changes = 0;
  placement.OnFrameChange = [&] { ++frame_changes; };
  placement.PlaceAt(Area().bottomRight() - QPoint(100, 50));
  window.show();
  QApplication::processEvents();
  ASSERT_NE(window.frameGeometry(), window.geometry()) << "the platform gave no frame";
  EXPECT_EQ(frame_changes, 1);
  EXPECT_TRUE(Area().contains(window.frameGeometry()));
  // Just enough: the frame's bottom-right corner is the area's.
  EXPECT_EQ(window.frameGeometry().bottomRight(), Area().bottomRight());
  EXPECT_EQ(placement.Room(), Area().size().shrunkBy(placement.FrameMargins()));

  // Moved by the user afterwards: left alone, even past the edge.
  window.move(Area().right() - 20, window.y());
  QApplication::processEvents();
  EXPECT_EQ(window.frameGeometry().left(), Area().right() - 20);
}

TEST_F(WindowPlacementTest, ANewWindowAssumesTheFrameLastSeenOnAnother) {
  {
    QWidget first;
    first.resize(50, 50);
    TWindowPlacement placement(first);
    placement.PlaceAt(Area().topLeft());
    first.show();
    QApplication::processEvents();
  }
  QWidget second;
  second.resize(200, 100);
  TWindowPlacement placement(second);
  EXPECT_FALSE(placement.FrameMargins().isNull());
  // Placed before it shows, with that frame: whole at once.
  placement.PlaceAt(Area().bottomRight());
  const QRect frame(second.pos(), second.size().grownBy(placement.FrameMargins()));
  EXPECT_EQ(frame.bottomRight(), Area().bottomRight());
}

}  // namespace
}  // namespace vitrix
