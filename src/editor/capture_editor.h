#pragma once

// TForm2, the capture editor: shows the capture at its natural size and lets
// the user hide parts of it before it is saved or uploaded. A selection
// dragged with the left button gets the toolbox's tool on release (filled
// rectangle, outline or crop); a right press opens the toolbox; releasing Esc
// restores the last selection's area from the backup taken at opening, and
// Shift+Esc the whole picture. The window takes the picture's size, one
// picture pixel per screen pixel; when that does not fit on the screen it
// takes what the screen leaves and shows scroll bars (picture_view.h).

#include <QDialog>
#include <cstdint>
#include <memory>

#include "controls/events.h"
#include "editor/selection.h"

namespace vitrix {

class TEditorModel;
class TImageControl;
class TPictureView;
class TWindowPlacement;

inline constexpr const char* kEditorHelpText =
    "Vous pouvez masquer des informations en s\xE9"
    "lectionnant les zones \xE0 surcharger, choix de la "
    "couleur par clic droit et annulation de la derni\xE8re action par ESC";

class TForm2 : public QDialog {
 public:
  explicit TForm2(QWidget* parent = nullptr);
  ~TForm2() override;

  // The picture, at the window's client origin. Picture and client
  // coordinates are the same numbers on an unscaled screen with the picture
  // unscrolled; the control converts them otherwise.
  TImageControl* Image1;
  // The client area: Image1 and, when needed, its scroll bars.
  TPictureView* View() const { return view_; }

  // Places the window's frame at (Left, Top), or just far enough from it to
  // be whole on the screen's available area.
  void SetPosition(int Left, int Top);

  // The selection, the backup and the rubber band (zone, trace, sauvegarde),
  // kept for as long as the window lives.
  TEditorModel& Editing() { return *editing_; }

  // The handlers.
  void FormShow(QObject* Sender);
  void FormClose(QObject* Sender);
  void FormKeyUp(QObject* Sender, uint16_t& Key, TShiftState Shift);
  void Image1MouseDown(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  void Image1MouseMove(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y);
  void Image1MouseUp(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y);
  // Shows the toolbox and takes its colour when it closes.
  void mmenu();
  // Crops the picture to the selection, after asking.
  void redim();

  // Opening runs FormShow before the window appears; closing runs FormClose.
  void setVisible(bool visible) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  // The tool checked in the toolbox.
  TTool ChosenTool() const;
  void FitToPicture();

  TPictureView* view_;
  TWindowPlacement* placement_;
  std::unique_ptr<TEditorModel> editing_;
  // Esc was pressed in this window and not yet released.
  bool escape_down_ = false;
};

// The capture editor of the running program.
extern TForm2* Form2;

}  // namespace vitrix
