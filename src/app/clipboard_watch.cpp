// The clipboard watch: the main window's timer tick that turns a Print Screen
// press into a capture and runs the chosen actions on it.
#include <QCheckBox>
#include <memory>

#include "app/main_window.h"
#include "controls/radio_group.h"
#include "controls/timer.h"
#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "picture/bitmap.h"
#include "picture/clipboard.h"
#include "picture/picture.h"
#include "platform/clipboard_device.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/print_screen.h"
#include "rtl/files.h"

namespace vitrix {
namespace {

// The high-order bit of a key state: the key is down.
constexpr int kKeyDownBit = 0x8000;

// The action selector's items.
constexpr int kActionSave = 1;
constexpr int kActionUpload = 2;
constexpr int kActionUploadOnly = 3;

}  // namespace

void TForm1::Timer1Timer(QObject*) { UtilisationGetKeyState(); }

// Asking for the key runs no event loop, so no other tick can start before
// the timer is paused: it is paused only once there is a capture to take,
// which spares the idle tick half of its cost.
void TForm1::UtilisationGetKeyState() {
  try {
    if ((GetKeyState(VK_SNAPSHOT) & kKeyDownBit) == 0) return;
    Timer1->SetEnabled(false);
    TakeCapture();
  } catch (...) {
    // The clipboard is already released. The error box opens while the timer
    // is off, so no tick runs inside it; once it is closed the watch goes on
    // instead of dying with the error.
    Timer1->SetEnabled(false);
    ReportCurrentException(TGuardPlace::gpHandler);
  }
  Timer1->SetEnabled(true);
}

// The clipboard stays held around the import, the editor, the save and the
// upload, and is released on every way out.
void TForm1::TakeCapture() {
  TClipboard& clipboard = SharedClipboard();
  TClipboardHold hold(clipboard);
  if (!clipboard.Offers(CF_BITMAP)) return;
  RestoreFromMinimised();
  ImportCapture();
  Preview();
  RunAction();
}

// A capture taken while the program sits in the task bar brings its main
// window back before the editor shows.
void TForm1::RestoreFromMinimised() {
  if (!isMinimized()) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
}

// The capture is the clipboard's bitmap even when the owner lists a vector
// format before it: only a bitmap can be masked, and only a bitmap saves as
// the JPEG of the capture. The editor's picture changes only once the bitmap
// is loaded.
void TForm1::ImportCapture() {
  auto capture = std::make_unique<TBitmap>();
  capture->CopyFrom(SharedClipboard());
  Form2->Image1->Picture().SetGraphic(std::move(capture));
}

void TForm1::Preview() {
  if (prevauto->isChecked()) {
    voirimage();
    return;
  }
  const TModalResult answer = Dialogs().MessageBox(
      {.Text = kPreviewQuestion, .Caption = kPreviewCaption, .Buttons = TMsgButtons::mbYesNo, .DefaultButton = mrYes});
  if (answer == mrYes) voirimage();
}

// "No" to the question only skips the editor: the action still runs, on the
// capture as it came.
void TForm1::RunAction() {
  const int action = cg->ItemIndex();
  if (action >= kActionSave) sauvegardeimage();
  const bool hosted = action >= kActionUpload && poster();
  if (action < kActionUploadOnly) return;
  // The saved file is the only copy of a capture the host did not take: it
  // goes only once the capture is hosted (a failed deletion is not worth a
  // message), and otherwise stays where the user is told.
  if (hosted) {
    DeleteFile(nomimage);
  } else {
    ShowMessage(kNotHostedKeptPrefix + nomimage);
  }
}

}  // namespace vitrix
