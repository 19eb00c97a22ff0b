#include "platform/screen_capture_qt.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPixmap>
#include <QScreen>
#include <QStringList>

namespace vitrix {
namespace {

const QString kPngType = QStringLiteral("image/png");
const QString kQtImageType = QStringLiteral("application/x-qt-image");

// A picture on the clipboard. Qt would list a plain image only under its own
// application/x-qt-image name, which other programs never ask for and which
// is no picture type to our own clipboard reader; this lists image/png first.
class TPictureMimeData final : public QMimeData {
 public:
  explicit TPictureMimeData(QImage picture) : picture_(std::move(picture)) {}

  QStringList formats() const override { return {kPngType, kQtImageType}; }
  bool hasFormat(const QString& type) const override { return type == kPngType || type == kQtImageType; }

 protected:
  QVariant retrieveData(const QString& type, QMetaType) const override {
    if (type == kQtImageType) return picture_;
    if (type != kPngType) return {};
    if (png_.isEmpty()) {
      QBuffer buffer(&png_);
      buffer.open(QIODevice::WriteOnly);
      picture_.save(&buffer, "PNG");
    }
    return png_;
  }

 private:
  QImage picture_;
  mutable QByteArray png_;
};

}  // namespace

QImage CaptureRootWindow(xcb_window_t root) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {};
  // Grabbing the root window itself (rather than "the screen") takes its full
  // size, that is every monitor, whatever part of it Qt's screen covers.
  // On a scaled desktop the grab has every device pixel of the screen but
  // says it is to be shown at the scale; the capture is the pixels alone.
  const QPixmap pixmap = screen->grabWindow(root);
  if (pixmap.isNull()) return {};
  QImage picture = pixmap.toImage().convertToFormat(QImage::Format_RGB32);
  picture.setDevicePixelRatio(1.0);
  return picture;
}

void PutPictureOnClipboard(const QImage& picture) {
  QGuiApplication::clipboard()->setMimeData(new TPictureMimeData(picture), QClipboard::Clipboard);
}

}  // namespace vitrix
