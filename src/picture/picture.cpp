#include "picture/picture.h"

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/graphic_formats.h"
#include "rtl/streams.h"

namespace vitrix {

TPicture::~TPicture() {
  if (graphic_) {
    graphic_->OnChange = nullptr;
    graphic_->OnProgress = nullptr;
  }
}

void TPicture::RouteProgress(TGraphic& graphic) {
  graphic.OnProgress = [this](TGraphic& sender, TProgressStage stage, uint8_t percent, bool redraw, const TRect& rect,
                              const std::string& message) {
    if (OnProgress) OnProgress(sender, stage, percent, redraw, rect, message);
  };
}

void TPicture::Install(std::unique_ptr<TGraphic> graphic) {
  if (graphic) {
    RouteProgress(*graphic);
    graphic->OnChange = [this](TGraphic&) { Changed(); };
  }
  graphic_ = std::move(graphic);
  Changed();
}

void TPicture::Changed() {
  if (OnChange) OnChange(*this);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == graphic_.get() && graphic != nullptr) return;
  if (graphic == nullptr) {
    Install(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy = NewGraphicOfKind(*graphic);
  copy->CopyFrom(*graphic);
  Install(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) { Install(std::move(graphic)); }

TBitmap& TPicture::AsBitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(graphic_.get())) return *bitmap;
  auto bitmap = std::make_unique<TBitmap>();
  TBitmap& result = *bitmap;
  Install(std::move(bitmap));
  return result;
}

void TPicture::CopyFrom(TPersistent& source) {
  if (auto* picture = dynamic_cast<TPicture*>(&source)) {
    if (picture != this) SetGraphic(picture->Graphic());
    return;
  }
  if (auto* graphic = dynamic_cast<TGraphic*>(&source)) {
    SetGraphic(graphic);
    return;
  }
  TPersistent::CopyFrom(source);
}

void TPicture::CopyTo(TPersistent& destination) {
  if (graphic_ && dynamic_cast<TGraphic*>(&destination) != nullptr) {
    destination.CopyFrom(*graphic_);
    return;
  }
  TPersistent::CopyTo(destination);
}

void TPicture::LoadClipboardData(uint32_t format, const TClipboardData& data, const TPalette& palette) {
  const TClipboardFormatEntry* entry = ClipboardFormats().Find(format);
  if (entry == nullptr) throw EInvalidGraphic(kUnsupportedClipboardFormatText);
  std::unique_ptr<TGraphic> graphic = entry->Create();
  // Progress while loading already reaches the picture's listeners; changes
  // are announced once the new graphic is in place.
  RouteProgress(*graphic);
  graphic->LoadFromClipboardFormat(format, data, palette);
  Install(std::move(graphic));
}

void TPicture::ReadStored(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  if (length == 0) {
    Install(nullptr);
    return;
  }
  std::string class_name(length, '\0');
  stream.ReadBuffer(class_name.data(), length);
  const TGraphicFactory create = FileFormats().FindClass(class_name);
  if (create == nullptr) throw EInvalidGraphic(kUnknownPictureClassText);
  std::unique_ptr<TGraphic> graphic = create();
  graphic->ReadStored(stream);
  Install(std::move(graphic));
}

void TPicture::WriteStored(TStream& stream) {
  if (!graphic_) {
    const uint8_t zero = 0;
    stream.WriteBuffer(&zero, 1);
    return;
  }
  const std::string class_name = graphic_->ClassName();
  const auto length = static_cast<uint8_t>(class_name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(class_name.data(), length);
  graphic_->WriteStored(stream);
}

}  // namespace vitrix
