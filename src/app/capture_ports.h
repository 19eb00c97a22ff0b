#pragma once

// What the capture pipeline works through: the editor that holds the capture,
// the folder it is saved in, the image host, and the parts of the main window
// it reads and writes. The running program gives it its windows, the work
// folder and the HTTP client (capture_services.h, TForm1); tests give it
// scripted ones.

#include <string>

#include "picture/types.h"

namespace vitrix {

class TPicture;
struct TUploadHooks;
enum class TUploadCheck;

// The capture editor: its picture is the capture, from the import to the
// next capture.
class ICaptureEditor {
 public:
  virtual ~ICaptureEditor() = default;
  virtual TPicture& Picture() = 0;
  // Shows the editor modally; returns when the user closed it.
  virtual void Show() = 0;
};

// Where captures are saved.
class ICaptureFolder {
 public:
  virtual ~ICaptureFolder() = default;
  // Writes the picture as a JPEG file at quality (1..100) under the first
  // free numbered name, and returns its path. Nothing already there is ever
  // replaced.
  virtual std::string SaveJpeg(TPicture& picture, int quality) = 0;
  // Deletes a saved capture; a failure is not reported.
  virtual void Delete(const std::string& path) = 0;
};

// The image host.
class IImageHost {
 public:
  virtual ~IImageHost() = default;
  // Uploads the file at path. The phases go to hooks.addstatus, the redirect
  // addresses to hooks.journal, and the forum tag (or kNoImageAddress when
  // the host gave none) to hooks.addlink once, at the end. With ucFetchBack
  // the tag counts only when the host serves the file's very bytes at its
  // address. Returns whether the upload gave a tag that counts. Raises only
  // when the upload could not start (the file cannot be read).
  virtual bool Upload(const std::string& path, const TUploadHooks& hooks, TUploadCheck check) = 0;
};

// The main window's settings and its watch.
class ICaptureWindow {
 public:
  virtual ~ICaptureWindow() = default;
  // Whether a capture is shown without asking first ("Prévisualisation
  // Automatique").
  virtual bool AutoPreview() const = 0;
  // The action selector's item: 0 nothing, 1 save, 2 save and upload,
  // 3 upload and delete the saved file.
  virtual int Action() const = 0;
  // The JPEG quality, 1..100.
  virtual int Quality() const = 0;
  // Brings the window back when it sits minimised in the task bar.
  virtual void RestoreFromMinimised() = 0;
  // Starts or pauses the watch timer.
  virtual void SetWatchTimer(bool enabled) = 0;
};

// The main window's status line.
class IStatusLine {
 public:
  virtual ~IStatusLine() = default;
  // Shows the text in the colour, at once: the window takes no input while
  // the pipeline runs, so it would otherwise not be painted before the end.
  virtual void ShowStatus(const std::string& message, TColor color) = 0;
};

// The links box, where each upload leaves its forum tag.
class ILinksBox {
 public:
  virtual ~ILinksBox() = default;
  // Adds a line at the end of the box.
  virtual void AddLine(const std::string& line) = 0;
  // Selects the box's whole text and puts it on the clipboard (lines
  // separated by CR LF).
  virtual void CopyAllToClipboard() = 0;
};

}  // namespace vitrix
