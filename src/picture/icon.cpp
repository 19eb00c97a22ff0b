#include "picture/icon.h"

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/stored_form.h"

namespace vitrix {
namespace {

[[noreturn]] void CannotResize() { throw EInvalidGraphicOperation("Impossible de modifier la taille d'une ic\xF4ne"); }

}  // namespace

void TIcon::SetWidth(int) { CannotResize(); }

void TIcon::SetHeight(int) { CannotResize(); }

void TIcon::DrawTo(TSurface& surface, const TRect& rect) {
  TBitmap bitmap;
  bitmap.SetImage(image_);
  bitmap.DrawTo(surface, rect);
}

void TIcon::CopyFrom(TPersistent& source) {
  auto* icon = dynamic_cast<TIcon*>(&source);
  if (icon == nullptr) {
    TGraphic::CopyFrom(source);
    return;
  }
  if (icon == this) return;
  image_ = icon->image_;
  bytes_ = icon->bytes_;
  Changed();
}

bool TIcon::Equals(TGraphic& other) {
  auto* icon = dynamic_cast<TIcon*>(&other);
  return icon != nullptr && icon->bytes_ == bytes_;
}

void TIcon::ReadStored(TStream& stream) {
  std::string bytes = ReadStoredBlock(stream);
  QImage image;
  if (!bytes.empty() &&
      !image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "ICO")) {
    throw EInvalidGraphic("Ic\xF4ne incorrecte");
  }
  image_ = image;
  bytes_ = std::move(bytes);
  Changed();
}

void TIcon::WriteStored(TStream& stream) { WriteStoredBlock(stream, bytes_); }

}  // namespace vitrix
