#include "app/anti_freeze.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "rtl/strings.h"

namespace vitrix {

void TAntiFreeze::Process() {
  if (OnIdle) OnIdle();
  if (QCoreApplication::instance() == nullptr) return;
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers |
                                  QEventLoop::X11ExcludeTimers);
}

std::string WaitingStatusText(const std::string& status, int64_t waited_ms) {
  const int64_t seconds = waited_ms / 1000;
  if (seconds < 1) return status;
  return status + " (attente : " + IntToStr(seconds) + " s)";
}

}  // namespace vitrix
