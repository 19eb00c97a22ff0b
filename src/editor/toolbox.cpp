#include "editor/toolbox.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include "controls/color_dialog.h"
#include "controls/fonts.h"
#include "controls/window_placement.h"
#include "platform/guard.h"
#include "platform/qt_text.h"

namespace vitrix {

TForm3* Form3 = nullptr;

namespace {

// The window's client area; with the frame it is 433 x 166 at 198, 110.
constexpr int kClientWidth = 425;
constexpr int kClientHeight = 139;

QRadioButton* MakeRadioButton(QWidget* parent, const char* caption, int top) {
  auto* button = new QRadioButton(ToQString(caption), parent);
  button->setGeometry(8, top, 241, 17);
  return button;
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString("Boite a outils"));
  // A close box and nothing else in the title bar; the frame stays sizeable.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  SetWindowFont(*this);
  resize(kClientWidth, kClientHeight);
  (new TWindowPlacement(*this))->PlaceAt(QPoint(198, 110));

  // Declaration order; the tab order is rp, choixcolor, rv, rc.
  rp = MakeRadioButton(this, "Rectangle plein", 8);
  rp->setChecked(true);
  ccolor = new TColorDialog(this);
  ccolor->SetColor(clRed);
  choixcolor = new QPushButton(ToQString("Choix de la couleur de remplissage"), this);
  choixcolor->setGeometry(8, 104, 201, 25);
  rv = MakeRadioButton(this, "Rectangle", 32);
  rc = MakeRadioButton(this, "Recadrage", 56);
  setTabOrder(rp, choixcolor);
  setTabOrder(choixcolor, rv);
  setTabOrder(rv, rc);
  MakeCheckedButtonTheTabStop();

  // A radio button raises its click only when it becomes checked, by the
  // pointer or the arrow keys; clicking the checked one again does nothing.
  for (QRadioButton* button : {rp, rv, rc}) {
    connect(button, &QRadioButton::toggled, this, [this, button](bool checked) {
      if (!checked) return;
      MakeCheckedButtonTheTabStop();
      Guarded([this, button] { rpClick(button); });
    });
  }
  ccolor->OnClose = [this](QObject* sender) { rpClick(sender); };
  connect(choixcolor, &QPushButton::clicked, this, [this] { Guarded([this] { choixcolorClick(choixcolor); }); });
}

TForm3::~TForm3() {
  if (Form3 == this) Form3 = nullptr;
}

// A modal window that closes ends its modal loop with Cancel and is hidden.
void TForm3::rpClick(QObject*) { close(); }

void TForm3::choixcolorClick(QObject*) { ccolor->Execute(); }

// Of the three radio buttons, only the checked one is reached with Tab; the
// arrow keys move between them.
void TForm3::MakeCheckedButtonTheTabStop() {
  for (QRadioButton* button : {rp, rv, rc}) {
    button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// The window has no Cancel button, so Esc does not close it (a dialog would
// take Esc for Cancel).
void TForm3::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace vitrix
