#include "picture/surface.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "picture/bitmap.h"

namespace vitrix {
namespace {

constexpr TColor kBackground = 0x123456;

std::unique_ptr<TBitmap> MakeBitmap(int w = 10, int h = 10) {
  auto bitmap = std::make_unique<TBitmap>(w, h);
  bitmap->Canvas().Brush.Color = kBackground;
  bitmap->Canvas().FillRect(Rect(0, 0, w, h));
  return bitmap;
}

// Checks every pixel of the bitmap against the expected colour function.
void ExpectPixels(const TBitmap& bitmap, const std::function<TColor(int, int)>& expected) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      ASSERT_EQ(bitmap.Pixel(x, y), expected(x, y)) << "pixel " << x << "," << y;
    }
  }
}

TEST(Surface, FillRectIsHalfOpen) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  bitmap.Canvas().Brush.Color = clRed;
  bitmap.Canvas().FillRect(Rect(2, 3, 5, 7));
  ExpectPixels(bitmap, [](int x, int y) { return Rect(2, 3, 5, 7).Contains(x, y) ? clRed : kBackground; });
}

TEST(Surface, FillRectClipsToTheBitmapAndIgnoresInvertedRectangles) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  TSurface& canvas = bitmap.Canvas();
  canvas.Brush.Color = clRed;
  canvas.FillRect(Rect(5, 5, 5000, 5000));
  canvas.Brush.Color = clBlue;
  canvas.FillRect(Rect(-20, -20, 2, 2));
  canvas.FillRect(Rect(8, 1, 6, 3));  // right before left: nothing
  ExpectPixels(bitmap, [](int x, int y) {
    if (x < 2 && y < 2) return clBlue;
    return (x >= 5 && y >= 5) ? clRed : kBackground;
  });
}

TEST(Surface, RectangleHasAOnePixelPenBorderAndABrushInterior) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  TSurface& canvas = bitmap.Canvas();
  canvas.Brush.Color = clRed;
  canvas.Rectangle(7, 8, 2, 1);  // corners in either order
  ExpectPixels(bitmap, [](int x, int y) {
    if (!Rect(2, 1, 7, 8).Contains(x, y)) return kBackground;
    if (x == 2 || x == 6 || y == 1 || y == 7) return clBlack;
    return clRed;
  });
}

TEST(Surface, EmptyRectangleChangesNothing) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  bitmap.Canvas().Rectangle(4, 4, 4, 4);
  bitmap.Canvas().Rectangle(4, 4, 8, 4);
  ExpectPixels(bitmap, [](int, int) { return kBackground; });
}

TEST(Surface, RectangleBeyondTheEdgeIsClipped) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  bitmap.Canvas().Brush.Color = clRed;
  bitmap.Canvas().Rectangle(6, 6, 20, 20);
  ExpectPixels(bitmap, [](int x, int y) {
    if (x < 6 || y < 6) return kBackground;
    return (x == 6 || y == 6) ? clBlack : clRed;
  });
}

TEST(Surface, FrameRectCoversTheBorderColumnsAndRowsOnly) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  bitmap.Canvas().Brush.Color = clBlue;
  bitmap.Canvas().FrameRect(Rect(1, 2, 6, 9));
  ExpectPixels(bitmap, [](int x, int y) {
    if (!Rect(1, 2, 6, 9).Contains(x, y)) return kBackground;
    return (x == 1 || x == 5 || y == 2 || y == 8) ? clBlue : kBackground;
  });
  auto untouched_owner = MakeBitmap();
  TBitmap& untouched = *untouched_owner;
  untouched.Canvas().FrameRect(Rect(6, 6, 2, 2));
  ExpectPixels(untouched, [](int, int) { return kBackground; });
}

TEST(Surface, CopyRectCopiesSameSizeAreasAndIgnoresPixelsOutsideTheSource) {
  auto source_owner = MakeBitmap(4, 4);
  TBitmap& source = *source_owner;
  source.SetPixel(0, 0, clRed);
  source.SetPixel(3, 3, clBlue);
  auto target_owner = MakeBitmap();
  TBitmap& target = *target_owner;
  target.Canvas().Brush.Color = clWhite;
  target.Canvas().FillRect(Rect(0, 0, 10, 10));
  // The source rectangle runs two pixels past the source's right and bottom edges.
  target.Canvas().CopyRect(Rect(3, 3, 9, 9), source.Canvas(), Rect(0, 0, 6, 6));
  ExpectPixels(target, [](int x, int y) {
    if (x == 3 && y == 3) return clRed;
    if (x == 6 && y == 6) return clBlue;
    return Rect(3, 3, 7, 7).Contains(x, y) ? kBackground : clWhite;
  });
}

