#include "publish/jpeg_export.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/jpeg_image.h"
#include "picture/picture.h"
#include "picture/surface.h"
#include "rtl/file_stream.h"
#include "rtl/files.h"

namespace vitrix {
namespace {

// More names taken under the save's feet than this, one after the other,
// is no race any more: something keeps filling the folder.
constexpr int kMaxNamesLost = 1000;

std::string NumberedName(const std::string& dossiertravail, int64_t n) {
  return dossiertravail + std::to_string(n) + ".jpg";
}

// The first free numbered name from first on, and its number.
std::string FirstFreeName(const std::string& dossiertravail, int64_t& n) {
  for (;; ++n) {
    std::string candidate = NumberedName(dossiertravail, n);
    if (!EntryExists(candidate)) return candidate;
  }
}

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

// The JPEG stream of the picture, made in memory: an encoder failure leaves
// no file.
void Encode(TPicture& picture, int quality, TJPEGImage& jpeg) {
  jpeg.SetSaveQuality(static_cast<uint8_t>(std::clamp(quality, 1, 100)));
  // Encoding before the bitmap is in leaves an empty stream, which taking
  // the bitmap below throws away again.
  jpeg.Encode();
  TBitmap rendered;
  TBitmap& pixels = PixelsOf(picture, rendered);
  if (pixels.Width() <= 0 || pixels.Height() <= 0) throw EInvalidGraphic(kEmptyCaptureText);
  jpeg.CopyFrom(pixels);
  jpeg.Encode();
}

void WriteNewFile(TJPEGImage& jpeg, const std::string& path) {
  TFileStream file(path, fmCreateNew);
  try {
    jpeg.WriteToStream(file);
    file.Close();
  } catch (...) {
    // Created here but not completely written (a full disk): no half
    // picture stays behind under a name that looks like a capture.
    DeleteFile(path);
    throw;
  }
}

}  // namespace

std::string nouveaunom(const std::string& dossiertravail) {
  int64_t n = 1;
  return FirstFreeName(dossiertravail, n);
}

void SaveCaptureAsJpeg(TPicture& picture, int quality, const std::string& path) {
  TJPEGImage jpeg;
  Encode(picture, quality, jpeg);
  WriteNewFile(jpeg, path);
}

std::string SaveCaptureUnderNextName(TPicture& picture, int quality, const std::string& dossiertravail,
                                     const TBeforeCreate& before_create) {
  TJPEGImage jpeg;
  Encode(picture, quality, jpeg);
  int64_t n = 1;
  for (int lost = 0;; ++lost) {
    std::string path = FirstFreeName(dossiertravail, n);
    if (before_create) before_create(path);
    try {
      WriteNewFile(jpeg, path);
      return path;
    } catch (const EFCreateError& e) {
      if (e.ErrorCode() != EEXIST || lost >= kMaxNamesLost) throw;
    }
    ++n;
  }
}

}  // namespace vitrix
