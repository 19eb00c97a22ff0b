#include "platform/application.h"

#include <QLibraryInfo>

#include "platform/guard.h"

namespace vitrix {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // Every text of the program is French, whatever the user's language: the
  // toolkit's own texts (Oui / Non / Annuler, the colour chooser) follow.
  french_loaded_ = french_.load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (french_loaded_) installTranslator(&french_);
}

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
