#include "picture/clipboard.h"

#include <gtest/gtest.h>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/image.h"
#include "picture/metafile.h"
#include "picture/picture.h"
#include "picture/surface.h"
#include "platform/testing/scripted_clipboard_device.h"

namespace vitrix {
namespace {

const char kSvg[] = R"(<svg xmlns="http://www.w3.org/2000/svg" width="40" height="30">
<rect x="0" y="0" width="20" height="30" fill="#ff0000"/></svg>)";

TClipboardMetafile SvgMetafile() {
  TClipboardMetafile metafile;
  metafile.Bytes = kSvg;
  metafile.MimeType = "image/svg+xml";
  metafile.Right = 40;
  metafile.Bottom = 30;
  return metafile;
}

QImage RedImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(qRgb(255, 0, 0));
  return image;
}

// Puts an in-memory clipboard in place for the test.
class ClipboardImport : public ::testing::Test {
 protected:
  void TearDown() override {
    while (SharedClipboard().OpenCount() > 0) SharedClipboard().Release();
  }

  TScriptedClipboardDevice device_;
  TScopedPlatform<IClipboardDevice> scoped_{device_};
};

TEST_F(ClipboardImport, TheFirstPictureFormatInTheClipboardsOrderDecidesTheKind) {
  device_.Add(CF_ENHMETAFILE, SvgMetafile());
  device_.Add(CF_BITMAP, RedImage(5, 4));
  TPicture picture;
  EXPECT_TRUE(SharedClipboard().Offers(CF_BITMAP));
  picture.CopyFrom(SharedClipboard());
  auto* metafile = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(metafile, nullptr);
  EXPECT_EQ(picture.Width(), 40);
  EXPECT_EQ(picture.Height(), 30);
  EXPECT_TRUE(metafile->Enhanced());

  device_.Clear();
  device_.Add(42);  // a format without a picture kind is passed over
  device_.Add(CF_BITMAP, RedImage(5, 4));
  device_.Add(CF_METAFILEPICT, SvgMetafile());
  picture.CopyFrom(SharedClipboard());
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), 5);
  EXPECT_EQ(bitmap->Pixel(4, 3), clRed);
  EXPECT_EQ(SharedClipboard().OpenCount(), 0);
}

TEST_F(ClipboardImport, EmptyClipboardFailsAndLeavesThePictureAsItWas) {
  TPicture picture;
  picture.SetGraphic(std::make_unique<TBitmap>(3, 3));
  TGraphic* before = picture.Graphic();
  device_.Add(CF_PALETTE);
  try {
    picture.CopyFrom(SharedClipboard());
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Format de Presse-papiers incorrect");
  }
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(SharedClipboard().OpenCount(), 0);
  EXPECT_EQ(device_.OpenCalls(), 1);
  EXPECT_EQ(device_.CloseCalls(), 1);
}

TEST_F(ClipboardImport, ListedFormatWithoutDataIsUnsupportedAndKeepsTheOldGraphic) {
  device_.Add(CF_BITMAP);
  TPicture picture;
  picture.SetGraphic(std::make_unique<TBitmap>(3, 3));
  TGraphic* before = picture.Graphic();
  try {
    SharedClipboard().ImportPicture(picture);
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Format de Presse-papiers non support\xE9");
  }
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_FALSE(device_.IsOpen());
}

TEST_F(ClipboardImport, NestedHoldsOpenAndCloseTheClipboardOnce) {
  TClipboard& clipboard = SharedClipboard();
  clipboard.Release();  // without a hold: nothing
  EXPECT_EQ(device_.CloseCalls(), 0);
  clipboard.Acquire();
  clipboard.Acquire();
  device_.Add(CF_BITMAP, RedImage(2, 2));
  TPicture picture;
  clipboard.ImportPicture(picture);  // one more level inside
  EXPECT_EQ(clipboard.OpenCount(), 2);
  clipboard.Release();
  EXPECT_TRUE(device_.IsOpen());
  clipboard.Release();
  EXPECT_FALSE(device_.IsOpen());
  EXPECT_EQ(device_.OpenCalls(), 1);
  EXPECT_EQ(device_.CloseCalls(), 1);
}

TEST_F(ClipboardImport, ClipboardThatCannotBeOpenedLeavesTheCountAlone) {
  device_.SetOpenFails(true);
  try {
    SharedClipboard().Acquire();
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Impossible d'ouvrir le Presse-papiers");
  }
  EXPECT_EQ(SharedClipboard().OpenCount(), 0);
}

