#include "platform/clipboard_device_qt.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QSvgRenderer>
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

#include "rtl/exceptions.h"

namespace vitrix {
namespace {

bool IsEnhancedMetafileType(const QString& type) {
  return type == QLatin1String("image/svg+xml") || type == QLatin1String("image/x-emf") ||
         type == QLatin1String("image/emf");
}

bool IsOldMetafileType(const QString& type) {
  return type == QLatin1String("image/x-wmf") || type == QLatin1String("image/wmf");
}

bool IsRasterType(const QString& type) {
  static const QList<QByteArray> supported = QImageReader::supportedMimeTypes();
  return supported.contains(type.toLatin1());
}

int32_t ReadLe32(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value |= uint32_t{static_cast<uint8_t>(bytes[offset + i])} << (8 * i);
  return static_cast<int32_t>(value);
}

int32_t ReadLe16(const std::string& bytes, size_t offset) {
  const auto value =
      static_cast<uint16_t>(static_cast<uint8_t>(bytes[offset]) | (static_cast<uint8_t>(bytes[offset + 1]) << 8));
  return static_cast<int16_t>(value);
}

// Qt's own bound on a decoded picture (128 MB by default) would drop a
// three-monitor desktop; the bound here lets through every picture up to the
// pixel limit, whatever its depth (64 bits a pixel at most).
constexpr int kAllocationLimitMb = static_cast<int>(kMaxClipboardPixels * 8 / (int64_t{1024} * 1024));

std::string TooLargeText(QSize size) {
  return kClipboardPictureTooLargeText + std::to_string(size.width()) + " x " + std::to_string(size.height()) +
         " pixels ; au plus " + std::to_string(kMaxClipboardPixels) + " pixels (16384 x 16384) peuvent l'\xEAtre.";
}

bool TooLarge(QSize size) {
  return static_cast<int64_t>(size.width()) * static_cast<int64_t>(size.height()) > kMaxClipboardPixels;
}

const QMimeData* CurrentMimeData() {
  if (QGuiApplication::instance() == nullptr) return nullptr;
  return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

}  // namespace

uint32_t ClipboardFormatForMimeType(const QString& mime_type) {
  if (IsEnhancedMetafileType(mime_type)) return CF_ENHMETAFILE;
  if (IsOldMetafileType(mime_type)) return CF_METAFILEPICT;
  // Qt lists its own converted image as application/x-qt-image; the X
  // selection protocol adds TARGETS and friends. None of them is a format.
  if (mime_type.startsWith(QLatin1String("image/")) && IsRasterType(mime_type)) return CF_BITMAP;
  return 0;
}

std::vector<uint32_t> ClipboardFormatsForMimeTypes(const QStringList& mime_types) {
  std::vector<uint32_t> formats;
  for (const QString& type : mime_types) {
    const uint32_t format = ClipboardFormatForMimeType(type);
    if (format != 0 && std::find(formats.begin(), formats.end(), format) == formats.end()) {
      formats.push_back(format);
    }
  }
  return formats;
}

void ReadMetafileBounds(TClipboardMetafile& metafile) {
  metafile.Left = metafile.Top = metafile.Right = metafile.Bottom = 0;
  const std::string& bytes = metafile.Bytes;
  if (metafile.MimeType == "image/svg+xml") {
    QSvgRenderer renderer(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!renderer.isValid()) return;
    const QSize size = renderer.defaultSize();
    metafile.Right = std::max(0, size.width());
    metafile.Bottom = std::max(0, size.height());
  } else if (IsEnhancedMetafileType(QString::fromStdString(metafile.MimeType))) {
    // An enhanced metafile starts with its header record (type 1); the
    // bounds follow the record's type and size.
    if (bytes.size() < 24 || ReadLe32(bytes, 0) != 1) return;
    metafile.Left = ReadLe32(bytes, 8);
    metafile.Top = ReadLe32(bytes, 12);
    metafile.Right = ReadLe32(bytes, 16);
    metafile.Bottom = ReadLe32(bytes, 20);
  } else {
    // An old-style metafile carries its bounds only in the placeable header,
    // in units of 1/inch; they are given here at 96 pixels per inch.
    if (bytes.size() < 22 || static_cast<uint32_t>(ReadLe32(bytes, 0)) != 0x9AC6CDD7u) return;
    const int32_t inch = static_cast<uint16_t>(ReadLe16(bytes, 14));
    if (inch == 0) return;
    metafile.Left = ReadLe16(bytes, 6) * 96 / inch;
    metafile.Top = ReadLe16(bytes, 8) * 96 / inch;
    metafile.Right = ReadLe16(bytes, 10) * 96 / inch;
    metafile.Bottom = ReadLe16(bytes, 12) * 96 / inch;
  }
}

QImage ReadClipboardPicture(const QByteArray& bytes, const QString& mime_type) {
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  // The bytes say what they are; an owner may well announce one type and
  // give another.
  QImageReader reader(&buffer);
  QImageReader::setAllocationLimit(kAllocationLimitMb);
  // The size is in the header: a picture too large is refused before any
  // pixel is decoded.
  const QSize size = reader.size();
  if (size.isValid() && TooLarge(size)) throw Exception(TooLargeText(size));
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    throw Exception(kClipboardPictureUnreadableText + mime_type.toStdString() + ".");
  }
  if (TooLarge(image.size())) throw Exception(TooLargeText(image.size()));
  return image;
}

std::unique_ptr<IClipboardDevice> IClipboardDevice::CreateSystem() { return std::make_unique<TQtClipboardDevice>(); }

bool TQtClipboardDevice::Open() { return QGuiApplication::instance() != nullptr; }

std::vector<uint32_t> TQtClipboardDevice::Formats() {
  const QMimeData* data = CurrentMimeData();
  if (data == nullptr) return {};
  return ClipboardFormatsForMimeTypes(data->formats());
}

bool TQtClipboardDevice::HasFormat(uint32_t format) {
  const std::vector<uint32_t> formats = Formats();
  return std::find(formats.begin(), formats.end(), format) != formats.end();
}

TClipboardData TQtClipboardDevice::Data(uint32_t format) {
  const QMimeData* data = CurrentMimeData();
  if (data == nullptr) return {};
  if (format == CF_BITMAP) return Bitmap(*data);
  if (format != CF_METAFILEPICT && format != CF_ENHMETAFILE) return {};
  // Either metafile format gives the first vector picture the owner lists.
  for (const QString& type : data->formats()) {
    const uint32_t mapped = ClipboardFormatForMimeType(type);
    if (mapped != CF_METAFILEPICT && mapped != CF_ENHMETAFILE) continue;
    const QByteArray bytes = data->data(type);
    TClipboardMetafile metafile;
    metafile.Bytes.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    metafile.MimeType = type.toStdString();
    ReadMetafileBounds(metafile);
    return metafile;
  }
  return {};
}

// This program's own capture is a picture already. Another owner's is read
// here from its bytes rather than through Qt's clipboard image, which drops a
// picture it cannot read, or one past its own size bound, without a word:
// the first raster type the owner lists that reads is taken, and when none
// does the first one's failure is told.
TClipboardData TQtClipboardDevice::Bitmap(const QMimeData& data) {
  if (QGuiApplication::clipboard()->ownsClipboard()) {
    QImage image = QGuiApplication::clipboard()->image(QClipboard::Clipboard);
    if (image.isNull()) return {};
    if (TooLarge(image.size())) throw Exception(TooLargeText(image.size()));
    return image;
  }
  // The first failure, of its own class, to raise again once no other
  // type gave a picture.
  std::exception_ptr first_failure;
  for (const QString& type : data.formats()) {
    if (ClipboardFormatForMimeType(type) != CF_BITMAP) continue;
    try {
      return ReadClipboardPicture(data.data(type), type);
    } catch (const Exception&) {
      if (!first_failure) first_failure = std::current_exception();
    }
  }
  if (first_failure) std::rethrow_exception(first_failure);
  return {};
}

std::vector<uint32_t> TQtClipboardDevice::Palette() {
  // The X clipboard has no palettes; indexed images arrive converted.
  return {};
}

}  // namespace vitrix
