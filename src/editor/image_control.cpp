#include "editor/image_control.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <cmath>

#include "controls/qt_input.h"
#include "editor/picture_scale.h"
#include "editor/selection.h"
#include "picture/bitmap.h"
#include "picture/surface.h"
#include "platform/guard.h"

namespace vitrix {
namespace {

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

}  // namespace

TImageControl::TImageControl(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  // Every pixel is painted here (picture, frame or background).
  setAttribute(Qt::WA_OpaquePaintEvent);
  image_.OnInvalidate = [this] { PictureInvalidated(); };
  image_.OnResize = [this] { ModelResized(); };
  setGeometry(QRect(QPoint(image_.Left(), image_.Top()), NaturalSize()));
}

TImageControl::~TImageControl() {
  image_.OnInvalidate = nullptr;
  image_.OnResize = nullptr;
}

QSize TImageControl::NaturalSize() const {
  return QSize(LogicalExtent(image_.Width(), Ratio()), LogicalExtent(image_.Height(), Ratio()));
}

void TImageControl::SetOrigin(QPoint origin) {
  if (origin == origin_) return;
  origin_ = origin;
  update();
}

void TImageControl::ModelResized() {
  setGeometry(QRect(QPoint(image_.Left(), image_.Top()), NaturalSize()));
  Raise(OnResize, this);
}

void TImageControl::PictureInvalidated() {
  rendered_stale_ = true;
  update();
}

QRect TImageControl::LogicalRectOf(const TRect& picture_rect) const {
  return LogicalRectCovering(ToQRect(picture_rect).translated(-origin_), Ratio());
}

QRegion TImageControl::FrameRegion(const TRect& frame) const {
  QRegion region;
  for (const TRect& strip : FrameStrips(frame)) region += LogicalRectOf(strip);
  return region;
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

// The painter works in device pixels, where one picture pixel is one pixel of
// the screen; each logical rectangle to repaint is widened to the device
// pixels it touches. Each rectangle of the region is painted under a clip of
// its own: with a single rectangle as its clip the painter copies rows
// directly, where the whole region as clip would send every row of a thin
// strip through its general (and threaded) path.
void TImageControl::paintEvent(QPaintEvent* event) {
  Guarded(
      [&] {
        QPainter painter(this);
        const double ratio = Ratio();
        if (ratio != 1.0) painter.setWorldTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
        const TBitmap* bitmap = Pixels();
        // The picture's place in device pixels of the control.
        const QRect picture = bitmap != nullptr ? QRect(-origin_, QSize(bitmap->Width(), bitmap->Height())) : QRect();
        const QColor frame_color = QColor::fromRgb(ToQRgb(frame_color_));
        const std::vector<TRect> frame = FrameStrips(frame_);
        for (const QRect& logical : event->region()) {
          const QRect rect = DeviceRectCovering(logical, ratio);
          painter.setClipRect(rect);
          const QRect inside = rect & picture;
          if (!inside.isEmpty()) painter.drawImage(inside.topLeft(), bitmap->Image(), inside.translated(origin_));
          // Where the picture does not reach, the window's background shows.
          if (inside != rect) {
            for (const QRect& outside : QRegion(rect) - QRegion(inside)) {
              painter.fillRect(outside, palette().window());
            }
          }
          for (const TRect& strip : frame) {
            const QRect band = ToQRect(strip).translated(-origin_) & rect;
            if (!band.isEmpty()) painter.fillRect(band, frame_color);
          }
        }
      },
      TGuardPlace::gpPaintOrShow);
}

// The event's scene position is the pointer relative to the window at the
// window system's full precision, where its position is rounded to whole
// logical pixels; the scene position is used whenever it tells of the same
// point (it does not for events made up by a program, which give the
// position in both).
QPoint TImageControl::PicturePixelAt(const QMouseEvent& event) const {
  const QPoint offset = mapTo(window(), QPoint(0, 0));
  QPointF at = event.scenePosition() - QPointF(offset);
  const QPointF rounded = event.position();
  if (std::abs(at.x() - rounded.x()) >= 1.0 || std::abs(at.y() - rounded.y()) >= 1.0) at = rounded;
  const double ratio = Ratio();
  return QPoint(DevicePixelAt(at.x(), ratio), DevicePixelAt(at.y(), ratio)) + origin_;
}

void TImageControl::mousePressEvent(QMouseEvent* event) {
  const QPoint at = PicturePixelAt(*event);
  Guarded([&] {
    Raise(OnMouseDown, this, MouseButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), at.x(),
          at.y());
  });
}

void TImageControl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = PicturePixelAt(*event);
  Guarded([&] { Raise(OnMouseMove, this, ShiftStateOf(event->modifiers(), event->buttons()), at.x(), at.y()); });
}

void TImageControl::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = PicturePixelAt(*event);
  Guarded([&] {
    Raise(OnMouseUp, this, MouseButtonOf(event->button()), ShiftStateOf(event->modifiers(), event->buttons()), at.x(),
          at.y());
  });
}

}  // namespace vitrix
