#include "publish/jpeg_export.h"

#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <string>

#include "picture/banner.h"
#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/jpeg_image.h"
#include "picture/metafile.h"
#include "picture/picture.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/streams.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

QImage Decoded(const std::string& path) { return QImage(QString::fromStdString(path), "JPEG"); }

// The bytes the JPEG picture makes of a bitmap at a quality.
std::string EncodedAt(const QImage& pixels, int quality) {
  TBitmap bitmap;
  bitmap.SetImage(pixels);
  TJPEGImage jpeg;
  jpeg.SetSaveQuality(static_cast<uint8_t>(quality));
  jpeg.CopyFrom(bitmap);
  TMemoryStream stream;
  jpeg.WriteToStream(stream);
  return std::string(stream.View());
}

TEST(NextFreeName, TakesTheLowestFreeNumberFromOne) {
  test::TempDir folder;
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "1.jpg");
  folder.WriteFile("1.jpg", "x");
  folder.WriteFile("3.jpg", "x");
  folder.WriteFile("2.png", "x");
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "2.jpg");
  folder.WriteFile("2.jpg", "x");
  EXPECT_EQ(nouveaunom(folder.Path()), folder.Path() + "4.jpg");
}

TEST(SaveCapture, WritesTheBitmapAtTheGivenQuality) {
  test::TempDir folder;
  const QImage pixels = test::VariedSampleImage(64, 48);
  for (int quality : {1, 95, 100}) {
    TPicture picture;
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(pixels);
    picture.SetGraphic(std::move(bitmap));
    const std::string path = folder.Path() + std::to_string(quality) + ".jpg";
    SaveCaptureAsJpeg(picture, quality, path);
    EXPECT_EQ(test::ReadWholeFile(path), EncodedAt(pixels, quality)) << quality;
    EXPECT_EQ(Decoded(path).size(), QSize(64, 48)) << quality;
  }
}

TEST(SaveCapture, APictureWithoutPixelsIsRefusedAndNoFileIsMade) {
  test::TempDir folder;
  const std::string path = folder.Path() + "1.jpg";
  TPicture nothing;
  TPicture empty_bitmap;
  empty_bitmap.SetGraphic(std::make_unique<TBitmap>());
  for (TPicture* picture : {&nothing, &empty_bitmap}) {
    try {
      SaveCaptureAsJpeg(*picture, 95, path);
      ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), kEmptyCaptureText);
    }
    EXPECT_FALSE(FileExists(path));
  }
}

TEST(SaveCapture, OtherPictureKindsAreDrawnIntoABitmapAndKept) {
  test::TempDir folder;
  TPicture vector;
  TClipboardMetafile svg;
  svg.Bytes = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="32">)"
              R"(<rect width="40" height="32" fill="#ffffff"/><rect width="16" height="32" fill="#0000ff"/></svg>)";
  svg.MimeType = "image/svg+xml";
  svg.Right = 40;
  svg.Bottom = 32;
  vector.LoadClipboardData(CF_ENHMETAFILE, svg, {});
  SaveCaptureAsJpeg(vector, 100, folder.Path() + "1.jpg");
  const QImage saved = Decoded(folder.Path() + "1.jpg");
  ASSERT_EQ(saved.size(), QSize(40, 32));
  EXPECT_LT(qRed(saved.pixel(4, 16)), 16);
  EXPECT_GT(qBlue(saved.pixel(4, 16)), 239);
  EXPECT_GT(qRed(saved.pixel(32, 16)), 239);
  EXPECT_NE(dynamic_cast<TMetafile*>(vector.Graphic()), nullptr);

  TPicture banner;
  LoadInitialBanner(banner);
  SaveCaptureAsJpeg(banner, 95, folder.Path() + "2.jpg");
  EXPECT_EQ(Decoded(folder.Path() + "2.jpg").size(), QSize(468, 60));
  EXPECT_NE(dynamic_cast<TJPEGImage*>(banner.Graphic()), nullptr);
}

TEST(SaveCapture, AFolderThatCannotTakeTheFileRaisesTheCreateError) {
  test::TempDir folder;
  TPicture picture;
  picture.SetGraphic(std::make_unique<TBitmap>(8, 8));
  const std::string path = folder.Path() + "absent/1.jpg";
  EXPECT_THROW(SaveCaptureAsJpeg(picture, 95, path), EFCreateError);
  EXPECT_FALSE(FileExists(path));
}

}  // namespace
}  // namespace vitrix
