#include "picture/surface.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "rtl/cp1252.h"

namespace vitrix {
namespace {

QString ToQString(std::string_view text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

QRgb Combine(TPenMode mode, QRgb pen, QRgb target) {
  switch (mode) {
    case TPenMode::pmNot: return ~target | 0xFF000000u;
    case TPenMode::pmXor: return (pen ^ target) | 0xFF000000u;
    case TPenMode::pmCopy: break;
  }
  return pen;
}

QPainter::CompositionMode CompositionFor(TPenMode mode) {
  switch (mode) {
    case TPenMode::pmNot: return QPainter::RasterOp_NotDestination;
    case TPenMode::pmXor: return QPainter::RasterOp_SourceXorDestination;
    case TPenMode::pmCopy: break;
  }
  return QPainter::CompositionMode_SourceOver;
}

Qt::PenStyle QtPenStyle(TPenStyle style) {
  switch (style) {
    case TPenStyle::psDash: return Qt::DashLine;
    case TPenStyle::psDot: return Qt::DotLine;
    case TPenStyle::psDashDot: return Qt::DashDotLine;
    case TPenStyle::psClear: return Qt::NoPen;
    case TPenStyle::psSolid: break;
  }
  return Qt::SolidLine;
}

QString ResolveFamily(const std::string& name) {
  static const QString kSubstitute = QStringLiteral("Liberation Sans");
  if (name.empty() || name == "MS Sans Serif") return kSubstitute;
  const QString family = ToQString(name);
  return QFontDatabase::hasFamily(family) ? family : kSubstitute;
}

}  // namespace

QFont ToQFont(const TFont& font) {
  QFont result(ResolveFamily(font.Name));
  if (font.Height < 0) {
    result.setPixelSize(-font.Height);
  } else if (font.Height > 0) {
    // A cell height includes the internal leading, about a sixth of it.
    result.setPixelSize(std::max(1, font.Height * 5 / 6));
  } else {
    result.setPixelSize(std::max(1, (font.Size * 96 + 36) / 72));
  }
  result.setBold(font.Bold);
  result.setStyleStrategy(QFont::PreferDefault);
  return result;
}

TRect TSurface::Bounds() const { return Rect(0, 0, target_.Width(), target_.Height()); }

// Unclipped callers must not exist: every fill goes through the bounds here.
void TSurface::FillClipped(const TRect& rect, TColor color) {
  const TRect r = rect.Intersected(Bounds());
  if (r.IsEmpty()) return;
  QImage& image = target_.MutableImage();
  const QRgb pixel = ToQRgb(color);
  for (int y = r.Top; y < r.Bottom; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(row + r.Left, row + r.Right, pixel);
  }
}

void TSurface::FillRect(const TRect& rect) {
  FillClipped(rect, Brush.Color);
  target_.NotifyDrawn();
}

void TSurface::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  const TRect r = Rect(x1, y1, x2, y2).Normalized();
  if (r.IsEmpty()) return;
  if (Pen.Style == TPenStyle::psClear) {
    // Without an outline the interior loses the right column and bottom row.
    if (Brush.Style == TBrushStyle::bsSolid) FillClipped(Rect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), Brush.Color);
    target_.NotifyDrawn();
    return;
  }
  const int w = std::max(1, Pen.Width);
  if (Brush.Style == TBrushStyle::bsSolid) {
    FillClipped(Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), Brush.Color);
  }
  // The outline's centre line runs on the border pixels; wider pens grow to
  // both sides of it.
  const int before = (w - 1) / 2;
  const int after = w - before;
  const TRect outer = Rect(r.Left - before, r.Top - before, r.Right - 1 + after, r.Bottom - 1 + after);
  const TRect inner = Rect(r.Left + after, r.Top + after, r.Right - 1 - before, r.Bottom - 1 - before);
  if (Pen.Mode == TPenMode::pmCopy && Pen.Style == TPenStyle::psSolid) {
    FillClipped(Rect(outer.Left, outer.Top, outer.Right, std::min(outer.Bottom, inner.Top)), Pen.Color);
    FillClipped(Rect(outer.Left, std::max(outer.Top, inner.Bottom), outer.Right, outer.Bottom), Pen.Color);
    FillClipped(Rect(outer.Left, inner.Top, std::min(outer.Right, inner.Left), inner.Bottom), Pen.Color);
    FillClipped(Rect(std::max(outer.Left, inner.Right), inner.Top, outer.Right, inner.Bottom), Pen.Color);
  } else {
    const TPoint saved = pen_pos_;
    MoveTo(r.Left, r.Top);
    LineTo(r.Right - 1, r.Top);
    LineTo(r.Right - 1, r.Bottom - 1);
    LineTo(r.Left, r.Bottom - 1);
    LineTo(r.Left, r.Top);
    pen_pos_ = saved;
  }
  target_.NotifyDrawn();
}

void TSurface::FrameRect(const TRect& rect) {
  if (rect.IsEmpty()) return;
  const TRect& r = rect;
  FillClipped(Rect(r.Left, r.Top, r.Right, r.Top + 1), Brush.Color);
  FillClipped(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), Brush.Color);
  FillClipped(Rect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1), Brush.Color);
  FillClipped(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1), Brush.Color);
  target_.NotifyDrawn();
}