TEST(Surface, CopyRectStretchesWithTheNearestPixel) {
  TBitmap source(2, 1);
  source.SetPixel(0, 0, clRed);
  source.SetPixel(1, 0, clBlue);
  auto target_owner = MakeBitmap(4, 2);
  TBitmap& target = *target_owner;
  target.Canvas().CopyRect(Rect(0, 0, 4, 2), source.Canvas(), Rect(0, 0, 2, 1));
  ExpectPixels(target, [](int x, int) { return x < 2 ? clRed : clBlue; });
}

TEST(Surface, CopyRectWithinOneBitmapReadsTheOriginalPixels) {
  auto bitmap_owner = MakeBitmap(6, 1);
  TBitmap& bitmap = *bitmap_owner;
  for (int x = 0; x < 6; ++x) bitmap.SetPixel(x, 0, RGB(x, 0, 0));
  bitmap.Canvas().CopyRect(Rect(1, 0, 6, 1), bitmap.Canvas(), Rect(0, 0, 5, 1));
  ExpectPixels(bitmap, [](int x, int) { return RGB(x == 0 ? 0 : x - 1, 0, 0); });
}

TEST(Surface, CopiesShareNothingOnceDrawnOn) {
  auto original_owner = MakeBitmap(3, 3);
  TBitmap& original = *original_owner;
  TBitmap copy;
  copy.Assign(original);
  copy.Canvas().Brush.Color = clRed;
  copy.Canvas().FillRect(Rect(0, 0, 3, 3));
  EXPECT_EQ(original.Pixel(1, 1), kBackground);
  EXPECT_EQ(copy.Pixel(1, 1), clRed);
}

TEST(Surface, OnePixelLineLeavesOutItsEndPoint) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  bitmap.Canvas().MoveTo(1, 4);
  bitmap.Canvas().LineTo(6, 4);
  ExpectPixels(bitmap, [](int x, int y) { return (y == 4 && x >= 1 && x < 6) ? clBlack : kBackground; });
  EXPECT_EQ(bitmap.Canvas().PenPos(), (TPoint{6, 4}));
}

TEST(Surface, WideLineOnTheEdgeCoversHalfItsWidthInside) {
  auto bitmap_owner = MakeBitmap();
  TBitmap& bitmap = *bitmap_owner;
  TSurface& canvas = bitmap.Canvas();
  canvas.Pen.Width = 4;
  canvas.Pen.Color = clWhite;
  canvas.MoveTo(0, 10);
  canvas.LineTo(10, 10);
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(bitmap.Pixel(x, 9), clWhite) << x;
    EXPECT_EQ(bitmap.Pixel(x, 8), clWhite) << x;
    EXPECT_EQ(bitmap.Pixel(x, 7), kBackground) << x;
  }
}

TEST(Surface, TextIsDrawnInTheFontColourWithoutBackgroundWhenTheBrushIsClear) {
  auto bitmap_owner = MakeBitmap(60, 20);
  TBitmap& bitmap = *bitmap_owner;
  TSurface& canvas = bitmap.Canvas();
  canvas.Font.Color = clWhite;
  canvas.Font.Height = -11;
  canvas.Font.Bold = true;
  canvas.Brush.Style = TBrushStyle::bsClear;
  const TSize extent = canvas.TextExtent("Vider");
  EXPECT_GT(extent.cx, 10);
  EXPECT_GE(extent.cy, 11);
  canvas.TextOut(2, 2, "Vider");
  int lit = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 60; ++x) {
      const TColor c = bitmap.Pixel(x, y);
      // Glyphs may overhang their advance by a pixel, as bold italics do.
      if (!Rect(1, 1, 3 + extent.cx, 3 + extent.cy).Contains(x, y)) {
        ASSERT_EQ(c, kBackground) << x << "," << y;
      } else if (c == clWhite) {
        ++lit;
      }
    }
  }
  EXPECT_GT(lit, 10);
}

TEST(Surface, WiderFontsMeasureWider) {
  TBitmap bitmap(10, 10);
  TSurface& canvas = bitmap.Canvas();
  canvas.Font.Height = -8;
  const int small = canvas.TextWidth("Vider le dossier travail");
  canvas.Font.Height = -11;
  EXPECT_GT(canvas.TextWidth("Vider le dossier travail"), small);
}

}  // namespace
}  // namespace vitrix
