#pragma once

// The X clipboard through Qt. The owner's MIME types are mapped in the order
// it lists them: raster image types to CF_BITMAP, vector types to the
// metafile formats; Qt's own bookkeeping entries are not formats.

#include <QByteArray>
#include <QImage>
#include <QStringList>

class QMimeData;

#include "platform/clipboard_device.h"

namespace vitrix {

class TQtClipboardDevice : public IClipboardDevice {
 public:
  bool Open() override;
  void Close() override {}
  std::vector<uint32_t> Formats() override;
  bool HasFormat(uint32_t format) override;
  TClipboardData Data(uint32_t format) override;
  std::vector<uint32_t> Palette() override;

 private:
  TClipboardData Bitmap(const QMimeData& data);
};

// The clipboard format a MIME type stands for; 0 when it is no picture
// format. Exposed for tests.
uint32_t ClipboardFormatForMimeType(const QString& mime_type);
// The formats for a list of MIME types, in their order, each once.
std::vector<uint32_t> ClipboardFormatsForMimeTypes(const QStringList& mime_types);
// Decodes a raster picture the clipboard's owner gave as bytes of a MIME type,
// up to kMaxClipboardPixels; Exception with kClipboardPictureTooLargeText or
// kClipboardPictureUnreadableText otherwise.
QImage ReadClipboardPicture(const QByteArray& bytes, const QString& mime_type);
// The bounds of a vector picture; all 0 when they cannot be read.
void ReadMetafileBounds(TClipboardMetafile& metafile);

}  // namespace vitrix
