#include "rtl/muldiv.h"

#include <gtest/gtest.h>

namespace vitrix {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(1, 1, 2), 1);    // 0.5
  EXPECT_EQ(MulDiv(3, 1, 2), 2);    // 1.5
  EXPECT_EQ(MulDiv(5, 1, 2), 3);    // 2.5
  EXPECT_EQ(MulDiv(-1, 1, 2), -1);  // -0.5
  EXPECT_EQ(MulDiv(-5, 1, 2), -3);  // -2.5
  EXPECT_EQ(MulDiv(5, 1, -2), -3);
  EXPECT_EQ(MulDiv(-5, -1, 2), 3);
}

TEST(MulDiv, RoundsOtherFractionsToNearest) {
  EXPECT_EQ(MulDiv(1, 1, 3), 0);  // 0.333
  EXPECT_EQ(MulDiv(2, 1, 3), 1);  // 0.667
  EXPECT_EQ(MulDiv(-2, 1, 3), -1);
  EXPECT_EQ(MulDiv(128, 161, 255), 81);  // 80.8
  EXPECT_EQ(MulDiv(129, 161, 255), 81);  // 81.4
  EXPECT_EQ(MulDiv(2, 128, 255), 1);     // 1.004
}

TEST(MulDiv, UsesA64BitIntermediate) {
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 2), 0x7FFFFFFF);
  EXPECT_EQ(MulDiv(-0x7FFFFFFF - 1, 1, 1), -0x7FFFFFFF - 1);
}

TEST(MulDiv, ReportsDivisionByZeroAndOverflowAsMinusOne) {
  EXPECT_EQ(MulDiv(5, 5, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 2, 1), -1);
}

}  // namespace
}  // namespace vitrix
