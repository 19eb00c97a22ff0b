// How much of the picture the editor shows, when it needs scroll bars, and
// how a selection dragged to an edge scrolls.
#include "editor/view_fit.h"

#include <gtest/gtest.h>

namespace vitrix {
namespace {

constexpr int kBar = 14;

struct TFitRow {
  const char* Name;
  QSize Natural;
  QSize Room;
  QSize Client;
  QSize Viewport;
  bool Horizontal;
  bool Vertical;
};

class FitViewRows : public ::testing::TestWithParam<TFitRow> {};

TEST_P(FitViewRows, GivesTheClientTheViewportAndTheBars) {
  const TFitRow& row = GetParam();
  const TViewFit fit = FitView(row.Natural, row.Room, kBar);
  EXPECT_EQ(fit.Client, row.Client);
  EXPECT_EQ(fit.Viewport, row.Viewport);
  EXPECT_EQ(fit.HorizontalBar, row.Horizontal);
  EXPECT_EQ(fit.VerticalBar, row.Vertical);
  EXPECT_LE(fit.Client.width(), row.Room.width());
  EXPECT_LE(fit.Client.height(), row.Room.height());
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, FitViewRows,
    ::testing::Values(
        // Pictures that fit are shown whole, the window their size.
        TFitRow{"Fits", {300, 200}, {1278, 755}, {300, 200}, {300, 200}, false, false},
        TFitRow{"FitsExactly", {1278, 755}, {1278, 755}, {1278, 755}, {1278, 755}, false, false},
        // Too tall: a vertical bar beside the whole width.
        TFitRow{"TooTall", {600, 2000}, {1278, 755}, {614, 755}, {600, 755}, false, true},
        // Too wide by a little: its bar takes height the picture had room for
        // without it, and the height then needs a bar of its own.
        TFitRow{"TooWideBarMakesTooTall", {2000, 750}, {1278, 755}, {1278, 755}, {1264, 741}, true, true},
        TFitRow{"TooWideBarStillFits", {2000, 700}, {1278, 755}, {1278, 714}, {1278, 700}, true, false},
        // The screen's own size on a framed desktop: both bars.
        TFitRow{"Screen", {1280, 800}, {1278, 755}, {1278, 755}, {1264, 741}, true, true},
        // Just one pixel over, across.
        TFitRow{"OnePixelTooTall", {1278, 756}, {1278, 755}, {1278, 755}, {1264, 741}, true, true},
        TFitRow{"Huge", {20000, 15000}, {640, 380}, {640, 380}, {626, 366}, true, true}),
    [](const ::testing::TestParamInfo<TFitRow>& row) { return std::string(row.param.Name); });

TEST(AutoScrollStep, NoneInTheMiddleTowardsTheNearerEdgeFasterFurtherOut) {
  constexpr int kExtent = 600, kMargin = 4;
  EXPECT_EQ(AutoScrollStep(300, kExtent, kMargin, 1.0), 0);
  EXPECT_EQ(AutoScrollStep(kMargin, kExtent, kMargin, 1.0), 0);
  EXPECT_EQ(AutoScrollStep(kExtent - kMargin - 1, kExtent, kMargin, 1.0), 0);
  // Into the margin, and beyond the edge: towards it, growing.
  const int at_start = AutoScrollStep(kMargin - 1, kExtent, kMargin, 1.0);
  const int at_end = AutoScrollStep(kExtent - kMargin, kExtent, kMargin, 1.0);
  EXPECT_LT(at_start, 0);
  EXPECT_GT(at_end, 0);
  EXPECT_EQ(-at_start, at_end) << "both edges alike";
  EXPECT_LT(AutoScrollStep(-20, kExtent, kMargin, 1.0), at_start);
  EXPECT_GT(AutoScrollStep(kExtent + 20, kExtent, kMargin, 1.0), at_end);
  // A pointer far out is capped, not a jump across the whole picture.
  EXPECT_EQ(AutoScrollStep(kExtent + 5000, kExtent, kMargin, 1.0),
            AutoScrollStep(kExtent + 9000, kExtent, kMargin, 1.0));
  // In picture pixels: twice as many at twice the scale.
  EXPECT_EQ(AutoScrollStep(kExtent + 10, kExtent, kMargin, 2.0),
            2 * AutoScrollStep(kExtent + 10, kExtent, kMargin, 1.0));
}

}  // namespace
}  // namespace vitrix
