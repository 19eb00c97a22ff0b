#include "controls/datos_gradiante.h"

#include <gtest/gtest.h>

#include <memory>

#include "picture/bitmap.h"
#include "picture/surface.h"

namespace vitrix {
namespace {

constexpr TColor kUnder = 0x123456;

TDatosGradiante Bout1Gradient() {
  TDatosGradiante g;
  g.SetBeginColor(clGreen);
  g.SetEndColor(clSilver);
  g.SetDirection(TDireccionG::dHorizontal);
  g.SetColorCount(255);
  return g;
}

std::unique_ptr<TBitmap> Filled(int w, int h, const TDatosGradiante& g) {
  auto bitmap = std::make_unique<TBitmap>(w, h);
  bitmap->Canvas().Brush.Color = kUnder;
  bitmap->Canvas().FillRect(Rect(0, 0, w, h));
  FillGradient(bitmap->Canvas(), g, w, h);
  return bitmap;
}

TEST(Gradient, NewSettingsAreBlueToBlackVerticalIn255Colours) {
  const TDatosGradiante g;
  EXPECT_EQ(g.BeginColor(), clBlue);
  EXPECT_EQ(g.EndColor(), clBlack);
  EXPECT_EQ(g.Direction(), TDireccionG::dVertical);
  EXPECT_EQ(g.ColorCount(), 255);
}

TEST(Gradient, Bout1BandsHaveTheWorkedValues) {
  const TDatosGradiante g = Bout1Gradient();
  const TGradientBand second = GradientBand(g, 2, 161, 25);
  EXPECT_EQ(second.Rect, Rect(1, 0, 2, 23));
  EXPECT_EQ(second.Color, RGB(2, 129, 2));
  const TGradientBand middle = GradientBand(g, 128, 161, 25);
  EXPECT_EQ(middle.Rect.Left, 81);
  EXPECT_EQ(middle.Rect.Right, 81);
  const TGradientBand before_last = GradientBand(g, 254, 161, 25);
  EXPECT_EQ(before_last.Rect, Rect(160, 0, 161, 23));
  EXPECT_EQ(before_last.Color, RGB(191, 192, 191));
  const TGradientBand last = GradientBand(g, 255, 161, 25);
  EXPECT_EQ(last.Rect, Rect(161, 0, 162, 23));  // outside the button
  EXPECT_EQ(last.Color, clSilver);
}

TEST(Gradient, Bout1FillReadsBackBandByBandAndLeavesTheFirstColumnAndLastRows) {
  const auto bitmap_owner = Filled(161, 25, Bout1Gradient());
  const TBitmap& bitmap = *bitmap_owner;
  for (int y = 0; y < 23; ++y) {
    ASSERT_EQ(bitmap.Pixel(0, y), kUnder) << y;  // before band 2
    ASSERT_EQ(bitmap.Pixel(1, y), RGB(2, 129, 2)) << y;
    ASSERT_EQ(bitmap.Pixel(160, y), RGB(191, 192, 191)) << y;
  }
  for (int x = 0; x < 161; ++x) {
    ASSERT_EQ(bitmap.Pixel(x, 23), kUnder) << x;
    ASSERT_EQ(bitmap.Pixel(x, 24), kUnder) << x;
  }
  // Band 127 covers column 80; band 128 is empty, so column 81 has band 129.
  EXPECT_EQ(bitmap.Pixel(80, 10), RGB(96, 160, 96));
  EXPECT_EQ(bitmap.Pixel(81, 10), RGB(97, 160, 97));
}

TEST(Gradient, FallingChannelsGoDownFromTheBeginColour) {
  TDatosGradiante g;  // silver to black, as the folder button
  g.SetBeginColor(clSilver);
  g.SetEndColor(clBlack);
  g.SetDirection(TDireccionG::dHorizontal);
  const auto bitmap_owner = Filled(137, 25, g);
  const TBitmap& bitmap = *bitmap_owner;
  // Column 1 is band 2: 192 - MulDiv(2, 192, 255) = 190.
  EXPECT_EQ(bitmap.Pixel(1, 5), RGB(190, 190, 190));
  EXPECT_EQ(bitmap.Pixel(136, 5), RGB(1, 1, 1));  // band 254: 192 - 191
}

TEST(Gradient, VerticalBandsRunDownAndSpareTheLastTwoColumns) {
  TDatosGradiante g;  // blue to black, vertical
  g.SetColorCount(4);
  const auto bitmap_owner = Filled(10, 20, g);
  const TBitmap& bitmap = *bitmap_owner;
  // Band 2 covers rows 10..14, band 3 rows 15..19, band 4 starts at 20.
  for (int y = 0; y < 20; ++y) {
    const TColor expected = y < 10 ? kUnder : (y < 15 ? RGB(0, 0, 127) : RGB(0, 0, 64));
    EXPECT_EQ(bitmap.Pixel(0, y), expected) << y;
    EXPECT_EQ(bitmap.Pixel(7, y), expected) << y;
    EXPECT_EQ(bitmap.Pixel(8, y), kUnder) << y;
    EXPECT_EQ(bitmap.Pixel(9, y), kUnder) << y;
  }
}

TEST(Gradient, FewerThanThreeColoursPaintNothingVisible) {
  for (int count : {-5, 0, 1, 2}) {
    TDatosGradiante g = Bout1Gradient();
    g.SetColorCount(count);
    const auto bitmap_owner = Filled(20, 10, g);
    const TBitmap& bitmap = *bitmap_owner;
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) ASSERT_EQ(bitmap.Pixel(x, y), kUnder) << count << ": " << x << "," << y;
    }
  }
}

TEST(Gradient, EqualColoursGiveOneColourEverywhere) {
  TDatosGradiante g = Bout1Gradient();
  g.SetEndColor(clGreen);
  const auto bitmap_owner = Filled(161, 25, g);
  const TBitmap& bitmap = *bitmap_owner;
  for (int x = 1; x < 161; ++x) ASSERT_EQ(bitmap.Pixel(x, 0), clGreen) << x;
}

TEST(Gradient, ChannelsAreTakenFromTheStoredBitsAsTheyAre) {
  TDatosGradiante g;
  g.SetBeginColor(0x80000000u | clRed);  // a high byte is not a colour of its own
  g.SetEndColor(clRed);
  g.SetColorCount(3);
  g.SetDirection(TDireccionG::dHorizontal);
  EXPECT_EQ(GradientBand(g, 2, 30, 10).Color, clRed);
}

}  // namespace
}  // namespace vitrix