TEST_F(ClipboardImport, BitmapTakesACopyOfTheClipboardsPalette) {
  device_.Add(CF_BITMAP, RedImage(2, 2));
  device_.SetPalette({clRed, clBlack, clWhite});
  TBitmap bitmap;
  bitmap.CopyFrom(SharedClipboard());
  EXPECT_EQ(bitmap.Palette().Entries, (std::vector<TColor>{clRed, clBlack, clWhite}));
  EXPECT_TRUE(bitmap.PaletteModified());
  EXPECT_EQ(device_.Palette().size(), 3u) << "the clipboard keeps its palette";

  TMetafile metafile;
  device_.Add(CF_METAFILEPICT, SvgMetafile());
  metafile.CopyFrom(SharedClipboard());
  EXPECT_EQ(metafile.Width(), 40);

  TImage image;
  try {
    SharedClipboard().CopyTo(image.Picture());
  } catch (...) {
    ADD_FAILURE() << "a picture is a valid destination";
  }
}

TEST_F(ClipboardImport, TransparentPixelsArriveOnWhite) {
  QImage image(2, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(0, 0, 0, 0));
  image.setPixel(1, 0, qRgba(0, 0, 255, 255));
  device_.Add(CF_BITMAP, image);
  TPicture picture;
  SharedClipboard().ImportPicture(picture);
  TBitmap& bitmap = picture.AsBitmap();
  EXPECT_EQ(bitmap.Pixel(0, 0), clWhite);
  EXPECT_EQ(bitmap.Pixel(1, 0), clBlue);
}

// A screen grabbed on a scaled desktop carries a device pixel ratio (2 here)
// whichever format it comes in. The capture keeps every pixel, has no ratio
// of its own, and what is drawn on it (a wide pen here, which the toolkit
// draws) lands at the pixels it names, not at scaled ones.
TEST_F(ClipboardImport, APictureGrabbedOnAScaledScreenKeepsItsPixelsAndTakesDrawingsAtThem) {
  for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32}) {
    QImage grabbed = RedImage(40, 30).convertToFormat(format);
    grabbed.setDevicePixelRatio(2.0);
    device_.Add(CF_BITMAP, grabbed);
    TPicture picture;
    SharedClipboard().ImportPicture(picture);
    TBitmap& bitmap = picture.AsBitmap();
    ASSERT_EQ(bitmap.Width(), 40);
    ASSERT_EQ(bitmap.Height(), 30);
    EXPECT_EQ(bitmap.Image().devicePixelRatio(), 1.0);
    TSurface& canvas = bitmap.Canvas();
    canvas.Pen.Color = clBlue;
    canvas.Pen.Width = 3;
    canvas.MoveTo(4, 10);
    canvas.LineTo(14, 10);
    EXPECT_EQ(bitmap.Pixel(9, 10), clBlue);
    EXPECT_EQ(bitmap.Pixel(9, 20), clRed) << "drawn at twice the coordinates";
    EXPECT_EQ(bitmap.Pixel(20, 10), clRed) << "drawn at twice the coordinates";
    device_.Clear();
  }
}

TEST_F(ClipboardImport, DrawingOnAnImportedMetafileFailsAndAsBitmapDiscardsIt) {
  device_.Add(CF_ENHMETAFILE, SvgMetafile());
  TImage image;
  image.SetAutoSize(true);
  image.Picture().CopyFrom(SharedClipboard());
  EXPECT_EQ(image.Width(), 40);
  try {
    image.DrawingCanvas();
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(),
              "Une image ne peut \xEAtre modifi\xE9"
              "e que si elle contient un bitmap");
  }
  EXPECT_NE(dynamic_cast<TMetafile*>(image.Picture().Graphic()), nullptr) << "the picture is unchanged";
  TBitmap& bitmap = image.Picture().AsBitmap();
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(image.Width(), 40) << "a picture of zero size leaves the control's size";
}

TEST(ClipboardCopy, OtherDestinationsCannotBeFilledFromTheClipboard) {
  TPicture picture;
  TClipboard& clipboard = SharedClipboard();
  try {
    clipboard.CopyTo(clipboard);
    ADD_FAILURE() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Impossible d'affecter TClipboard \xE0 TClipboard");
  }
}

}  // namespace
}  // namespace vitrix
