#include "platform/guard.h"

#include <QCoreApplication>
#include <exception>
#include <new>
#include <string>

#include "platform/dialogs.h"
#include "rtl/cp1252.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

// The text of the error in flight; false for the silent EAbort.
bool MessageOfCurrentException(std::string& message) {
  try {
    throw;
  } catch (const EAbort&) {
    return false;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::bad_alloc&) {
    message = "M\xE9moire insuffisante";
  } catch (const std::exception& e) {
    message = Utf8ToCp1252Lossy(e.what());
  } catch (...) {
    message = "Erreur inattendue";
  }
  return true;
}

void ShowErrorBox(const std::string& message) noexcept {
  try {
    Dialogs().ShowError(message);
  } catch (...) {
    // Nothing is left to report an error of the error box itself.
  }
}

}  // namespace

void ReportCurrentException(TGuardPlace place) noexcept {
  std::string message;
  try {
    if (!MessageOfCurrentException(message)) return;
  } catch (...) {
    return;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (place == TGuardPlace::gpPaintOrShow && app != nullptr) {
    QMetaObject::invokeMethod(
        app, [message] { ShowErrorBox(message); }, Qt::QueuedConnection);
    return;
  }
  ShowErrorBox(message);
}

}  // namespace vitrix
