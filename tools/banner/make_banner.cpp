// Draws the capture editor's initial banner (468x60: the program's name on
// a gradient) and encodes it as the JPEG file that the build compiles into
// the program (src/picture/CMakeLists.txt):
//
//   vitrix_make_banner src/picture/assets/banner.jpg
//
// The JPEG file is committed; run this again only to change the banner (the
// drawing depends on the fonts installed, so the bytes may differ from one
// machine to another).

#include <QFont>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "picture/bitmap.h"
#include "picture/jpeg_image.h"
#include "rtl/streams.h"

namespace {

QImage DrawBanner() {
  QImage image(468, 60, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QLinearGradient background(0, 0, 468, 60);
  background.setColorAt(0.0, QColor(16, 38, 92));
  background.setColorAt(0.55, QColor(36, 110, 180));
  background.setColorAt(1.0, QColor(120, 200, 230));
  painter.fillRect(image.rect(), background);
  QFont title(QStringLiteral("Liberation Sans"));
  title.setPixelSize(40);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(QColor(0, 0, 0, 90));
  painter.drawText(QRect(22, 4, 240, 56), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("vitrix"));
  painter.setPen(Qt::white);
  painter.drawText(QRect(20, 2, 240, 56), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("vitrix"));
  QFont tagline(QStringLiteral("Liberation Sans"));
  tagline.setPixelSize(13);
  painter.setFont(tagline);
  painter.setPen(QColor(235, 245, 255));
  painter.drawText(QRect(170, 0, 290, 60), Qt::AlignVCenter | Qt::AlignRight,
                   QStringLiteral("Impr \u00e9cran, masquer, envoyer"));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
    return 2;
  }
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  vitrix::TBitmap bitmap;
  bitmap.SetImage(DrawBanner());
  vitrix::TJPEGImage jpeg;
  jpeg.SetSaveQuality(90);
  jpeg.CopyFrom(bitmap);
  vitrix::TMemoryStream bytes;
  jpeg.WriteToStream(bytes);

  std::ofstream out(argv[1], std::ios::binary);
  out.write(bytes.Memory(), static_cast<std::streamsize>(bytes.Size()));
  return out ? 0 : 1;
}
