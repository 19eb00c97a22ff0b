#include "picture/bitmap.h"

#include "picture/surface.h"

namespace vitrix {

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height) { SetSize(width, height); }

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int width, int height) {
  if (width == Width() && height == Height()) return;
  if (width <= 0 || height <= 0) {
    image_ = QImage();
  } else {
    image_ = QImage(width, height, QImage::Format_RGB32);
    image_.fill(Qt::white);
  }
  Changed();
}

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  image_ = source.image_;
  Changed();
}

void TBitmap::SetImage(const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) {
    image_ = QImage();
  } else if (image.format() == QImage::Format_RGB32) {
    image_ = image;
  } else if (image.hasAlphaChannel()) {
    // Transparent parts show as white, as they do over a white page.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < flat.height(); ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
      auto* out = reinterpret_cast<QRgb*>(flat.scanLine(y));
      for (int x = 0; x < flat.width(); ++x) {
        const int alpha = qAlpha(in[x]);
        const int white = 255 - alpha;
        out[x] = qRgb(qRed(in[x]) + white, qGreen(in[x]) + white, qBlue(in[x]) + white);
      }
    }
    image_ = flat;
  } else {
    image_ = image.convertToFormat(QImage::Format_RGB32);
  }
  Changed();
}

QImage& TBitmap::MutableImage() {
  image_.detach();
  return image_;
}

TSurface& TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TSurface>(*this);
  return *canvas_;
}

TColor TBitmap::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return clBlack;
  return FromQRgb(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}

void TBitmap::SetPixel(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return;
  reinterpret_cast<QRgb*>(MutableImage().scanLine(y))[x] = ToQRgb(color);
}

void TBitmap::DrawTo(TSurface& surface, const TRect& rect) {
  surface.CopyRect(rect, Canvas(), Rect(0, 0, Width(), Height()));
}

}  // namespace vitrix
