// Renders the program's icon (an SVG file) as a square PNG of each size asked
// for, the pictures installed in the icon theme's fixed-size folders:
//
//   vitrix_render_icon ICON.svg OUTPUT_FOLDER SIZE...
//
// writes OUTPUT_FOLDER/SIZExSIZE/apps/vitrix.png for each SIZE.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: vitrix_render_icon ICON.svg OUTPUT_FOLDER SIZE...\n");
    return 2;
  }
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "vitrix_render_icon: %s is not an SVG picture\n", argv[1]);
    return 1;
  }
  for (int i = 3; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || size > 1024) {
      std::fprintf(stderr, "vitrix_render_icon: bad size %s\n", argv[i]);
      return 2;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[2])).arg(size);
    const QString path = folder + QStringLiteral("/vitrix.png");
    if (!QDir().mkpath(folder) || !image.save(path, "PNG")) {
      std::fprintf(stderr, "vitrix_render_icon: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
