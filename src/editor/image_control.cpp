#include "editor/image_control.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>

#include "controls/qt_input.h"
#include "editor/selection.h"
#include "picture/bitmap.h"
#include "picture/surface.h"
#include "platform/guard.h"

namespace vitrix {
namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// The pixel under the pointer (positions may have fractions on scaled
// screens).
QPoint PixelAt(const QMouseEvent& event) {
  const QPointF at = event.position();
  return QPoint(static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y())));
}

QRegion FrameRegion(const TRect& frame) {
  QRegion region;
  for (const TRect& strip : FrameStrips(frame)) region += ToQRect(strip);
  return region;
}

}  // namespace

TImageControl::TImageControl(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  // Every pixel is painted here (picture, frame or background).
  setAttribute(Qt::WA_OpaquePaintEvent);
  image_.OnInvalidate = [this] { PictureInvalidated(); };
  image_.OnResize = [this] { ModelResized(); };
  setGeometry(image_.Left(), image_.Top(), image_.Width(), image_.Height());
}

TImageControl::~TImageControl() {
  image_.OnInvalidate = nullptr;
  image_.OnResize = nullptr;
}

void TImageControl::ModelResized() {
  setGeometry(image_.Left(), image_.Top(), image_.Width(), image_.Height());
  Raise(OnResize, this);
}

void TImageControl::PictureInvalidated() {
  rendered_stale_ = true;
  update();
}

void TImageControl::SetOverlayFrame(const TRect& rect, TColor color) {
  if (rect == frame_ && color == frame_color_) return;
  QRegion dirty = FrameRegion(frame_) + FrameRegion(rect);
  frame_ = rect;
  frame_color_ = color;
  update(dirty);
}

const TBitmap* TImageControl::Pixels() {
  TGraphic* graphic = image_.Picture().Graphic();
  if (graphic == nullptr) return nullptr;
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) return bitmap;
  if (rendered_stale_) {
    rendered_ = std::make_unique<TBitmap>(image_.Picture().Width(), image_.Picture().Height());
    image_.PaintTo(rendered_->Canvas());
    rendered_stale_ = false;
  }
  return rendered_.get();
}

// Each rectangle of the region is painted under a clip of its own: with a
// single rectangle as its clip the painter copies rows directly, where the
// whole region as clip would send every row of a thin strip through its
// general (and threaded) path.
void TImageControl::paintEvent(QPaintEvent* event) {
  Guarded(
      [&] {
        QPainter painter(this);
        const TBitmap* bitmap = Pixels();
        const QRect picture = bitmap != nullptr ? QRect(0, 0, bitmap->Width(), bitmap->Height()) : QRect();
        const QColor frame_color = QColor::fromRgb(ToQRgb(frame_color_));
        const std::vector<TRect> frame = FrameStrips(frame_);
        for (const QRect& rect : event->region()) {
          painter.setClipRect(rect);
          const QRect inside = rect & picture;
          if (!inside.isEmpty()) painter.drawImage(inside.topLeft(), bitmap->Image(), inside);
          // Where the picture does not reach, the window's background shows.
          if (inside != rect) {
            for (const QRect& outside : QRegion(rect) - QRegion(inside)) {
              painter.fillRect(outside, palette().window());
            }
          }
          for (const TRect& strip : frame) {
            const QRect band = ToQRect(strip) & rect;
            if (!band.isEmpty()) painter.fillRect(band, frame_color);
          }
        }
      },
      TGuardPlace::gpPaintOrShow);
}

void TImageControl::mousePressEvent(QMouseEvent* event) {
  const QPoint at = PixelAt(*event);
  Guarded([&] {
    Raise(OnMouseDown, this, MouseButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()),
          at.x(), at.y());
  });
}

void TImageControl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = PixelAt(*event);
  Guarded([&] { Raise(OnMouseMove, this, ShiftStateOf(event->modifiers(), event->buttons()), at.x(), at.y()); });
}

void TImageControl::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = PixelAt(*event);
  Guarded([&] {
    Raise(OnMouseUp, this, MouseButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()),
          at.x(), at.y());
  });
}

}  // namespace vitrix
