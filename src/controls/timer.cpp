#include "controls/timer.h"

#include "platform/guard.h"

namespace vitrix {

TTimer::TTimer(QObject* parent) : QObject(parent) {
  connect(&timer_, &QTimer::timeout, this, [this] { Guarded([this] { Raise(OnTimer, this); }); });
}

void TTimer::SetEnabled(bool value) {
  if (value == timer_.isActive()) return;
  if (value) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

}  // namespace vitrix
