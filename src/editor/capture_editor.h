#pragma once

// TForm2, the capture editor: shows the capture and lets the user mask parts
// of it or crop it. For now the window only exists, hidden, with its caption.

#include <QDialog>

namespace vitrix {

class TForm2 : public QDialog {
 public:
  explicit TForm2(QWidget* parent = nullptr);
};

// The capture editor of the running program.
extern TForm2* Form2;

}  // namespace vitrix
