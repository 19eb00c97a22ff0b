// The rules that place the editor's picture on a scaled screen: the pointer's
// picture pixel, control sizes and repaint areas, at the scales desktops use.
#include "editor/picture_scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vitrix {
namespace {

constexpr double kScales[] = {1.0, 1.25, 1.5, 1.75, 2.0, 3.0};

// The window system gives whole device positions, which Qt divides by the
// ratio: every one of them must come back as itself, however the division
// rounded.
TEST(DevicePixelAt, EveryWholeDevicePositionDividedByTheRatioComesBack) {
  for (double ratio : kScales) {
    for (int device = -50; device <= 4000; ++device) {
      const double logical = device / ratio;
      ASSERT_EQ(DevicePixelAt(logical, ratio), device) << "ratio " << ratio << ", device " << device;
      // The neighbours of the quotient in floating point, as another
      // computation of it may give.
      ASSERT_EQ(DevicePixelAt(std::nextafter(logical, -1e9), ratio), device) << ratio << " " << device;
      ASSERT_EQ(DevicePixelAt(std::nextafter(logical, 1e9), ratio), device) << ratio << " " << device;
    }
  }
}

// A position inside a device pixel is that pixel, from its left edge to just
// before the next: rounded down, not to the nearest.
struct TPointerRow {
  double Logical;
  double Ratio;
  int Pixel;
};

class DevicePixelAtRows : public ::testing::TestWithParam<TPointerRow> {};

TEST_P(DevicePixelAtRows, IsThePixelWhoseAreaHoldsThePointer) {
  EXPECT_EQ(DevicePixelAt(GetParam().Logical, GetParam().Ratio), GetParam().Pixel);
}

INSTANTIATE_TEST_SUITE_P(Scales, DevicePixelAtRows,
                         ::testing::Values(TPointerRow{10.0, 1.0, 10}, TPointerRow{10.98, 1.0, 10},
                                           // Within 1/64 of the next pixel's edge is on it.
                                           TPointerRow{10.99, 1.0, 11},
                                           TPointerRow{5.0, 1.5, 7},    // 7.5: the middle of pixel 7
                                           TPointerRow{5.2, 1.25, 6},   // 6.5
                                           TPointerRow{6.4, 1.25, 8},   // 8.0 exactly
                                           TPointerRow{7.1, 1.25, 8},   // 8.875
                                           TPointerRow{4.5, 2.0, 9},    // 9.0
                                           TPointerRow{4.49, 2.0, 8},   // 8.98
                                           TPointerRow{-0.5, 2.0, -1},  // left of the control
                                           TPointerRow{-1.0 / 3, 1.5, -1}, TPointerRow{0.0, 1.5, 0}));

TEST(LogicalExtent, IsTheShortestWholeLengthThatCoversEveryPixel) {
  EXPECT_EQ(LogicalExtent(300, 1.0), 300);
  EXPECT_EQ(LogicalExtent(1280, 2.0), 640);
  EXPECT_EQ(LogicalExtent(1281, 2.0), 641);
  EXPECT_EQ(LogicalExtent(1280, 1.25), 1024) << "1024 is exact, no extra pixel";
  EXPECT_EQ(LogicalExtent(1280, 1.5), 854);
  EXPECT_EQ(LogicalExtent(1, 1.5), 1);
  EXPECT_EQ(LogicalExtent(0, 1.5), 0);
  for (double ratio : kScales) {
    for (int pixels = 1; pixels < 3000; ++pixels) {
      const int extent = LogicalExtent(pixels, ratio);
      // Covers all of them, and one logical pixel less would not.
      ASSERT_GE(extent * ratio, pixels - 1e-9) << ratio << " " << pixels;
      ASSERT_LT((extent - 1) * ratio, pixels - 1e-9) << ratio << " " << pixels;
    }
  }
}

TEST(RepaintAreas, RoundOutwardsBothWays) {
  EXPECT_EQ(DeviceRectCovering(QRect(10, 20, 30, 40), 1.0), QRect(10, 20, 30, 40));
  // Logical 3..5 at 1.5 is device 4.5..7.5: pixels 4 to 7.
  EXPECT_EQ(DeviceRectCovering(QRect(3, 3, 2, 2), 1.5), QRect(4, 4, 4, 4));
  EXPECT_EQ(DeviceRectCovering(QRect(4, 4, 4, 4), 1.25), QRect(5, 5, 5, 5));
  // Device 7..9 at 1.5 is logical 4.67..6: pixels 4 and 5.
  EXPECT_EQ(LogicalRectCovering(QRect(7, 7, 2, 2), 1.5), QRect(4, 4, 2, 2));
  EXPECT_EQ(LogicalRectCovering(QRect(1, 1, 1, 1), 2.0), QRect(0, 0, 1, 1));
  EXPECT_TRUE(DeviceRectCovering(QRect(), 1.5).isEmpty());
  // Every device pixel of a logical area's cover maps back inside the cover's
  // logical cover, which holds the area.
  for (double ratio : kScales) {
    for (int left = -5; left < 20; ++left) {
      const QRect logical(left, 2 * left, 7, 3);
      const QRect device = DeviceRectCovering(logical, ratio);
      ASSERT_TRUE(LogicalRectCovering(device, ratio).contains(logical)) << ratio << " " << left;
      ASSERT_LE(device.left(), left * ratio + 1e-9);
      ASSERT_GE(device.left() + device.width(), (left + 7) * ratio - 1e-9);
    }
  }
}

}  // namespace
}  // namespace vitrix
