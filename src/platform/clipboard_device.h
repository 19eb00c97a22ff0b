#pragma once

// The desktop clipboard as the picture import sees it: a list of formats in
// the order the owner offers them, and the data of each. The real device reads
// the X clipboard through Qt; tests install an in-memory one.

#include <QImage>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/services.h"

namespace vitrix {

// Clipboard format numbers, as the picture registry knows them.
inline constexpr uint32_t CF_BITMAP = 2;
inline constexpr uint32_t CF_METAFILEPICT = 3;
inline constexpr uint32_t CF_PALETTE = 9;
inline constexpr uint32_t CF_ENHMETAFILE = 14;

// The largest picture taken from the clipboard: 2^28 pixels (16384 x 16384,
// a 1 GiB bitmap), well beyond any desktop's screens put together.
inline constexpr int64_t kMaxClipboardPixels = int64_t{1} << 28;

// Why a raster picture on the clipboard was not taken; the picture's size or
// MIME type follow where the texts end with a colon.
inline constexpr const char* kClipboardPictureTooLargeText =
    "L'image du presse-papiers est trop grande pour \xEAtre prise : ";
inline constexpr const char* kClipboardPictureUnreadableText =
    "L'image du presse-papiers ne peut pas \xEAtre lue : ses donn\xE9"
    "es sont endommag\xE9"
    "es ou incompl\xE8"
    "tes. "
    "Format annonc\xE9 : ";

// A vector picture on the clipboard: its bytes as the owner gave them, their
// MIME type, and its bounds in pixels.
struct TClipboardMetafile {
  std::string Bytes;
  std::string MimeType;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

// The data of one format: a raster picture, a vector picture, or nothing.
using TClipboardData = std::variant<std::monostate, QImage, TClipboardMetafile>;

class IClipboardDevice {
 public:
  virtual ~IClipboardDevice() = default;

  // Takes the clipboard for reading; false when it cannot be had.
  virtual bool Open() = 0;
  virtual void Close() = 0;
  // The formats offered, in the owner's order, each listed once.
  virtual std::vector<uint32_t> Formats() = 0;
  virtual bool HasFormat(uint32_t format) = 0;
  // The data of a format; CF_METAFILEPICT and CF_ENHMETAFILE both give the
  // vector picture (an old-style one converted). Nothing when not offered.
  // A raster picture that cannot be read or is larger than
  // kMaxClipboardPixels raises Exception with the texts above.
  virtual TClipboardData Data(uint32_t format) = 0;
  // The palette that travels with the bitmap (CF_PALETTE), as 0x00BBGGRR
  // colours; empty when there is none.
  virtual std::vector<uint32_t> Palette() = 0;

  static std::unique_ptr<IClipboardDevice> CreateSystem();
};

// The X clipboard, unless a test put another device in place.
inline IClipboardDevice& ClipboardDevice() { return Platform<IClipboardDevice>(); }

}  // namespace vitrix
