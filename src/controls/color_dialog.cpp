#include "controls/color_dialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QScreen>
#include <QSettings>

#include "platform/qt_text.h"

namespace vitrix {
namespace {

// Qt keeps the colour dialog's custom colours in the user settings shared by
// every Qt program, reads them when the dialog is first used and writes them
// back whenever a dialog goes away. vitrix keeps no settings at all, so Qt's
// user settings are pointed at a place where no file can ever be (a folder
// inside /dev/null): nothing is read and nothing is written.
void KeepQtUserSettingsAway() {
  static const bool done = [] {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
    return true;
  }();
  (void)done;
}

QColor ToQColor(TColor color) { return QColor::fromRgb(ToQRgb(color)); }

// Centred across the screen and a third of the way down it.
void PlaceOnScreen(QWidget& dialog) {
  const QScreen* screen = dialog.screen() != nullptr ? dialog.screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  dialog.adjustSize();
  const QSize size = dialog.frameGeometry().size();
  dialog.move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 3);
}

}  // namespace

TColorDialog::TColorDialog(QObject* parent) : QObject(parent) { custom_.fill(kUnsetCustomColor); }

bool TColorDialog::Execute() {
  KeepQtUserSettingsAway();
  bool confirmed = false;
  {
    QColorDialog dialog(QApplication::activeWindow());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle(ToQString("Couleurs"));
    // The dialog's custom colours are shared by all its instances: they are
    // set from this component's own before every run.
    for (int i = 0; i < kCustomColorCount; ++i) {
      QColorDialog::setCustomColor(i, ToQColor(custom_[static_cast<size_t>(i)]));
    }
    dialog.setCurrentColor(ToQColor(color_));
    PlaceOnScreen(dialog);
    confirmed = dialog.exec() == QDialog::Accepted;
    if (confirmed) {
      color_ = FromQRgb(dialog.selectedColor().rgb());
      for (int i = 0; i < kCustomColorCount; ++i) {
        custom_[static_cast<size_t>(i)] = FromQRgb(QColorDialog::customColor(i).rgb());
      }
    }
  }
  Raise(OnClose, this);
  return confirmed;
}

}  // namespace vitrix
