#include "platform/print_screen_xwayland.h"

#include <QCoreApplication>
#include <limits>
#include <variant>

#include "platform/clipboard_device.h"

namespace vitrix {
namespace {

constexpr int16_t kKeyDown = std::numeric_limits<int16_t>::min();  // only the high-order bit

// FNV-1a, 64 bits: quick, and ample for telling two screenshots apart.
class TFnv1a {
 public:
  void Add(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 0x100000001B3ULL;
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 0xCBF29CE484222325ULL;
};

}  // namespace

uint64_t PictureFingerprint(const QImage& picture) {
  const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
  TFnv1a hash;
  const int32_t size[2] = {pixels.width(), pixels.height()};
  hash.Add(size, sizeof size);
  const auto row_bytes = static_cast<size_t>(pixels.width()) * 4;
  for (int y = 0; y < pixels.height(); ++y) hash.Add(pixels.constScanLine(y), row_bytes);
  return hash.Value();
}

std::optional<uint64_t> ClipboardPictureFingerprint() {
  IClipboardDevice& clipboard = ClipboardDevice();
  if (!clipboard.HasFormat(CF_BITMAP)) return std::nullopt;
  const TClipboardData data = clipboard.Data(CF_BITMAP);
  const QImage* picture = std::get_if<QImage>(&data);
  if (picture == nullptr || picture->isNull()) return std::nullopt;
  return PictureFingerprint(*picture);
}

TXWaylandPrintScreen::~TXWaylandPrintScreen() {
  // Once the application is gone so is its X connection, and our window with
  // it.
  if (QCoreApplication::instance() != nullptr) Stop();
}

TPrintScreenStart TXWaylandPrintScreen::Start() {
  if (started_) return *started_;
  const std::optional<TX11Display> display = QtX11Display();
  if (!display || !owners_.Start(*display)) return TPrintScreenStart::psNoKeyboardState;
  // The picture there now was not taken for this watch.
  latch_.Start(ClipboardPictureFingerprint());
  QCoreApplication::instance()->installNativeEventFilter(this);
  started_ = TPrintScreenStart::psClipboardPictures;
  return *started_;
}

void TXWaylandPrintScreen::Stop() {
  if (!started_) return;
  QCoreApplication::instance()->removeNativeEventFilter(this);
  owners_.Stop();
  started_.reset();
}

int16_t TXWaylandPrintScreen::KeyState() {
  if (!started_) return 0;
  if (latch_.NeedsPictureCheck()) latch_.PictureChecked(ClipboardPictureFingerprint());
  return latch_.Report() ? kKeyDown : 0;
}

// The notices are asked for by us alone, on a window Qt does not know: they
// end here.
bool TXWaylandPrintScreen::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (!started_ || type != "xcb_generic_event_t") return false;
  if (!owners_.IsOwnerChange(static_cast<const xcb_generic_event_t*>(message))) return false;
  latch_.OwnerChanged();
  return true;
}

}  // namespace vitrix
