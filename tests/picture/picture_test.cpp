#include "picture/picture.h"

#include <gtest/gtest.h>

#include "picture/banner.h"
#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/graphic_formats.h"
#include "picture/icon.h"
#include "picture/image.h"
#include "picture/jpeg_image.h"
#include "picture/metafile.h"
#include "picture/surface.h"
#include "rtl/streams.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

TEST(PictureRegistries, FileFormatsInOrderAndClassLookupFromTheEnd) {
  std::vector<std::string> extensions, classes;
  for (const TFileFormat& f : FileFormats().Entries()) {
    extensions.push_back(f.Extension);
    classes.push_back(f.ClassName);
  }
  EXPECT_EQ(extensions, (std::vector<std::string>{"wmf", "emf", "ico", "bmp", "jpeg", "jpg"}));
  EXPECT_EQ(classes,
            (std::vector<std::string>{"TMetafile", "TMetafile", "TIcon", "TBitmap", "TJPEGImage", "TJPEGImage"}));
  EXPECT_EQ(FileFormats().Entries()[1].Description, "M\xE9tafichiers \xE9volu\xE9s");
  EXPECT_EQ(FileFormats().FindExtension("JPG")->Description, "Fichier image JPEG");
  EXPECT_EQ(FileFormats().FindClass("tjpegimage"), nullptr) << "class names match exactly";
  ASSERT_NE(FileFormats().FindClass("TJPEGImage"), nullptr);
  EXPECT_STREQ(FileFormats().FindClass("TJPEGImage")()->ClassName(), "TJPEGImage");

  // The JPEG picture has no clipboard format; palettes are none by themselves.
  EXPECT_EQ(ClipboardFormats().Find(CF_BITMAP)->ClassName, "TBitmap");
  EXPECT_EQ(ClipboardFormats().Find(CF_METAFILEPICT)->ClassName, "TMetafile");
  EXPECT_EQ(ClipboardFormats().Find(CF_ENHMETAFILE)->ClassName, "TMetafile");
  EXPECT_EQ(ClipboardFormats().Find(CF_PALETTE), nullptr);
}

TEST(Picture, AsBitmapReplacesAnyOtherKindByAnEmptyBitmap) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TPicture&) { ++changes; };
  TBitmap& from_nothing = picture.AsBitmap();
  EXPECT_EQ(from_nothing.Width(), 0);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(&picture.AsBitmap(), &from_nothing) << "a bitmap is returned unchanged";
  EXPECT_EQ(changes, 1);

  auto jpeg = std::make_unique<TJPEGImage>();
  TBitmap source(8, 6);
  jpeg->CopyFrom(source);
  picture.SetGraphic(std::move(jpeg));
  EXPECT_EQ(picture.Width(), 8);
  TBitmap& replaced = picture.AsBitmap();
  EXPECT_EQ(replaced.Width(), 0) << "nothing is converted";
}

TEST(Picture, CopiesGraphicsAndForwardsTheirChanges) {
  TBitmap source(4, 3);
  source.SetPixel(1, 1, clRed);
  TPicture picture;
  picture.CopyFrom(source);
  auto* copy = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, &source);
  EXPECT_EQ(copy->Pixel(1, 1), clRed);
  source.SetPixel(1, 1, clBlue);
  EXPECT_EQ(copy->Pixel(1, 1), clRed) << "the copy is independent";

  int changes = 0;
  picture.OnChange = [&](TPicture&) { ++changes; };
  copy->Canvas().Brush.Color = clGreen;
  copy->Canvas().FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(changes, 1);

  TPicture other;
  other.CopyFrom(picture);
  ASSERT_NE(other.Graphic(), nullptr);
  EXPECT_TRUE(other.Graphic()->Equals(*picture.Graphic()));
}

TEST(Picture, StoredFormNamesTheKindAndRoundTrips) {
  TPicture picture;
  auto bitmap = std::make_unique<TBitmap>(3, 2);
  bitmap->SetPixel(2, 1, clRed);
  picture.SetGraphic(std::move(bitmap));
  TMemoryStream stream;
  picture.WriteStored(stream);
  EXPECT_EQ(std::string(stream.View().substr(0, 8)), "\x07TBitmap");
  stream.SetPosition(0);
  TPicture read;
  read.ReadStored(stream);
  auto* read_bitmap = dynamic_cast<TBitmap*>(read.Graphic());
  ASSERT_NE(read_bitmap, nullptr);
  EXPECT_EQ(read_bitmap->Pixel(2, 1), clRed);

  TMemoryStream unknown;
  unknown.WriteBuffer("\x05TFoo\0\0\0\0", 10);
  unknown.SetPosition(0);
  EXPECT_THROW(read.ReadStored(unknown), EInvalidGraphic);
}

TEST(Picture, LoadClipboardDataRefusesFormatsWithoutAKind) {
  TPicture picture;
  try {
    picture.LoadClipboardData(CF_PALETTE, {}, {});
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Format de Presse-papiers non support\xE9");
  }
  EXPECT_EQ(picture.Graphic(), nullptr);
}

