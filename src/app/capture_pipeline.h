#pragma once

// TCapturePipeline: the road of a capture, from the Print Screen press to the
// saved, hosted and tagged picture, with no window of its own. A tick of the
// watch that finds the key pressed and a bitmap on the clipboard makes that
// bitmap the capture, shows it (at once or after a question), then saves,
// uploads and deletes it as the action selector says. The main window's
// handlers of the same names hand their work to it.
//
// Besides the ports below it uses the platform's services: the key state
// (GetKeyState), the clipboard (SharedClipboard()) and the message boxes
// (Dialogs()).

#include <string>

#include "app/capture_ports.h"
#include "publish/upload.h"

namespace vitrix {

class TJournal;

// The question asked before showing a capture when automatic preview is off.
inline constexpr const char* kPreviewQuestion = "Voulez vous voir l'image contenue dans le presse papier";
inline constexpr const char* kPreviewCaption = "Image du presse papier";
// Said when the upload-only action could not host the capture: its file is
// kept.
// Followed by the reason an upload could not reach the host.
inline constexpr const char* kUploadFailedBecause = "Echec de l'envoi du fichier :\r\n";
inline constexpr const char* kNotHostedKeptPrefix =
    "L'image n'a pas pu \xEAtre h\xE9"
    "berg\xE9"
    "e ; elle reste enregistr\xE9"
    "e sous le nom ";

// Said when the press finds a vector picture but no bitmap on the clipboard.
inline constexpr const char* kVectorPictureOnlyText =
    "Le presse-papiers contient une image vectorielle (SVG, EMF ou WMF) mais pas de bitmap : "
    "seule une image bitmap peut \xEAtre prise comme capture.";

struct TCapturePorts {
  ICaptureEditor& Editor;
  ICaptureFolder& Folder;
  IImageHost& Host;
  ICaptureWindow& Window;
  IStatusLine& Status;
  ILinksBox& Links;
  // The redirects met by an upload are written here.
  TJournal& Journal;
};

class TCapturePipeline {
 public:
  explicit TCapturePipeline(const TCapturePorts& ports) : ports_(ports) {}

  // The full path of the last capture saved; empty until the first save.
  std::string nomimage;

  // One tick of the watch. The watch timer is paused from the press seen to
  // the end of the tick, so ticks never overlap. An error ends the tick in
  // the error box, shown with the clipboard released and the timer paused;
  // the watch goes on once the box is closed.
  void UtilisationGetKeyState();

  // Shows the capture in the editor; returns when the user closed it.
  void voirimage();
  // Saves the capture as the next numbered JPEG file at the window's quality
  // and says under which name.
  void sauvegardeimage();
  // Uploads the capture saved as nomimage. The phases show in the status
  // line and the redirects go to the journal (a journal that cannot be
  // written is reported and the upload goes on); the forum tag, or
  // kNoImageAddress, becomes the links box's last line and the box's whole
  // text goes to the clipboard. True when the host gave a forum tag (with
  // ucFetchBack: and serves the file's very bytes at its address).
  bool poster(TUploadCheck check = TUploadCheck::ucTag);

 private:
  // The steps of a tick that run with the clipboard held.
  void TakeCapture();
  void ImportCapture();
  void Preview();
  void RunAction();

  TCapturePorts ports_;
};

}  // namespace vitrix
