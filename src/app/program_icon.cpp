#include "app/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace vitrix {

QIcon ProgramIcon() {
  // Drawn here rather than handed to QIcon as an SVG file, which would need
  // Qt's SVG icon plugin at run time.
  QSvgRenderer renderer(QStringLiteral(":/vitrix/vitrix.svg"));
  QIcon icon;
  if (!renderer.isValid()) return icon;
  for (const int size : {16, 24, 32, 48, 64, 128}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace vitrix
