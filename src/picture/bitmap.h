#pragma once

// A bitmap: 32-bit pixels (QImage::Format_RGB32, so each pixel is blue,
// green, red, unused in memory) with a drawing surface of its own. Copies
// share the pixels until one side changes them.

#include <QImage>
#include <memory>

#include "picture/graphic.h"

namespace vitrix {

class TSurface;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;

  const char* ClassName() const override { return "TBitmap"; }
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  void SetWidth(int width) override { SetSize(width, Height()); }
  void SetHeight(int height) override { SetSize(Width(), height); }
  bool Empty() const override { return image_.isNull(); }
  void DrawTo(TSurface& surface, const TRect& rect) override;

  TPalette Palette() const override { return palette_; }
  // Takes a copy of the palette and marks the palette as modified.
  void SetPalette(const TPalette& palette) override;

  // A bitmap copies another bitmap; other sources copy themselves into it.
  void CopyFrom(TPersistent& source) override;
  bool Equals(TGraphic& other) override;
  // Takes a copy of the clipboard's bitmap (CF_BITMAP) and of its palette.
  void LoadFromClipboardFormat(uint32_t format, const TClipboardData& data, const TPalette& palette) override;
  // Stored form: a counted block holding a BMP file.
  void ReadStored(TStream& stream) override;
  void WriteStored(TStream& stream) override;

  // Changes the size; the pixels kept are undefined (callers redraw them).
  // A width or height of 0 (or less) gives an empty bitmap.
  void SetSize(int width, int height);
  // Makes this bitmap a copy of source, palette included (pixels shared
  // until one side changes).
  void Assign(const TBitmap& source);
  // Takes the pixels of an image, converted to 32 bits when needed, one
  // unit per pixel whatever the image's device pixel ratio.
  void SetImage(const QImage& image);

  const QImage& Image() const { return image_; }
  // Writable pixels: detaches them from any copy first.
  QImage& MutableImage();

  // The bitmap's drawing surface, created on first use; it keeps its pen,
  // brush and font for as long as the bitmap lives.
  TSurface& Canvas();

  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor color);

  // Called by the surface after it drew on the bitmap.
  void NotifyDrawn() { Changed(); }

 private:
  QImage image_;
  TPalette palette_;
  std::unique_ptr<TSurface> canvas_;
};

}  // namespace vitrix
