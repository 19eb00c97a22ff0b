#pragma once

// The Print Screen key on X, on Qt's own connection.
//
// Start() grabs the key on the root window with any modifiers. When the grab
// is ours, a press (seen as the grab's key event, as a raw XInput event or in
// the keymap) captures the root window, and the next key check puts the
// capture on the clipboard and reports the press. When another client holds the
// key, its press is seen through raw XInput events, which reach us whatever
// grab it holds, and through the keymap; the key check then waits for the
// clipboard to change to a picture after the press.

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/print_screen.h"
#include "platform/print_screen_latch.h"
#include "platform/x11_keyboard.h"

namespace vitrix {

struct TPrintScreenSettings {
  // How long a press waits for another program's picture.
  int64_t ExpiryMs = TPrintScreenLatch::kDefaultExpiryMs;
  // Milliseconds of a steady clock; the system's when empty.
  std::function<int64_t()> NowMs{};
};

class TX11PrintScreen final : public QObject, public IPrintScreen, public QAbstractNativeEventFilter {
 public:
  explicit TX11PrintScreen(TPrintScreenSettings settings = {});
  ~TX11PrintScreen() override;

  TPrintScreenStart Start() override;
  void Stop() override;
  bool Started() const override { return started_.has_value(); }
  int16_t KeyState() override;
  bool PressWithoutPicture() override { return latch_.TakeMissedPicture(); }

  // Whether raw XInput key events arrive (they make short presses visible
  // when another client holds the key).
  bool RawKeyEvents() const { return xinput_opcode_ != 0; }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  int64_t Now() const;
  void OnKeyEvent(const TKeyEvent& event);
  void OnKeymap(bool down);
  void OnPress();
  void Capture();
  void StorePendingCapture();

  TPrintScreenSettings settings_;
  std::optional<TPrintScreenStart> started_;
  TX11Display display_;
  std::vector<xcb_keycode_t> keycodes_;
  uint8_t xinput_opcode_ = 0;
  TPrintScreenLatch latch_{TPressPicture::ppOwn};
  // The time of the last release: a press at the very same time is the
  // server's key repeat, not a new press.
  std::optional<xcb_timestamp_t> released_at_;
  // The keymap showed the key down before any event did.
  bool down_without_event_ = false;
  bool capture_queued_ = false;
  // The screen grabbed for the latest press, until a key check stores it.
  QImage pending_capture_;
  // Key checks since the keymap was last read, while raw events come.
  static constexpr int kKeymapEveryChecksWithRawEvents = 4;
  int checks_since_keymap_ = 0;
  QMetaObject::Connection clipboard_changed_;
  QMetaObject::Connection about_to_quit_;
};

}  // namespace vitrix
