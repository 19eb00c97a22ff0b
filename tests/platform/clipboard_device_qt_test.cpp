#include "platform/clipboard_device_qt.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <cstring>
#include <string>

#include "rtl/exceptions.h"
#include "support/png_bytes.h"

namespace vitrix {
namespace {

TEST(ClipboardMimeTypes, MapInTheOwnersOrderSkippingBookkeeping) {
  EXPECT_EQ(ClipboardFormatsForMimeTypes({"TARGETS", "image/png", "application/x-qt-image"}),
            (std::vector<uint32_t>{CF_BITMAP}));
  EXPECT_EQ(ClipboardFormatsForMimeTypes({"image/svg+xml", "image/png", "image/bmp", "image/x-wmf"}),
            (std::vector<uint32_t>{CF_ENHMETAFILE, CF_BITMAP, CF_METAFILEPICT}));
  EXPECT_EQ(ClipboardFormatsForMimeTypes({"image/x-wmf", "image/x-emf", "text/plain", "MULTIPLE"}),
            (std::vector<uint32_t>{CF_METAFILEPICT, CF_ENHMETAFILE}));
  EXPECT_EQ(ClipboardFormatForMimeType("image/x-unknown-thing"), 0u);
  EXPECT_EQ(ClipboardFormatForMimeType("text/html"), 0u);
}

std::string Le32(int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16), static_cast<char>(u >> 24)};
}

std::string Le16(int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  return {static_cast<char>(u), static_cast<char>(u >> 8)};
}

TEST(ClipboardMetafileBounds, ReadFromEachKindsHeader) {
  TClipboardMetafile emf;
  emf.MimeType = "image/x-emf";
  emf.Bytes = Le32(1) + Le32(108) + Le32(10) + Le32(20) + Le32(110) + Le32(70) + std::string(84, '\0');
  ReadMetafileBounds(emf);
  EXPECT_EQ(emf.Right - emf.Left, 100);
  EXPECT_EQ(emf.Bottom - emf.Top, 50);

  TClipboardMetafile wmf;
  wmf.MimeType = "image/x-wmf";
  wmf.Bytes = Le32(static_cast<int32_t>(0x9AC6CDD7u)) + Le16(0) + Le16(0) + Le16(0) + Le16(1440) + Le16(720) +
              Le16(1440) + std::string(6, '\0');
  ReadMetafileBounds(wmf);
  EXPECT_EQ(wmf.Right, 96);
  EXPECT_EQ(wmf.Bottom, 48);

  TClipboardMetafile svg;
  svg.MimeType = "image/svg+xml";
  svg.Bytes = R"(<svg xmlns="http://www.w3.org/2000/svg" width="64" height="32"/>)";
  ReadMetafileBounds(svg);
  EXPECT_EQ(svg.Right, 64);
  EXPECT_EQ(svg.Bottom, 32);

  TClipboardMetafile broken;
  broken.MimeType = "image/x-emf";
  broken.Bytes = "tiny";
  ReadMetafileBounds(broken);
  EXPECT_EQ(broken.Right, 0);
}

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

QByteArray Bytes(const std::string& bytes) { return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())); }

// The message of the failure reading bytes raises; empty when they read.
std::string ReadFailure(const QByteArray& bytes, const QString& type) {
  try {
    ReadClipboardPicture(bytes, type);
    return {};
  } catch (const Exception& e) {
    return e.Message();
  }
}

TEST(ClipboardPicture, ReadsWhatTheBytesHoldWhateverTypeTheOwnerAnnounced) {
  QImage image(5, 3, QImage::Format_RGB32);
  image.fill(qRgb(10, 200, 30));
  for (const char* format : {"PNG", "BMP"}) {
    const QImage read = ReadClipboardPicture(Encoded(image, format), "image/png");
    ASSERT_EQ(read.size(), QSize(5, 3)) << format;
    EXPECT_EQ(read.pixel(4, 2), qRgb(10, 200, 30)) << format;
  }
}

TEST(ClipboardPicture, DamagedOrEmptyBytesAreToldAsUnreadable) {
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(qRgb(1, 2, 3));
  const QByteArray png = Encoded(image, "PNG");
  const std::string unreadable = std::string(kClipboardPictureUnreadableText) + "image/png.";
  // The header is whole, the compressed rows are not.
  QByteArray damaged = png;
  for (qsizetype i = 45; i < damaged.size() - 12; ++i) damaged[i] = static_cast<char>(0x5A);
  EXPECT_EQ(ReadFailure(damaged, "image/png"), unreadable);
  EXPECT_EQ(ReadFailure(png.left(png.size() / 2), "image/png"), unreadable);
  EXPECT_EQ(ReadFailure(QByteArray("not a picture"), "image/png"), unreadable);
  EXPECT_EQ(ReadFailure(QByteArray(), "image/png"), unreadable);
}

// The size is read from the header: nothing is allocated for a picture over
// the limit, whatever it claims to hold.
TEST(ClipboardPicture, APictureOverThePixelLimitIsRefusedWithItsSize) {
  EXPECT_EQ(ReadFailure(Bytes(test::PngHeaderOnly(16385, 16384)), "image/png"),
            std::string(kClipboardPictureTooLargeText) +
                "16385 x 16384 pixels ; au plus 268435456 pixels (16384 x 16384) peuvent l'\xEAtre.");
  EXPECT_EQ(
      ReadFailure(Bytes(test::PngHeaderOnly(100000, 100000)), "image/png").rfind(kClipboardPictureTooLargeText, 0), 0u);
}

}  // namespace
}  // namespace vitrix