void TSurface::CopyRect(const TRect& dest, TSurface& source, const TRect& src) {
  const int dw = dest.Width(), dh = dest.Height();
  const int sw = src.Width(), sh = src.Height();
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return;
  // Take the source pixels before the target is written: they may be the
  // same image.
  const QImage from = source.target_.Image();
  if (from.isNull()) return;
  const TRect dn = dest.Normalized();
  const TRect clip = dn.Intersected(Bounds());
  if (clip.IsEmpty()) return;
  // Mirroring: an extent of the opposite sign on one side flips that axis.
  const bool flip_x = (dw < 0) != (sw < 0);
  const bool flip_y = (dh < 0) != (sh < 0);
  const TRect sn = src.Normalized();
  const int64_t adw = dn.Width(), adh = dn.Height(), asw = sn.Width(), ash = sn.Height();
  QImage& to = target_.MutableImage();
  const bool same_size = adw == asw && adh == ash;
  for (int y = clip.Top; y < clip.Bottom; ++y) {
    const int64_t oy = flip_y ? adh - 1 - (y - dn.Top) : (y - dn.Top);
    const int sy = sn.Top + static_cast<int>(same_size ? oy : oy * ash / adh);
    if (sy < 0 || sy >= from.height()) continue;
    const auto* in = reinterpret_cast<const QRgb*>(from.constScanLine(sy));
    auto* out = reinterpret_cast<QRgb*>(to.scanLine(y));
    if (same_size && !flip_x) {
      // Straight copy of the part of the row that lies inside the source.
      const int shift = sn.Left - dn.Left;
      const int first = std::max(clip.Left, -shift);
      const int last = std::min(clip.Right, from.width() - shift);
      if (first < last) std::memmove(out + first, in + first + shift, sizeof(QRgb) * static_cast<size_t>(last - first));
      continue;
    }
    for (int x = clip.Left; x < clip.Right; ++x) {
      const int64_t ox = flip_x ? adw - 1 - (x - dn.Left) : (x - dn.Left);
      const int sx = sn.Left + static_cast<int>(same_size ? ox : ox * asw / adw);
      if (sx >= 0 && sx < from.width()) out[x] = in[sx];
    }
  }
  target_.NotifyDrawn();
}

void TSurface::LineTo(int32_t x, int32_t y) {
  const TPoint from = pen_pos_;
  pen_pos_ = {x, y};
  if (Pen.Style == TPenStyle::psClear || target_.Empty()) return;
  if (Pen.Width <= 1 && Pen.Style == TPenStyle::psSolid) {
    // Bresenham, leaving out the end point; each pixel is clipped.
    QImage& image = target_.MutableImage();
    const QRgb pen = ToQRgb(Pen.Color);
    int x0 = from.X, y0 = from.Y;
    const int dx = std::abs(x - x0), sx = x0 < x ? 1 : -1;
    const int dy = -std::abs(y - y0), sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    while (x0 != x || y0 != y) {
      if (x0 >= 0 && y0 >= 0 && x0 < image.width() && y0 < image.height()) {
        auto* px = reinterpret_cast<QRgb*>(image.scanLine(y0)) + x0;
        *px = Combine(Pen.Mode, pen, *px);
      }
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  } else {
    QPainter painter(&target_.MutableImage());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(CompositionFor(Pen.Mode));
    QPen pen(QColor::fromRgb(ToQRgb(Pen.Color)), std::max(1, Pen.Width), QtPenStyle(Pen.Style), Qt::RoundCap,
             Qt::RoundJoin);
    painter.setPen(pen);
    painter.drawLine(QPointF(from.X, from.Y), QPointF(x, y));
  }
  target_.NotifyDrawn();
}

void TSurface::TextOut(int32_t x, int32_t y, std::string_view text) {
  if (target_.Empty() || text.empty()) return;
  const QFont font = ToQFont(Font);
  const QFontMetrics metrics(font);
  const QString string = ToQString(text);
  if (Brush.Style == TBrushStyle::bsSolid) {
    FillClipped(Rect(x, y, x + metrics.horizontalAdvance(string), y + metrics.height()), Brush.Color);
  }
  QPainter painter(&target_.MutableImage());
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(ToQRgb(Font.Color)));
  painter.drawText(QPoint(x, y + metrics.ascent()), string);
  painter.end();
  pen_pos_ = {x + metrics.horizontalAdvance(string), y};
  target_.NotifyDrawn();
}

TSize TSurface::TextExtent(std::string_view text) const {
  const QFontMetrics metrics(ToQFont(Font));
  return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

void TSurface::Draw(int32_t x, int32_t y, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.DrawTo(*this, Rect(x, y, x + graphic.Width(), y + graphic.Height()));
}

void TSurface::StretchDraw(const TRect& rect, TGraphic& graphic) {
  if (graphic.Empty()) return;
  graphic.DrawTo(*this, rect);
}

}  // namespace vitrix
