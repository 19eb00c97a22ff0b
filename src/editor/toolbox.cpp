#include "editor/toolbox.h"

#include "platform/qt_text.h"

namespace vitrix {

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString("Boite a outils"));
  setGeometry(198, 110, 433, 166);
}

}  // namespace vitrix
