#pragma once

// Pixel checks for drawing tests: every pixel of a bitmap against an
// expected colour, and pictures made of one colour or of distinct colours.

#include <gtest/gtest.h>

#include <QImage>
#include <functional>

#include "picture/bitmap.h"

namespace vitrix::test {

// Checks every pixel of the bitmap against the expected colour function and
// stops at the first difference.
inline void ExpectPixels(const TBitmap& bitmap, const std::function<TColor(int, int)>& expected) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      ASSERT_EQ(bitmap.Pixel(x, y), expected(x, y)) << "pixel " << x << "," << y;
    }
  }
}

// A colour of its own for every pixel, so that a pixel copied to the wrong
// place shows.
inline TColor DistinctColor(int x, int y) { return RGB(x * 7 + 3, y * 11 + 5, (x * 13 + y * 17) & 0xFF); }

inline QImage DistinctImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.setPixel(x, y, ToQRgb(DistinctColor(x, y)));
  }
  return image;
}

}  // namespace vitrix::test
