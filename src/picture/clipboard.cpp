#include "picture/clipboard.h"

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/graphic_formats.h"
#include "picture/metafile.h"
#include "picture/picture.h"

namespace vitrix {
namespace {

TPalette ClipboardPalette(IClipboardDevice& device) {
  TPalette palette;
  for (uint32_t colour : device.Palette()) palette.Entries.push_back(colour);
  return palette;
}

}  // namespace

void TClipboard::Acquire() {
  if (open_count_ == 0 && !ClipboardDevice().Open()) throw Exception(kCannotOpenClipboardText);
  ++open_count_;
}

void TClipboard::Release() {
  if (open_count_ == 0) return;
  if (--open_count_ == 0) ClipboardDevice().Close();
}

bool TClipboard::Offers(uint32_t format) { return ClipboardDevice().HasFormat(format); }

void TClipboard::ImportPicture(TPicture& picture) {
  TClipboardHold hold(*this);
  IClipboardDevice& device = ClipboardDevice();
  // The first supported format in the clipboard's order decides the kind,
  // whatever the caller asked Offers about before.
  for (uint32_t format : device.Formats()) {
    if (ClipboardFormats().Find(format) == nullptr) continue;
    picture.LoadClipboardData(format, device.Data(format), ClipboardPalette(device));
    return;
  }
  throw Exception(kBadClipboardFormatText);
}

void TClipboard::CopyTo(TPersistent& destination) {
  if (auto* picture = dynamic_cast<TPicture*>(&destination)) {
    ImportPicture(*picture);
    return;
  }
  const bool bitmap = dynamic_cast<TBitmap*>(&destination) != nullptr;
  const bool metafile = dynamic_cast<TMetafile*>(&destination) != nullptr;
  if (!bitmap && !metafile) {
    TPersistent::CopyTo(destination);
    return;
  }
  TClipboardHold hold(*this);
  IClipboardDevice& device = ClipboardDevice();
  const uint32_t format = bitmap ? CF_BITMAP : CF_ENHMETAFILE;
  static_cast<TGraphic&>(destination).LoadFromClipboardFormat(format, device.Data(format), ClipboardPalette(device));
}

TClipboard& SharedClipboard() {
  static TClipboard clipboard;
  return clipboard;
}

}  // namespace vitrix
