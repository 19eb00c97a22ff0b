#include "editor/picture_view.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "editor/image_control.h"
#include "platform/guard.h"

namespace vitrix {
namespace {

// A click on a bar's arrow scrolls this many logical pixels.
constexpr int kLineStep = 20;

bool DragButtons(Qt::MouseButtons buttons) { return (buttons & (Qt::LeftButton | Qt::MiddleButton)) != 0; }

}  // namespace

TPictureView::TPictureView(TImageControl& image, QWidget* parent) : QWidget(parent), image_(image) {
  image_.setParent(this);
  image_.move(0, 0);
  horizontal_ = new QScrollBar(Qt::Horizontal, this);
  vertical_ = new QScrollBar(Qt::Vertical, this);
  horizontal_->hide();
  vertical_->hide();
  // The bars take no keyboard focus: keys belong to the editor (Esc undoes).
  horizontal_->setFocusPolicy(Qt::NoFocus);
  vertical_->setFocusPolicy(Qt::NoFocus);
  connect(horizontal_, &QScrollBar::valueChanged, this, [this] { BarsMoved(); });
  connect(vertical_, &QScrollBar::valueChanged, this, [this] { BarsMoved(); });
  image_.installEventFilter(this);
  auto_scroll_.setInterval(kAutoScrollIntervalMs);
  connect(&auto_scroll_, &QTimer::timeout, this, [this] { Guarded([this] { AutoScroll(); }); });
}

int TPictureView::BarExtent() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this); }

void TPictureView::SetFit(const TViewFit& fit) {
  fit_ = fit;
  resize(fit.Client);
  const QSize natural = image_.NaturalSize();
  image_.setGeometry(0, 0, std::min(natural.width(), fit.Viewport.width()),
                     std::min(natural.height(), fit.Viewport.height()));
  const int extent = BarExtent();
  horizontal_->setGeometry(0, fit.Viewport.height(), fit.Viewport.width(), extent);
  vertical_->setGeometry(fit.Viewport.width(), 0, extent, fit.Viewport.height());
  horizontal_->setVisible(fit.HorizontalBar);
  vertical_->setVisible(fit.VerticalBar);
  UpdateRanges();
}

// The bars count picture pixels: the largest value shows the picture's last
// column (row) whole at the viewport's edge.
void TPictureView::UpdateRanges() {
  const double ratio = image_.Ratio();
  const QSize picture(image_.Image().Width(), image_.Image().Height());
  const int visible_width = static_cast<int>(std::floor(image_.width() * ratio + 1e-6));
  const int visible_height = static_cast<int>(std::floor(image_.height() * ratio + 1e-6));
  const QSignalBlocker block_horizontal(horizontal_);
  const QSignalBlocker block_vertical(vertical_);
  horizontal_->setRange(0, fit_.HorizontalBar ? std::max(0, picture.width() - visible_width) : 0);
  vertical_->setRange(0, fit_.VerticalBar ? std::max(0, picture.height() - visible_height) : 0);
  horizontal_->setPageStep(std::max(1, visible_width));
  vertical_->setPageStep(std::max(1, visible_height));
  const int line = std::max(1, static_cast<int>(std::lround(kLineStep * ratio)));
  horizontal_->setSingleStep(line);
  vertical_->setSingleStep(line);
  BarsMoved();
}

void TPictureView::BarsMoved() { image_.SetOrigin(QPoint(horizontal_->value(), vertical_->value())); }

void TPictureView::wheelEvent(QWheelEvent* event) {
  const bool sideways = event->angleDelta().x() != 0 || (event->modifiers() & Qt::ShiftModifier) != 0;
  QScrollBar* bar = sideways || !fit_.VerticalBar ? horizontal_ : vertical_;
  if (bar->maximum() == 0) {
    event->ignore();
    return;
  }
  QApplication::sendEvent(bar, event);
}

bool TPictureView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &image_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::MouseMove) {
    const auto* move = static_cast<QMouseEvent*>(event);
    if (DragButtons(move->buttons())) {
      drag_ = {move->position(), move->scenePosition(), move->globalPosition(), move->buttons(), move->modifiers()};
      if (!auto_scroll_.isActive() && !AutoScrollSteps().isNull()) auto_scroll_.start();
    }
  } else if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::Hide) {
    auto_scroll_.stop();
  }
  return QWidget::eventFilter(watched, event);
}

// Only towards a side where some of the picture is hidden.
QPoint TPictureView::AutoScrollSteps() const {
  const double ratio = image_.Ratio();
  int dx = AutoScrollStep(static_cast<int>(std::floor(drag_.Local.x())), image_.width(), kEdgeMargin, ratio);
  int dy = AutoScrollStep(static_cast<int>(std::floor(drag_.Local.y())), image_.height(), kEdgeMargin, ratio);
  if ((dx < 0 && horizontal_->value() == horizontal_->minimum()) ||
      (dx > 0 && horizontal_->value() == horizontal_->maximum())) {
    dx = 0;
  }
  if ((dy < 0 && vertical_->value() == vertical_->minimum()) ||
      (dy > 0 && vertical_->value() == vertical_->maximum())) {
    dy = 0;
  }
  return QPoint(dx, dy);
}

void TPictureView::AutoScroll() {
  const QPoint steps = AutoScrollSteps();
  if (steps.isNull()) {
    auto_scroll_.stop();
    return;
  }
  horizontal_->setValue(horizontal_->value() + steps.x());
  vertical_->setValue(vertical_->value() + steps.y());
  // The pointer did not move, the picture under it did.
  QMouseEvent move(QEvent::MouseMove, drag_.Local, drag_.Scene, drag_.Global, Qt::NoButton, drag_.Buttons,
                   drag_.Modifiers);
  QApplication::sendEvent(&image_, &move);
}

}  // namespace vitrix
