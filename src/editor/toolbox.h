#pragma once

// TForm3, the toolbox of the capture editor. It holds the editor's two
// settings for the whole run: the tool a selection applies (filled rectangle,
// outline or crop) and the fill colour. The editor shows it modally; it
// closes as soon as the user picks another tool or closes the colour dialog.

#include <QDialog>

class QPushButton;
class QRadioButton;

namespace vitrix {

class TColorDialog;

class TForm3 : public QDialog {
 public:
  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;

  // The controls, owned by the window. Exactly one radio button is checked.
  QRadioButton* rp;         // "Rectangle plein": the filled rectangle
  TColorDialog* ccolor;     // the fill colour, red at start
  QPushButton* choixcolor;  // runs ccolor
  QRadioButton* rv;         // "Rectangle": the outline
  QRadioButton* rc;         // "Recadrage": the crop

  // Closes the window. Raised by a radio button that becomes checked and by
  // the colour dialog's closing.
  void rpClick(QObject* Sender);
  // Runs the colour dialog; whether it was confirmed does not matter here.
  void choixcolorClick(QObject* Sender);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void MakeCheckedButtonTheTabStop();
};

// The toolbox of the running program.
extern TForm3* Form3;

}  // namespace vitrix
