#pragma once

// The Print Screen watch of a Wayland session, where the program is an X
// client of XWayland: no key that goes to the desktop can be seen, so a new
// picture on the clipboard stands for the press. XWayland hands the desktop's
// clipboard over to X clients and makes each new Wayland selection a new
// owner of CLIPBOARD; the XFixes notice of that owner makes the next key check
// look at what the clipboard holds. Nothing is asked of the X server while
// the clipboard stays as it is.

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <cstdint>
#include <optional>

#include "platform/clipboard_picture_latch.h"
#include "platform/print_screen.h"
#include "platform/x11_selection.h"

namespace vitrix {

class TXWaylandPrintScreen final : public IPrintScreen, public QAbstractNativeEventFilter {
 public:
  TXWaylandPrintScreen() = default;
  ~TXWaylandPrintScreen() override;

  // psClipboardPictures, or psNoKeyboardState when the X server gives no
  // notice of clipboard owners.
  TPrintScreenStart Start() override;
  void Stop() override;
  bool Started() const override { return started_.has_value(); }
  int16_t KeyState() override;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  std::optional<TPrintScreenStart> started_;
  TX11ClipboardOwnerNotice owners_;
  TClipboardPictureLatch latch_;
};

// A fingerprint of a picture's size and pixels, the same for the same
// picture whatever its pixel format.
uint64_t PictureFingerprint(const QImage& picture);

// The fingerprint of the picture on the clipboard; nothing when it holds none.
std::optional<uint64_t> ClipboardPictureFingerprint();

}  // namespace vitrix
