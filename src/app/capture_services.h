#pragma once

// The capture pipeline's editor, folder and image host in the running
// program: the editor window Form2, the work folder, and the image host
// reached through the main window's HTTP client.

#include <string>

#include "app/capture_ports.h"

namespace vitrix {

class TNetHTTP;

// Said on a save when start-up could not settle the work folder.
inline constexpr const char* kNoWorkFolderError =
    "Pas de dossier de travail : l'image n'est pas sauvegard\xE9"
    "e";

// The capture editor, Form2.
class TEditorForm final : public ICaptureEditor {
 public:
  TPicture& Picture() override;
  // Places the editor at the screen's top-left corner (or as near as the
  // desktop's panels let it) and shows it modally.
  void Show() override;
};

// The work folder: captures are saved as 1.jpg, 2.jpg, ... in it, the lowest
// free number first.
class TWorkFolderCaptures final : public ICaptureFolder {
 public:
  // The folder's path (ending with the separator) is read at each save: the
  // main window's start-up settles it after this object is made, and leaves
  // it empty when it cannot.
  explicit TWorkFolderCaptures(const std::string& dossiertravail) : dossiertravail_(dossiertravail) {}

  // Exception kNoWorkFolderError when there is no work folder.
  std::string SaveJpeg(TPicture& picture, int quality) override;
  void Delete(const std::string& path) override;

 private:
  const std::string& dossiertravail_;
};

// The image host at the service's base address (read at each upload),
// through the client but, which keeps the host's cookies and its last reply
// from one upload to the next.
class TImageHostUpload final : public IImageHost {
 public:
  explicit TImageHostUpload(TNetHTTP& but) : but_(but) {}
  bool Upload(const std::string& path, const TUploadHooks& hooks, TUploadCheck check) override;

 private:
  TNetHTTP& but_;
};

}  // namespace vitrix
