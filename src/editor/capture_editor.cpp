#include "editor/capture_editor.h"

#include <QKeyEvent>
#include <QRadioButton>

#include "controls/color_dialog.h"
#include "controls/fonts.h"
#include "controls/qt_input.h"
#include "controls/window_placement.h"
#include "editor/editor_model.h"
#include "editor/image_control.h"
#include "editor/picture_view.h"
#include "editor/toolbox.h"
#include "editor/view_fit.h"
#include "picture/banner.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/qt_text.h"

namespace vitrix {

TForm2* Form2 = nullptr;

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setWindowTitle(ToQString("Image du presse papier"));
  // No buttons and no menu: the window closes with its close box.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  SetWindowFont(*this);
  move(198, 110);

  placement_ = new TWindowPlacement(*this);
  placement_->OnFrameChange = [this] { FitToPicture(); };
  Image1 = new TImageControl(this);
  view_ = new TPictureView(*Image1, this);
  Image1->OnResize = [this](QObject*) { FitToPicture(); };
  Image1->Image().SetBounds(0, 0, 468, 60);
  Image1->Image().SetAutoSize(true);
  // Until the first capture the picture is the program's banner.
  Guarded([this] { LoadInitialBanner(Image1->Picture()); });
  FitToPicture();

  editing_ = std::make_unique<TEditorModel>(Image1->Image());
  editing_->OnRubberBandChange = [this](const TRect&, const TRect& after) {
    Image1->SetOverlayFrame(after, editing_->BandColor());
  };
  Image1->OnMouseDown = [this](QObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    Image1MouseDown(sender, button, shift, x, y);
  };
  Image1->OnMouseMove = [this](QObject* sender, TShiftState shift, int32_t x, int32_t y) {
    Image1MouseMove(sender, shift, x, y);
  };
  Image1->OnMouseUp = [this](QObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    Image1MouseUp(sender, button, shift, x, y);
  };
}

TForm2::~TForm2() {
  if (Form2 == this) Form2 = nullptr;
}

// The client area is exactly the picture's control when the picture fits on
// the screen, and the room the screen leaves otherwise.
void TForm2::FitToPicture() {
  const TViewFit fit = FitView(Image1->NaturalSize(), placement_->Room(), view_->BarExtent());
  view_->SetFit(fit);
  setFixedSize(fit.Client);
  placement_->Place();
}

void TForm2::SetPosition(int Left, int Top) {
  placement_->PlaceAt(QPoint(Left, Top));
  FitToPicture();
}

void TForm2::setVisible(bool visible) {
  const bool opening = visible && !isVisible();
  const bool closing = !visible && isVisible();
  // The help message and the backup come before the window appears; an
  // error there is reported and the window shows all the same.
  if (opening) escape_down_ = false;
  if (opening) Guarded([this] { FormShow(this); });
  // The screen may have changed since the picture came.
  if (opening) FitToPicture();
  if (closing) Guarded([this] { FormClose(this); });
  QDialog::setVisible(visible);
}

void TForm2::FormShow(QObject*) {
  ShowMessage(kEditorHelpText);
  editing_->Open();
}

void TForm2::FormClose(QObject*) { editing_->Close(); }

// Esc is the undo key, handled on release: a dialog would close on its press.
void TForm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    escape_down_ = true;
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TForm2::keyReleaseEvent(QKeyEvent* event) {
  // A held key repeats its press but is released once.
  if (event->isAutoRepeat()) return;
  if (event->key() == Qt::Key_Escape) {
    // An Esc pressed in a message box or the colour chooser closes it on the
    // press, and its release then lands here: that Esc meant "cancel" and
    // must not undo the user's last mask.
    if (!escape_down_) return;
    escape_down_ = false;
  }
  uint16_t key = VirtualKeyOf(event->key());
  const TShiftState shift = ShiftStateOf(event->modifiers(), Qt::NoButton);
  Guarded([&] { FormKeyUp(this, key, shift); });
}

void TForm2::FormKeyUp(QObject*, uint16_t& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) editing_->Restore(Shift.Shift ? TRestoreArea::raWholePicture : TRestoreArea::raSelection);
  Image1->update();
}

void TForm2::Image1MouseDown(QObject*, TMouseButton Button, TShiftState, int32_t X, int32_t Y) {
  if (Button == TMouseButton::mbRight) {
    mmenu();
    return;
  }
  editing_->StartSelection(X, Y);
}

void TForm2::Image1MouseMove(QObject*, TShiftState, int32_t X, int32_t Y) { editing_->DragTo(X, Y); }

void TForm2::Image1MouseUp(QObject*, TMouseButton, TShiftState, int32_t X, int32_t Y) {
  editing_->EndSelection(X, Y, ChosenTool());
}

TTool TForm2::ChosenTool() const {
  if (Form3 == nullptr || Form3->rp->isChecked()) return TTool::tlFilledRectangle;
  if (Form3->rv->isChecked()) return TTool::tlOutline;
  return TTool::tlCrop;
}

void TForm2::mmenu() {
  if (Form3 == nullptr) return;
  Form3->exec();
  editing_->SetFillColor(Form3->ccolor->Color());
}

void TForm2::redim() { editing_->Crop(); }

}  // namespace vitrix
