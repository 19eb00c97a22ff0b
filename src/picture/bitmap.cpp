#include "picture/bitmap.h"

#include <QBuffer>

#include "picture/graphic_errors.h"
#include "picture/stored_form.h"
#include "picture/surface.h"
#include "rtl/streams.h"

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
  palette_ = source.palette_;
  SetPaletteModified(!palette_.Empty());
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
  // A bitmap's pixels are its units. A picture grabbed on a scaled screen
  // (or named like "shot@2x.png") comes with a device pixel ratio, which
  // would make every drawing on it land at scaled coordinates.
  if (!image_.isNull()) image_.setDevicePixelRatio(1.0);
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

void TBitmap::SetPalette(const TPalette& palette) {
  if (palette == palette_) return;
  palette_ = palette;
  SetPaletteModified(true);
  Changed();
}

void TBitmap::CopyFrom(TPersistent& source) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&source)) {
    Assign(*bitmap);
    return;
  }
  TGraphic::CopyFrom(source);
}

bool TBitmap::Equals(TGraphic& other) {
  auto* bitmap = dynamic_cast<TBitmap*>(&other);
  return bitmap != nullptr && bitmap->image_ == image_ && bitmap->palette_ == palette_;
}

void TBitmap::LoadFromClipboardFormat(uint32_t format, const TClipboardData& data, const TPalette& palette) {
  const auto* image = std::get_if<QImage>(&data);
  if (format != CF_BITMAP || image == nullptr || image->isNull()) {
    throw EInvalidGraphic(kUnsupportedClipboardFormatText);
  }
  // The clipboard keeps its own bitmap and palette; this one takes copies.
  // SetImage lays transparent parts on white, as the copy onto a bitmap
  // filled white does.
  palette_ = palette;
  SetPaletteModified(!palette_.Empty());
  SetImage(image->copy());
}

void TBitmap::ReadStored(TStream& stream) {
  const std::string bytes = ReadStoredBlock(stream);
  palette_ = TPalette();
  if (bytes.empty()) {
    SetImage(QImage());
    return;
  }
  QImage image;
  if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP")) {
    throw EInvalidGraphic("Bitmap incorrect");
  }
  SetImage(image);
}

void TBitmap::WriteStored(TStream& stream) {
  QByteArray bytes;
  if (!image_.isNull()) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image_.save(&buffer, "BMP");
  }
  WriteStoredBlock(stream, bytes.toStdString());
}

}  // namespace vitrix
