#include "picture/graphic_formats.h"

#include <algorithm>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/icon.h"
#include "picture/jpeg_image.h"
#include "picture/metafile.h"
#include "rtl/strings.h"

namespace vitrix {
namespace {

template <typename T>
std::unique_ptr<TGraphic> Make() {
  return std::make_unique<T>();
}

}  // namespace

void TFileFormats::Add(std::string_view extension, std::string_view description, std::string_view class_name,
                       TGraphicFactory create) {
  entries_.push_back({LowerCase(extension), std::string(description), std::string(class_name), create});
}

void TFileFormats::Remove(std::string_view class_name) {
  std::erase_if(entries_, [class_name](const TFileFormat& f) { return f.ClassName == class_name; });
}

TGraphicFactory TFileFormats::FindClass(std::string_view class_name) const {
  const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                  [class_name](const TFileFormat& entry) { return entry.ClassName == class_name; });
  return found == entries_.rend() ? nullptr : found->Create;
}

const TFileFormat* TFileFormats::FindExtension(std::string_view extension) const {
  const std::string wanted = LowerCase(extension);
  const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                  [&wanted](const TFileFormat& entry) { return entry.Extension == wanted; });
  return found == entries_.rend() ? nullptr : &*found;
}

void TClipboardFormats::Add(uint32_t format, std::string_view class_name, TGraphicFactory create) {
  entries_.push_back({format, std::string(class_name), create});
}

const TClipboardFormatEntry* TClipboardFormats::Find(uint32_t format) const {
  const auto found = std::find_if(entries_.rbegin(), entries_.rend(),
                                  [format](const TClipboardFormatEntry& entry) { return entry.Format == format; });
  return found == entries_.rend() ? nullptr : &*found;
}

TFileFormats& FileFormats() {
  static TFileFormats formats = [] {
    TFileFormats f;
    f.Add("wmf", "M\xE9tafichiers", "TMetafile", &Make<TMetafile>);
    f.Add("emf", "M\xE9tafichiers \xE9volu\xE9s", "TMetafile", &Make<TMetafile>);
    f.Add("ico", "Ic\xF4nes", "TIcon", &Make<TIcon>);
    f.Add("bmp", "Bitmaps", "TBitmap", &Make<TBitmap>);
    RegisterJpegFormats(f);
    return f;
  }();
  return formats;
}

TClipboardFormats& ClipboardFormats() {
  static TClipboardFormats formats = [] {
    TClipboardFormats f;
    f.Add(CF_METAFILEPICT, "TMetafile", &Make<TMetafile>);
    f.Add(CF_ENHMETAFILE, "TMetafile", &Make<TMetafile>);
    f.Add(CF_BITMAP, "TBitmap", &Make<TBitmap>);
    return f;
  }();
  return formats;
}

std::unique_ptr<TGraphic> NewGraphicOfKind(const TGraphic& graphic) {
  const TGraphicFactory create = FileFormats().FindClass(graphic.ClassName());
  if (create == nullptr) throw EInvalidGraphic(kUnknownPictureClassText);
  return create();
}

}  // namespace vitrix