TEST(Image, DrawingCanvasInstallsABitmapOfTheControlsSizeWhenEmpty) {
  TImage image;
  image.SetBounds(10, 20, 30, 15);
  TSurface& canvas = image.DrawingCanvas();
  auto* bitmap = dynamic_cast<TBitmap*>(image.Picture().Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(&canvas, &bitmap->Canvas());
  EXPECT_EQ(bitmap->Width(), 30);
  EXPECT_EQ(bitmap->Height(), 15);
  EXPECT_EQ(&image.DrawingCanvas(), &canvas);

  image.Picture().SetGraphic(std::make_unique<TIcon>());
  EXPECT_THROW(image.DrawingCanvas(), EInvalidOperation);
}

TEST(Image, AutoSizeFollowsThePictureAndKeepsThePlace) {
  TImage image;
  image.SetBounds(5, 6, 100, 100);
  image.SetAutoSize(true);
  int invalidations = 0;
  image.OnInvalidate = [&] { ++invalidations; };
  image.Picture().SetGraphic(std::make_unique<TBitmap>(40, 20));
  EXPECT_EQ(image.Left(), 5);
  EXPECT_EQ(image.Top(), 6);
  EXPECT_EQ(image.Width(), 40);
  EXPECT_EQ(image.Height(), 20);
  EXPECT_GT(invalidations, 0);

  image.Picture().SetGraphic(std::make_unique<TBitmap>(0, 0));
  EXPECT_EQ(image.Width(), 40) << "a zero-sized picture leaves the size";
}

TEST(Image, PaintsTheGraphicIntoThePictureSizedRectangle) {
  TImage image;
  image.SetBounds(0, 0, 8, 8);
  auto bitmap = std::make_unique<TBitmap>(2, 2);
  bitmap->Canvas().Brush.Color = clRed;
  bitmap->Canvas().FillRect(Rect(0, 0, 2, 2));
  image.Picture().SetGraphic(std::move(bitmap));
  TBitmap target(8, 8);
  target.Canvas().Brush.Color = clBlack;
  target.Canvas().FillRect(Rect(0, 0, 8, 8));
  image.PaintTo(target.Canvas());
  EXPECT_EQ(target.Pixel(0, 0), clRed);
  EXPECT_EQ(target.Pixel(1, 1), clRed);
  EXPECT_EQ(target.Pixel(2, 2), clBlack) << "not stretched to the control";
}

TEST(Metafile, SvgDrawsAndOtherKindsKeepTheirBounds) {
  TMetafile metafile;
  TClipboardMetafile data;
  data.Bytes =
      R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><rect width="10" height="10" fill="#0000ff"/></svg>)";
  data.MimeType = "image/svg+xml";
  data.Right = 10;
  data.Bottom = 10;
  metafile.LoadFromClipboardFormat(CF_ENHMETAFILE, data, {});
  TBitmap target(10, 10);
  target.Canvas().StretchDraw(Rect(0, 0, 10, 10), metafile);
  EXPECT_EQ(target.Pixel(5, 5), clBlue);
  EXPECT_THROW(metafile.LoadFromClipboardFormat(CF_BITMAP, data, {}), EInvalidGraphic);

  TMemoryStream stream;
  metafile.WriteStored(stream);
  stream.SetPosition(0);
  TMetafile read;
  read.ReadStored(stream);
  EXPECT_EQ(read.Width(), 10);
  EXPECT_TRUE(read.Equals(metafile));
}

}  // namespace
}  // namespace vitrix

namespace vitrix {
namespace {

TEST(InitialBanner, IsTheAssetFileInTheStoredForm) {
  const std::string jpeg = test::ReadWholeFile(VITRIX_BANNER_ASSET);
  ASSERT_GT(jpeg.size(), 4u) << VITRIX_BANNER_ASSET;
  const auto n = static_cast<uint32_t>(jpeg.size());
  const std::string length = {static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                              static_cast<char>(n >> 24)};
  // Byte for byte: no byte of the asset lost, changed or added by the build.
  EXPECT_TRUE(InitialBannerStored() == length + jpeg) << "the program holds " << InitialBannerStored().size()
                                                      << " bytes; the asset in its stored form is " << jpeg.size() + 4;
}

TEST(InitialBanner, IsA468By60JpegReadFromItsStoredFormWithoutDecoding) {
  const std::string_view stored = InitialBannerStored();
  ASSERT_GT(stored.size(), 4u);
  uint32_t length = 0;
  for (size_t i = 0; i < 4; ++i) length |= uint32_t{static_cast<uint8_t>(stored[i])} << (8 * i);
  EXPECT_EQ(length + 4, stored.size());

  TImage image;
  image.SetAutoSize(true);
  LoadInitialBanner(image.Picture());
  EXPECT_EQ(image.Width(), 468);
  EXPECT_EQ(image.Height(), 60);
  auto* jpeg = dynamic_cast<TJPEGImage*>(image.Picture().Graphic());
  ASSERT_NE(jpeg, nullptr);
  EXPECT_FALSE(jpeg->HasBitmap());
  try {
    image.DrawingCanvas();
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(),
              "Une image ne peut \xEAtre modifi\xE9"
              "e que si elle contient un bitmap");
  }

  TBitmap target(468, 60);
  image.PaintTo(target.Canvas());
  // The left end of the gradient is dark blue, the right end light.
  EXPECT_GT(GetBValue(target.Pixel(2, 30)), GetRValue(target.Pixel(2, 30)));
  EXPECT_GT(GetRValue(target.Pixel(465, 30)), GetRValue(target.Pixel(2, 30)));
}

}  // namespace
}  // namespace vitrix
