#include "platform/application.h"

#include "platform/guard.h"

namespace vitrix {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  const QEvent::Type type = event->type();
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    const bool paint_or_show = type == QEvent::Paint || type == QEvent::Show;
    ReportCurrentException(paint_or_show ? TGuardPlace::gpPaintOrShow : TGuardPlace::gpHandler);
    return false;
  }
}

}  // namespace vitrix
