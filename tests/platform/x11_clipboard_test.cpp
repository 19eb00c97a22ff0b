// Runs under a private X server (tests/support/with_xvfb.sh): a PNG offered
// on the X clipboard by xclip is imported as a bitmap with the same pixels.

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
      ASSERT_EQ(bitmap->Pixel(x, y), RGB(qRed(pattern.pixel(x, y)), qGreen(pattern.pixel(x, y)),
                                         qBlue(pattern.pixel(x, y))))
          << x << "," << y;
    }
  }
  EXPECT_EQ(bitmap->Pixel(0, 0), clRed);
  xclip.kill();
  xclip.waitForFinished();
}

}  // namespace
}  // namespace vitrix
