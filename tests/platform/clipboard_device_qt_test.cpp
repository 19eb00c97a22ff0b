#include "platform/clipboard_device_qt.h"

#include <gtest/gtest.h>

#include <cstring>

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

}  // namespace
}  // namespace vitrix
