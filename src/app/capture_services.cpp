#include "app/capture_services.h"

#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "publish/jpeg_export.h"
#include "publish/service_address.h"
#include "publish/upload.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"

namespace vitrix {

TPicture& TEditorForm::Picture() { return Form2->Image1->Picture(); }

void TEditorForm::Show() {
  if (Form2 == nullptr) return;
  Form2->SetPosition(0, 0);
  Form2->exec();
}

std::string TWorkFolderCaptures::SaveJpeg(TPicture& picture, int quality) {
  // Without a work folder (start-up showed why) a bare "1.jpg" would land
  // in whatever folder the program was started from.
  if (dossiertravail_.empty()) throw Exception(kNoWorkFolderError);
  return SaveCaptureUnderNextName(picture, quality, dossiertravail_);
}

// A capture that stays behind is not worth a message.
void TWorkFolderCaptures::Delete(const std::string& path) { DeleteFile(path); }

bool TImageHostUpload::Upload(const std::string& path, const TUploadHooks& hooks, TUploadCheck check) {
  return UploadCapture(but_, ServiceBaseURL(), path, hooks, check);
}

}  // namespace vitrix
