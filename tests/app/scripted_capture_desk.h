#pragma once

// The capture pipeline's editor, image host and main window, scripted: the
// test sets the window's settings and what the host answers; everything the
// pipeline asks of them is recorded, with the watch timer's state at the
// moments that matter.

#include <string>
#include <utility>
#include <vector>

#include "app/capture_ports.h"
#include "picture/bitmap.h"
#include "picture/picture.h"
#include "publish/image_address.h"
#include "publish/upload.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"

namespace vitrix::test {

// What the scripted host makes of an upload.
enum class THostOutcome {
  // Two redirects, then a result page naming the image.
  hoTag,
  // The host refused the file: a page without an address.
  hoNoTag,
  // The file could not be read: the upload raises before anything is sent.
  hoFailure,
};

inline constexpr const char* kHostBase = "http://h.example/";
inline constexpr const char* kHostTag = "[img]http://h.example/images/a1.jpg[/img]";

// The square the scripted editor paints over the top-left corner of the
// capture, as a user masking a detail would.
inline constexpr int kMaskSize = 16;

class TScriptedCaptureDesk final : public ICaptureEditor,
                                   public IImageHost,
                                   public ICaptureWindow,
                                   public IStatusLine,
                                   public ILinksBox {
 public:
  using TStatus = std::pair<std::string, TColor>;

  // The window's settings and state, set by the test.
  bool auto_preview = true;
  int action = 0;
  int quality = 95;
  bool minimised = false;
  bool timer_on = true;
  THostOutcome outcome = THostOutcome::hoTag;

  // What was asked.
  TPicture picture;
  int editor_shown = 0;
  int timer_pauses = 0;
  bool timer_on_in_editor = false;
  bool minimised_in_editor = false;
  std::vector<std::string> uploads;
  // What each upload was asked to check.
  std::vector<TUploadCheck> checks;
  bool file_there_at_upload = true;
  bool timer_on_in_upload = false;
  std::vector<TStatus> statuses;
  std::vector<std::string> links;
  std::vector<std::string> copies;  // the clipboard texts, in order

  TPicture& Picture() override { return picture; }

  // The user masks the corner and closes the editor.
  void Show() override {
    ++editor_shown;
    timer_on_in_editor = timer_on;
    minimised_in_editor = minimised;
    if (auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic())) {
      for (int y = 0; y < kMaskSize; ++y) {
        for (int x = 0; x < kMaskSize; ++x) bitmap->SetPixel(x, y, clBlack);
      }
    }
  }

  // Reports as the upload to the real host does.
  bool Upload(const std::string& path, const TUploadHooks& hooks, TUploadCheck check) override {
    checks.push_back(check);
    uploads.push_back(path);
    file_there_at_upload = file_there_at_upload && FileExists(path);
    timer_on_in_upload = timer_on_in_upload || timer_on;
    hooks.addstatus(kStatusUploadPhase1, clGreen);
    if (outcome == THostOutcome::hoFailure) throw EFOpenError("Impossible d'ouvrir le fichier \"" + path + "\".");
    const std::string base = kHostBase;
    const bool hosted = outcome == THostOutcome::hoTag;
    hooks.addstatus(kStatusUploadPhase2, clGreen);
    if (hosted) hooks.journal(base + "traitement.php?image=a1");
    hooks.addstatus(kStatusUploadPhase3, clGreen);
    if (hosted) hooks.journal(base + "resultat.php?image=a1");
    hooks.addstatus(kStatusUploadPhase4, clGreen);
    if (hosted) {
      hooks.addstatus(kStatusUploadDone, clGreen);
      hooks.addlink(kHostTag);
    } else {
      hooks.addstatus(kStatusUploadFailed, clRed);
      hooks.addlink(kNoImageAddress);
    }
    return hosted;
  }

  bool AutoPreview() const override { return auto_preview; }
  int Action() const override { return action; }
  int Quality() const override { return quality; }
  void RestoreFromMinimised() override { minimised = false; }
  void SetWatchTimer(bool enabled) override {
    if (!enabled) ++timer_pauses;
    timer_on = enabled;
  }

  void ShowStatus(const std::string& message, TColor color) override { statuses.emplace_back(message, color); }

  void AddLine(const std::string& line) override { links.push_back(line); }
  void CopyAllToClipboard() override {
    std::string text;
    for (const std::string& line : links) text += line + "\r\n";
    copies.push_back(text);
  }
};

}  // namespace vitrix::test
