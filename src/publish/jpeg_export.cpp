#include "publish/jpeg_export.h"

#include <algorithm>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "picture/surface.h"
#include "rtl/files.h"

namespace vitrix {

std::string nouveaunom(const std::string& dossiertravail) {
  for (int n = 1;; ++n) {
    std::string candidate = dossiertravail + std::to_string(n) + ".jpg";
    if (!FileExists(candidate)) return candidate;
  }
}

namespace {

// The picture's pixels as a bitmap: its own bitmap, or any other kind drawn
// into a white bitmap of its size, the picture itself left as it is.
TBitmap& PixelsOf(TPicture& picture, TBitmap& rendered) {
  TGraphic* graphic = picture.Graphic();
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) return *bitmap;
  if (graphic != nullptr && !graphic->Empty()) {
    rendered.SetSize(graphic->Width(), graphic->Height());
    rendered.Canvas().StretchDraw(Rect(0, 0, rendered.Width(), rendered.Height()), *graphic);
  }
  return rendered;
}

}  // namespace

void SaveCaptureAsJpeg(TPicture& picture, int quality, const std::string& path) {
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(static_cast<uint8_t>(std::clamp(quality, 1, 100)));
  // Encoding before the bitmap is in leaves an empty stream, which taking
  // the bitmap below throws away again.
  jpeg.Encode();
  TBitmap rendered;
  TBitmap& pixels = PixelsOf(picture, rendered);
  if (pixels.Width() <= 0 || pixels.Height() <= 0) throw EInvalidGraphic(kEmptyCaptureText);
  jpeg.CopyFrom(pixels);
  // The stream is made in memory first: an encoder failure leaves no file.
  jpeg.Encode();
  try {
    jpeg.SaveToPath(path);
  } catch (const EFCreateError&) {
    throw;
  } catch (...) {
    // Created but not completely written (a full disk): no half picture
    // stays behind under a name that looks like a capture.
    DeleteFile(path);
    throw;
  }
}

}  // namespace vitrix
