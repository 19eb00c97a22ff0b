#include "controls/up_down.h"

#include <QToolButton>
#include <algorithm>

#include "platform/guard.h"

namespace vitrix {

TUpDown::TUpDown(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  for (QToolButton* arrow : {up_, down_}) {
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
  }
  connect(up_, &QToolButton::clicked, this, [this] { Guarded([this] { Click(TUDBtnType::btNext); }); });
  connect(down_, &QToolButton::clicked, this, [this] { Guarded([this] { Click(TUDBtnType::btPrev); }); });
}

void TUpDown::SetPosition(int32_t value) { position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_)); }

void TUpDown::Click(TUDBtnType button) {
  const int64_t step = button == TUDBtnType::btNext ? increment_ : -int64_t{increment_};
  const int64_t wanted = std::clamp<int64_t>(position_ + step, std::min(min_, max_), std::max(min_, max_));
  const auto next = static_cast<int32_t>(wanted);
  if (next == position_) return;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow, next);
  if (allow) position_ = next;
}

void TUpDown::resizeEvent(QResizeEvent*) {
  const int upper = height() / 2;
  up_->setGeometry(0, 0, width(), upper);
  down_->setGeometry(0, upper, width(), height() - upper);
}

}  // namespace vitrix
