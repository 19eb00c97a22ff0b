#include "app/capture_pipeline.h"

#include <memory>

#include "app/journal.h"
#include "picture/bitmap.h"
#include "picture/clipboard.h"
#include "picture/picture.h"
#include "platform/clipboard_device.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/print_screen.h"
#include "publish/image_address.h"
#include "publish/jpeg_export.h"
#include "publish/upload.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

// The high-order bit of a key state: the key is down.
constexpr int kKeyDownBit = 0x8000;

// The action selector's items.
constexpr int kActionSave = 1;
constexpr int kActionUpload = 2;
constexpr int kActionUploadOnly = 3;

}  // namespace

// Asking for the key runs no event loop, so no other tick can start before
// the timer is paused: it is paused only once there is a capture to take,
// which spares the idle tick half of its cost.
void TCapturePipeline::UtilisationGetKeyState() {
  try {
    if ((GetKeyState(VK_SNAPSHOT) & kKeyDownBit) == 0) return;
    ports_.Window.SetWatchTimer(false);
    TakeCapture();
  } catch (...) {
    // The clipboard is already released. The error box opens while the timer
    // is off, so no tick runs inside it; once it is closed the watch goes on
    // instead of dying with the error.
    ports_.Window.SetWatchTimer(false);
    ReportCurrentException(TGuardPlace::gpHandler);
  }
  ports_.Window.SetWatchTimer(true);
}

// The clipboard stays held around the import, the editor, the save and the
// upload, and is released on every way out.
void TCapturePipeline::TakeCapture() {
  TClipboard& clipboard = SharedClipboard();
  TClipboardHold hold(clipboard);
  if (!clipboard.Offers(CF_BITMAP)) {
    // Text is no capture and is passed over; a picture that cannot be one is
    // told, or the press would seem lost.
    if (clipboard.Offers(CF_ENHMETAFILE) || clipboard.Offers(CF_METAFILEPICT)) throw Exception(kVectorPictureOnlyText);
    return;
  }
  // A capture taken while the program sits in the task bar brings its main
  // window back before the editor shows.
  ports_.Window.RestoreFromMinimised();
  ImportCapture();
  Preview();
  RunAction();
}

// The capture is the clipboard's bitmap even when the owner lists a vector
// format before it: only a bitmap can be masked, and only a bitmap saves as
// the JPEG of the capture. The editor's picture changes only once the bitmap
// is loaded.
void TCapturePipeline::ImportCapture() {
  auto capture = std::make_unique<TBitmap>();
  capture->CopyFrom(SharedClipboard());
  ports_.Editor.Picture().SetGraphic(std::move(capture));
}

void TCapturePipeline::Preview() {
  if (ports_.Window.AutoPreview()) {
    voirimage();
    return;
  }
  const TModalResult answer = Dialogs().MessageBox(
      {.Text = kPreviewQuestion, .Caption = kPreviewCaption, .Buttons = TMsgButtons::mbYesNo, .DefaultButton = mrYes});
  if (answer == mrYes) voirimage();
}

// "No" to the question only skips the editor: the action still runs, on the
// capture as it came.
void TCapturePipeline::RunAction() {
  const int action = ports_.Window.Action();
  if (action >= kActionSave) sauvegardeimage();
  const TUploadCheck check = action >= kActionUploadOnly ? TUploadCheck::ucFetchBack : TUploadCheck::ucTag;
  const bool hosted = action >= kActionUpload && poster(check);
  if (action < kActionUploadOnly) return;
  // The saved file is the only copy of a capture the host did not take: it
  // goes only once the host is seen to serve it, and otherwise stays where
  // the user is told.
  if (hosted) {
    ports_.Folder.Delete(nomimage);
  } else {
    ShowMessage(kNotHostedKeptPrefix + nomimage);
  }
}

void TCapturePipeline::voirimage() { ports_.Editor.Show(); }

void TCapturePipeline::sauvegardeimage() {
  nomimage = ports_.Folder.SaveJpeg(ports_.Editor.Picture(), ports_.Window.Quality());
  ShowMessage(kSavedMessagePrefix + nomimage);
}

bool TCapturePipeline::poster(TUploadCheck check) {
  TUploadHooks hooks;
  hooks.addstatus = [this](const std::string& message, TColor color) { ports_.Status.ShowStatus(message, color); };
  // The host has the file once a redirect comes: a journal that cannot be
  // written is reported, and the upload goes on to fetch the forum tag.
  hooks.journal = [this](const std::string& line) { Guarded([&] { ports_.Journal.WriteLine(line); }); };
  hooks.addlink = [this](const std::string& link) {
    ports_.Links.AddLine(link);
    ports_.Links.CopyAllToClipboard();
  };
  // Why the host could not be reached (a certificate refused, a proxy that
  // refused) is worth a box: the status line only says that the upload
  // failed, and the user can act on these.
  hooks.reason = [](const std::string& reason) { ShowMessage(std::string(kUploadFailedBecause) + reason); };
  return ports_.Host.Upload(nomimage, hooks, check);
}

}  // namespace vitrix
