// Runs under a private X server (tests/support/with_xvfb.sh): a PNG offered
// on the X clipboard by xclip is imported as a bitmap with the same pixels;
// pictures that cannot be taken are refused with the reason.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include "picture/bitmap.h"
#include "picture/clipboard.h"
#include "picture/picture.h"
#include "platform/clipboard_device.h"
#include "rtl/exceptions.h"
#include "support/png_bytes.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

QImage Pattern() {
  QImage image(37, 23, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 7, y * 11, (x * y) & 0xFF));
  }
  image.setPixel(0, 0, qRgb(255, 0, 0));
  return image;
}

bool WaitFor(const std::function<bool()>& condition) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 5000) {
    if (condition()) return true;
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
  return false;
}

TEST(X11Clipboard, PngOfferedByAnotherProgramArrivesAsABitmapWithTheSamePixels) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  test::TempDir dir;
  const QImage pattern = Pattern();
  const QString path = QString::fromStdString(dir.Path() + "shot.png");
  ASSERT_TRUE(pattern.save(path, "PNG"));

  QProcess xclip;
  xclip.start("xclip", {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i", path});
  ASSERT_TRUE(xclip.waitForStarted());
  ASSERT_TRUE(WaitFor([] { return SharedClipboard().Offers(CF_BITMAP); })) << "the clipboard never offered a bitmap";

  EXPECT_EQ(ClipboardDevice().Formats(), (std::vector<uint32_t>{CF_BITMAP}));
  TPicture picture;
  {
    TClipboardHold hold(SharedClipboard());
    picture.CopyFrom(SharedClipboard());
  }
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Width(), pattern.width());
  ASSERT_EQ(bitmap->Height(), pattern.height());
  for (int y = 0; y < pattern.height(); ++y) {
    for (int x = 0; x < pattern.width(); ++x) {
      ASSERT_EQ(bitmap->Pixel(x, y),
                RGB(qRed(pattern.pixel(x, y)), qGreen(pattern.pixel(x, y)), qBlue(pattern.pixel(x, y))))
          << x << "," << y;
    }
  }
  EXPECT_EQ(bitmap->Pixel(0, 0), clRed);
  xclip.kill();
  xclip.waitForFinished();
}

// Another program that offers a file's bytes as a MIME type on the clipboard,
// until it is destroyed; the clipboard is then empty again.
class TOffer {
 public:
  TOffer(const std::string& path, const QString& type) {
    xclip_.start("xclip", {"-quiet", "-selection", "clipboard", "-t", type, "-i", QString::fromStdString(path)});
    started_ = xclip_.waitForStarted() && WaitFor([] { return !ClipboardDevice().Formats().empty(); });
  }
  ~TOffer() {
    xclip_.kill();
    xclip_.waitForFinished();
    WaitFor([] { return ClipboardDevice().Formats().empty(); });
  }
  bool Started() const { return started_; }

 private:
  QProcess xclip_;
  bool started_ = false;
};

// What importing the clipboard into a picture raises; empty when it does not.
std::string ImportFailure(TPicture& picture) {
  try {
    TClipboardHold hold(SharedClipboard());
    picture.CopyFrom(SharedClipboard());
    return {};
  } catch (const Exception& e) {
    return e.Message();
  }
}

TEST(X11Clipboard, APictureOverQtsOwnSizeBoundIsTaken) {
  test::TempDir dir;
  // 9000 x 9000 pixels decode to 324 MB, past the 128 MB Qt allows itself.
  QImage big(9000, 9000, QImage::Format_RGB32);
  big.fill(qRgb(20, 120, 220));
  big.setPixel(8999, 8999, qRgb(255, 0, 0));
  const std::string path = dir.Path() + "big.png";
  // The lightest compression: the colour is flat, and the file stays small.
  ASSERT_TRUE(big.save(QString::fromStdString(path), "PNG", 90));
  big = QImage();
  TOffer offer(path, "image/png");
  ASSERT_TRUE(offer.Started());
  TPicture picture;
  EXPECT_EQ(ImportFailure(picture), "");
  auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Width(), 9000);
  EXPECT_EQ(bitmap->Height(), 9000);
  EXPECT_EQ(bitmap->Pixel(8999, 8999), clRed);
  EXPECT_EQ(bitmap->Pixel(0, 0), RGB(20, 120, 220));
}

// A damaged picture and one over the pixel limit each give their reason, and
// the picture keeps what it held.
TEST(X11Clipboard, APictureThatCannotBeTakenIsToldAndThePictureKept) {
  test::TempDir dir;
  QImage small(40, 30, QImage::Format_RGB32);
  small.fill(qRgb(200, 10, 10));
  const std::string good = dir.Path() + "good.png";
  ASSERT_TRUE(small.save(QString::fromStdString(good), "PNG"));
  std::string damaged = test::ReadWholeFile(good);
  for (size_t i = 45; i + 12 < damaged.size(); ++i) damaged[i] = 'Z';
  ASSERT_TRUE(test::WriteWholeFile(dir.Path() + "damaged.png", damaged));
  ASSERT_TRUE(test::WriteWholeFile(dir.Path() + "huge.png", test::PngHeaderOnly(20000, 20000)));

  TPicture picture;
  {
    TOffer offer(good, "image/png");
    ASSERT_TRUE(offer.Started());
    ASSERT_EQ(ImportFailure(picture), "");
  }
  const struct {
    const char* file;
    std::string message;
  } rows[] = {
      {"damaged.png", std::string(kClipboardPictureUnreadableText) + "image/png."},
      {"huge.png", std::string(kClipboardPictureTooLargeText) +
                       "20000 x 20000 pixels ; au plus 268435456 pixels (16384 x 16384) peuvent l'\xEAtre."},
  };
  for (const auto& row : rows) {
    TOffer offer(dir.Path() + row.file, "image/png");
    ASSERT_TRUE(offer.Started()) << row.file;
    ASSERT_TRUE(SharedClipboard().Offers(CF_BITMAP)) << row.file;
    EXPECT_EQ(ImportFailure(picture), row.message) << row.file;
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    ASSERT_NE(bitmap, nullptr) << row.file;
    EXPECT_EQ(bitmap->Width(), 40) << row.file;
  }
}

TEST(X11Clipboard, AnSvgOnlyOffersAVectorPictureAndNoBitmap) {
  test::TempDir dir;
  const std::string svg = dir.WriteFile(
      "a.svg",
      R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="10"><rect width="20" height="10"/></svg>)");
  TOffer offer(svg, "image/svg+xml");
  ASSERT_TRUE(offer.Started());
  EXPECT_EQ(ClipboardDevice().Formats(), (std::vector<uint32_t>{CF_ENHMETAFILE}));
  EXPECT_FALSE(SharedClipboard().Offers(CF_BITMAP));
}

}  // namespace
}  // namespace vitrix
