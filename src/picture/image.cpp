#include "picture/image.h"

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/surface.h"

namespace vitrix {

TImage::TImage() {
  picture_.OnChange = [this](TPicture&) { PictureChanged(); };
  picture_.OnProgress = [this](TGraphic&, TProgressStage, uint8_t, bool redraw_now, const TRect&, const std::string&) {
    if (redraw_now) Invalidate();
  };
}

void TImage::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (OnResize) OnResize();
  Invalidate();
}

void TImage::SetAutoSize(bool on) {
  auto_size_ = on;
  if (on) PictureChanged();
}

void TImage::PictureChanged() {
  if (auto_size_ && picture_.Width() > 0 && picture_.Height() > 0) {
    SetBounds(left_, top_, picture_.Width(), picture_.Height());
  }
  Invalidate();
}

void TImage::Invalidate() {
  if (OnInvalidate) OnInvalidate();
}

TSurface& TImage::DrawingCanvas() {
  TGraphic* graphic = picture_.Graphic();
  if (graphic == nullptr) {
    auto bitmap = std::make_unique<TBitmap>(width_, height_);
    TBitmap& installed = *bitmap;
    picture_.SetGraphic(std::move(bitmap));
    return installed.Canvas();
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) return bitmap->Canvas();
  throw EInvalidOperation(kNoBitmapToDrawOnText);
}

void TImage::PaintTo(TSurface& surface) {
  TGraphic* graphic = picture_.Graphic();
  if (graphic == nullptr) return;
  surface.StretchDraw(Rect(0, 0, picture_.Width(), picture_.Height()), *graphic);
}

}  // namespace vitrix
