#include "editor/selection.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <utility>

#include "picture/bitmap.h"
#include "picture/surface.h"
#include "support/pixels.h"

namespace vitrix {
namespace {

using test::ExpectPixels;

constexpr TColor kPaper = 0x123456;
constexpr TColor kFill = clBlue;

std::unique_ptr<TBitmap> Paper(int width = 10, int height = 10) {
  auto bitmap = std::make_unique<TBitmap>(width, height);
  bitmap->Canvas().Brush.Color = kPaper;
  bitmap->Canvas().FillRect(Rect(0, 0, width, height));
  bitmap->Canvas().Brush.Color = kFill;
  return bitmap;
}

// The same selection dragged from each of its four corners.
std::vector<TRect> FromEveryCorner(const TRect& r) {
  return {r, Rect(r.Right, r.Top, r.Left, r.Bottom), Rect(r.Left, r.Bottom, r.Right, r.Top),
          Rect(r.Right, r.Bottom, r.Left, r.Top)};
}

TEST(FilledRectangle, BlackOnePixelBorderAndTheFillColourInsideHalfOpenFromEveryCorner) {
  for (const TRect& zone : FromEveryCorner(Rect(2, 3, 7, 8))) {
    auto paper = Paper();
    TBitmap& bitmap = *paper;
    PaintFilledRectangle(bitmap.Canvas(), zone);
    ExpectPixels(bitmap, [](int x, int y) {
      if (!Rect(2, 3, 7, 8).Contains(x, y)) return kPaper;
      return (x == 2 || x == 6 || y == 3 || y == 7) ? clBlack : kFill;
    });
  }
}

TEST(FilledRectangle, PastTheEdgeIsClippedWithoutMovingTheBorder) {
  auto paper = Paper();
  TBitmap& bitmap = *paper;
  PaintFilledRectangle(bitmap.Canvas(), Rect(6, -4, 25, 5));
  ExpectPixels(bitmap, [](int x, int y) {
    if (x < 6 || y >= 5) return kPaper;
    return (x == 6 || y == 4) ? clBlack : kFill;
  });
}

TEST(Outline, CoversColumnsLeftAndRightMinusOneAndRowsTopAndBottomMinusOneFromEveryCorner) {
  for (const TRect& zone : FromEveryCorner(Rect(2, 3, 7, 8))) {
    auto paper = Paper();
    TBitmap& bitmap = *paper;
    PaintOutline(bitmap.Canvas(), zone);
    ExpectPixels(bitmap, [](int x, int y) {
      if (!Rect(2, 3, 7, 8).Contains(x, y)) return kPaper;
      return (x == 2 || x == 6 || y == 3 || y == 7) ? kFill : kPaper;
    });
  }
}

TEST(Tools, SelectionsWithoutWidthOrHeightChangeNoPixel) {
  for (const TRect& zone : {Rect(4, 4, 4, 4), Rect(4, 2, 4, 9), Rect(1, 6, 8, 6)}) {
    auto paper = Paper();
    TBitmap& bitmap = *paper;
    PaintFilledRectangle(bitmap.Canvas(), zone);
    PaintOutline(bitmap.Canvas(), zone);
    ExpectPixels(bitmap, [](int, int) { return kPaper; });
  }
}

TEST(PictureRect, PutsTheSelectionInOrderAndLimitsItToThePicture) {
  const std::pair<TRect, TRect> rows[] = {
      {Rect(2, 3, 7, 8), Rect(2, 3, 7, 8)},
      {Rect(7, 8, 2, 3), Rect(2, 3, 7, 8)},      // dragged up and to the left
      {Rect(-5, 4, 4, -9), Rect(0, 0, 4, 4)},    // past the top-left corner
      {Rect(6, 6, 40, 30), Rect(6, 6, 10, 10)},  // past the bottom-right corner
      {Rect(12, 0, 20, 5), TRect()},             // wholly outside
      {Rect(3, 3, 3, 9), TRect()},               // no width
      {Rect(-3, -3, 0, 0), TRect()},             // touches the corner only
  };
  for (const auto& [zone, expected] : rows) {
    EXPECT_EQ(PictureRectOf(zone, 10, 10), expected)
        << zone.Left << "," << zone.Top << "," << zone.Right << "," << zone.Bottom;
  }
}

// The strips cover exactly the pixels of the one-pixel frame, each once:
// the rubber band repaints exactly what it drew.
TEST(FrameStrips, CoverEachFramePixelExactlyOnce) {
  for (int w = 0; w <= 5; ++w) {
    for (int h = 0; h <= 5; ++h) {
      const TRect rect = Rect(1, 2, 1 + w, 2 + h);
      auto paper = Paper();
      TBitmap& bitmap = *paper;
      bitmap.Canvas().FrameRect(rect);
      std::set<std::pair<int, int>> framed;
      for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
          if (bitmap.Pixel(x, y) == kFill) framed.insert({x, y});
        }
      }
      std::set<std::pair<int, int>> covered;
      size_t area = 0;
      for (const TRect& strip : FrameStrips(rect)) {
        area += static_cast<size_t>(strip.Width()) * static_cast<size_t>(strip.Height());
        for (int y = strip.Top; y < strip.Bottom; ++y) {
          for (int x = strip.Left; x < strip.Right; ++x) covered.insert({x, y});
        }
      }
      EXPECT_EQ(covered, framed) << w << "x" << h;
      EXPECT_EQ(area, framed.size()) << w << "x" << h << ": strips overlap";
    }
  }
}

}  // namespace
}  // namespace vitrix
