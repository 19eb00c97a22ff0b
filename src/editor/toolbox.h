#pragma once

// TForm3, the toolbox of the capture editor: the tool a selection applies and
// the fill colour. For now the window only exists, hidden, with its caption.

#include <QDialog>

namespace vitrix {

class TForm3 : public QDialog {
 public:
  explicit TForm3(QWidget* parent = nullptr);
};

// The toolbox of the running program.
extern TForm3* Form3;

}  // namespace vitrix
