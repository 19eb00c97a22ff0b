#pragma once

// TTimer: raises OnTimer every Interval milliseconds while it is enabled.
// Each tick runs guarded, like every handler the event loop calls.

#include <QObject>
#include <QTimer>

#include "controls/events.h"

namespace vitrix {

class TTimer : public QObject {
 public:
  explicit TTimer(QObject* parent = nullptr);

  bool Enabled() const { return timer_.isActive(); }
  void SetEnabled(bool value);
  int Interval() const { return timer_.interval(); }
  void SetInterval(int milliseconds) { timer_.setInterval(milliseconds); }

  TNotifyEvent OnTimer;

 private:
  QTimer timer_;
};

}  // namespace vitrix
