#include "editor/capture_editor.h"

#include "platform/qt_text.h"

namespace vitrix {

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString("Image du presse papier"));
  move(198, 110);
}

}  // namespace vitrix
