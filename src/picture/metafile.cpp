#include "picture/metafile.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdlib>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/stored_form.h"
#include "platform/clipboard_device_qt.h"

namespace vitrix {
namespace {

// The kind of metafile that the bytes hold, from their first bytes.
std::string SniffMimeType(const std::string& bytes) {
  if (bytes.size() >= 4 && static_cast<uint8_t>(bytes[0]) == 1 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0) {
    return "image/x-emf";
  }
  if (bytes.size() >= 4 && static_cast<uint8_t>(bytes[0]) == 0xD7 && static_cast<uint8_t>(bytes[1]) == 0xCD &&
      static_cast<uint8_t>(bytes[2]) == 0xC6 && static_cast<uint8_t>(bytes[3]) == 0x9A) {
    return "image/x-wmf";
  }
  return "image/svg+xml";
}

}  // namespace

void TMetafile::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TMetafile::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

void TMetafile::DrawTo(TSurface& surface, const TRect& rect) {
  if (mime_type_ != "image/svg+xml") return;
  const int w = std::abs(rect.Width()), h = std::abs(rect.Height());
  if (w == 0 || h == 0) return;
  QSvgRenderer renderer(QByteArray(bytes_.data(), static_cast<qsizetype>(bytes_.size())));
  if (!renderer.isValid()) return;
  // The drawing is laid on white, as a metafile played on a fresh page.
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  renderer.render(&painter);
  painter.end();
  TBitmap rendered;
  rendered.SetImage(image);
  rendered.DrawTo(surface, rect);
}

void TMetafile::SetPalette(const TPalette& palette) {
  if (palette == palette_) return;
  palette_ = palette;
  SetPaletteModified(true);
  Changed();
}

void TMetafile::CopyFrom(TPersistent& source) {
  auto* metafile = dynamic_cast<TMetafile*>(&source);
  if (metafile == nullptr) {
    TGraphic::CopyFrom(source);
    return;
  }
  if (metafile == this) return;
  bytes_ = metafile->bytes_;
  mime_type_ = metafile->mime_type_;
  width_ = metafile->width_;
  height_ = metafile->height_;
  enhanced_ = metafile->enhanced_;
  palette_ = metafile->palette_;
  Changed();
}

bool TMetafile::Equals(TGraphic& other) {
  auto* metafile = dynamic_cast<TMetafile*>(&other);
  return metafile != nullptr && metafile->bytes_ == bytes_ && metafile->width_ == width_ &&
         metafile->height_ == height_;
}

void TMetafile::LoadFromClipboardFormat(uint32_t format, const TClipboardData& data, const TPalette& palette) {
  const auto* metafile = std::get_if<TClipboardMetafile>(&data);
  if ((format != CF_METAFILEPICT && format != CF_ENHMETAFILE) || metafile == nullptr) {
    throw EInvalidGraphic(kUnsupportedClipboardFormatText);
  }
  palette_ = palette;
  SetPaletteModified(!palette_.Empty());
  Load(*metafile, TMetafileKind::mkEnhanced);
}

void TMetafile::Load(const TClipboardMetafile& metafile, TMetafileKind kind) {
  bytes_ = metafile.Bytes;
  mime_type_ = metafile.MimeType;
  width_ = metafile.Right - metafile.Left;
  height_ = metafile.Bottom - metafile.Top;
  enhanced_ = kind == TMetafileKind::mkEnhanced;
  Changed();
}

void TMetafile::ReadStored(TStream& stream) {
  TClipboardMetafile metafile;
  metafile.Bytes = ReadStoredBlock(stream);
  metafile.MimeType = SniffMimeType(metafile.Bytes);
  ReadMetafileBounds(metafile);
  palette_ = TPalette();
  Load(metafile, metafile.MimeType == "image/x-wmf" ? TMetafileKind::mkWindows : TMetafileKind::mkEnhanced);
}

void TMetafile::WriteStored(TStream& stream) { WriteStoredBlock(stream, bytes_); }

}  // namespace vitrix
