#include "controls/window_placement.h"

#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vitrix {
namespace {

// The frame last seen around any window of the program.
QMargins& LastSeenFrame() {
  static QMargins frame;
  return frame;
}

int PlaceAlong(int start, int length, int area_start, int area_length) {
  if (length >= area_length) return area_start;
  return std::clamp(start, area_start, area_start + area_length - length);
}

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

}  // namespace

QPoint PlaceWhole(const QRect& frame, const QRect& available) {
  return QPoint(PlaceAlong(frame.left(), frame.width(), available.left(), available.width()),
                PlaceAlong(frame.top(), frame.height(), available.top(), available.height()));
}

TWindowPlacement::TWindowPlacement(QWidget& window) : QObject(&window), window_(window) {
  design_ = window.pos();
  window.installEventFilter(this);
}

QScreen* TWindowPlacement::ScreenAtDesign() const {
  if (QScreen* screen = QGuiApplication::screenAt(design_)) return screen;
  return QGuiApplication::primaryScreen();
}

QRect TWindowPlacement::AvailableArea() const {
  const QScreen* screen = ScreenAtDesign();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

QMargins TWindowPlacement::CurrentFrame() const {
  if (!window_.isVisible()) return {};
  const QRect inner = window_.geometry();
  const QRect outer = window_.frameGeometry();
  return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                  outer.bottom() - inner.bottom());
}

QMargins TWindowPlacement::FrameMargins() const { return own_frame_.isNull() ? LastSeenFrame() : own_frame_; }

QSize TWindowPlacement::Room() const {
  const QMargins frame = FrameMargins();
  const QSize area = AvailableArea().size();
  return QSize(std::max(0, area.width() - frame.left() - frame.right()),
               std::max(0, area.height() - frame.top() - frame.bottom()));
}

void TWindowPlacement::PlaceAt(QPoint design) {
  design_ = design;
  Place();
}

void TWindowPlacement::Place() {
  const QRect available = AvailableArea();
  if (available.isEmpty()) {
    window_.move(design_);
    return;
  }
  const QMargins frame = FrameMargins();
  const QSize outer = window_.size().grownBy(frame);
  const QPoint target = PlaceWhole(QRect(design_, outer), available);
  if (!window_.isVisible() || window_.frameGeometry().topLeft() != target) window_.move(target);
}

// After a showing, the window manager frames the window and moves it into its
// frame: the showing itself, or the first move or resize after it, that shows
// the frame places the window again with that frame. This lasts a short while
// only, so that later moves by the user are left alone.
bool TWindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &window_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Show:
      settling_ = true;
      shown_at_ms_ = NowMs();
      LookForFrame();
      break;
    case QEvent::Move:
    case QEvent::Resize: LookForFrame(); break;
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

void TWindowPlacement::LookForFrame() {
  if (!settling_) return;
  if (NowMs() - shown_at_ms_ > kSettleMs) {
    settling_ = false;
    return;
  }
  const QMargins frame = CurrentFrame();
  if (frame.isNull()) return;
  settling_ = false;
  if (frame == own_frame_) return;
  own_frame_ = frame;
  LastSeenFrame() = frame;
  if (OnFrameChange) OnFrameChange();
  Place();
}

}  // namespace vitrix
