#include "platform/print_screen_x11.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>

#include "platform/clipboard_device.h"
#include "platform/print_screen_xwayland.h"
#include "platform/screen_capture_qt.h"

namespace vitrix {
namespace {

constexpr int16_t kKeyDown = std::numeric_limits<int16_t>::min();  // only the high-order bit

}  // namespace

// The session decides once, at the first use: the program's windows and
// clipboard are X ones either way, but only on X itself is the key visible.
std::unique_ptr<IPrintScreen> IPrintScreen::CreateSystem() {
  if (IsWaylandSession(std::getenv("WAYLAND_DISPLAY"), std::getenv("XDG_SESSION_TYPE"))) {
    return std::make_unique<TXWaylandPrintScreen>();
  }
  return std::make_unique<TX11PrintScreen>();
}

TX11PrintScreen::TX11PrintScreen(TPrintScreenSettings settings) : settings_(std::move(settings)) {}

TX11PrintScreen::~TX11PrintScreen() {
  // Once the application is gone so is its X connection, and the server has
  // dropped the grab with it.
  if (QCoreApplication::instance() != nullptr) Stop();
}

int64_t TX11PrintScreen::Now() const {
  if (settings_.NowMs) return settings_.NowMs();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

TPrintScreenStart TX11PrintScreen::Start() {
  if (started_) return *started_;
  const std::optional<TX11Display> display = QtX11Display();
  if (!display) return TPrintScreenStart::psNoKeyboardState;
  std::vector<xcb_keycode_t> keycodes = KeycodesForKeysym(display->Connection, kPrintKeysym);
  const std::optional<bool> down = AnyKeyDown(display->Connection, keycodes);
  if (!down) return TPrintScreenStart::psNoKeyboardState;
  if (keycodes.empty()) return TPrintScreenStart::psNoPrintScreenKey;

  display_ = *display;
  keycodes_ = std::move(keycodes);
  const bool ours = GrabKeys(display_, keycodes_) == TKeyGrab::kgObtained;
  latch_ = TPrintScreenLatch(ours ? TPressPicture::ppOwn : TPressPicture::ppOtherProgram, settings_.ExpiryMs);
  // A key already down when the watch starts was pressed for something else.
  if (*down) latch_.Repeat();
  released_at_.reset();
  down_without_event_ = false;
  checks_since_keymap_ = 0;
  xinput_opcode_ = SelectRawKeyEvents(display_);
  QCoreApplication::instance()->installNativeEventFilter(this);
  clipboard_changed_ = connect(QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
    if (mode == QClipboard::Clipboard) latch_.ClipboardChanged(Now());
  });
  about_to_quit_ = connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { Stop(); });
  started_ = ours ? TPrintScreenStart::psCaptures : TPrintScreenStart::psHeldByOtherProgram;
  return *started_;
}

void TX11PrintScreen::Stop() {
  if (!started_) return;
  disconnect(clipboard_changed_);
  disconnect(about_to_quit_);
  QCoreApplication::instance()->removeNativeEventFilter(this);
  if (xcb_connection_has_error(display_.Connection) == 0) {
    if (*started_ == TPrintScreenStart::psCaptures) UngrabKeys(display_, keycodes_);
    if (xinput_opcode_ != 0) DeselectRawKeyEvents(display_);
  }
  started_.reset();
  pending_capture_ = QImage();
  xinput_opcode_ = 0;
  latch_.Forget();
  latch_.Release();
}

int16_t TX11PrintScreen::KeyState() {
  if (!started_) return 0;
  // Raw key events tell of every press and release, whoever holds the key;
  // while they come, the keymap (an X round trip, most of an idle check's
  // cost) is only a net for a press that no event told of, read every few
  // checks. Without them it is read at every check.
  if (xinput_opcode_ == 0 || ++checks_since_keymap_ >= kKeymapEveryChecksWithRawEvents) {
    checks_since_keymap_ = 0;
    if (const std::optional<bool> down = AnyKeyDown(display_.Connection, keycodes_)) OnKeymap(*down);
  }
  StorePendingCapture();
  // Any picture counts, a vector one too: the capture then says why it
  // cannot take it rather than waiting in silence.
  if (latch_.NeedsPictureCheck()) {
    IClipboardDevice& device = ClipboardDevice();
    latch_.PictureChecked(device.HasFormat(CF_BITMAP) || device.HasFormat(CF_ENHMETAFILE) ||
                          device.HasFormat(CF_METAFILEPICT));
  }
  return latch_.Report(Now()) ? kKeyDown : 0;
}

bool TX11PrintScreen::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (!started_ || type != "xcb_generic_event_t") return false;
  const std::optional<TKeyEvent> event =
      DecodeKeyEvent(static_cast<const xcb_generic_event_t*>(message), display_.Root, xinput_opcode_);
  if (!event || std::find(keycodes_.begin(), keycodes_.end(), event->Keycode) == keycodes_.end()) return false;
  OnKeyEvent(*event);
  // Raw events were asked for by us alone and end here; the grab's core
  // events go on to Qt like any other event.
  return event->Raw;
}

void TX11PrintScreen::OnKeyEvent(const TKeyEvent& event) {
  if (!event.Pressed) {
    latch_.Release();
    released_at_ = event.Time;
    return;
  }
  if (released_at_ == event.Time) {
    latch_.Repeat();
    return;
  }
  OnPress();
}

void TX11PrintScreen::OnKeymap(bool down) {
  if (!down) {
    latch_.Release();
    down_without_event_ = false;
    return;
  }
  if (latch_.KeyDown()) {
    down_without_event_ = false;
    return;
  }
  // Events and replies come in the order the server sent them: when an event
  // can tell of this press it is already queued and will be handled before
  // the next check. Only a press no event told of by then is taken from the
  // keymap.
  const bool events_tell = xinput_opcode_ != 0 || *started_ == TPrintScreenStart::psCaptures;
  if (events_tell && !down_without_event_) {
    down_without_event_ = true;
    return;
  }
  down_without_event_ = false;
  OnPress();
}

void TX11PrintScreen::OnPress() {
  if (!latch_.Press(Now())) return;
  if (latch_.Picture() != TPressPicture::ppOwn || capture_queued_) return;
  // The capture (X round trips, a new clipboard owner, Qt's signals) runs
  // once the X event at hand has been dealt with, not inside its filter.
  capture_queued_ = true;
  QMetaObject::invokeMethod(
      this, [this] { Capture(); }, Qt::QueuedConnection);
}

// The screen is grabbed as the press finds it, but goes on the clipboard at
// the next key check only: a press made while an upload keeps the window
// painting is grabbed at once, and the forum tag that the upload then puts on
// the clipboard must not replace it.
void TX11PrintScreen::Capture() {
  capture_queued_ = false;
  if (!started_ || !latch_.Waiting()) return;
  pending_capture_ = CaptureRootWindow(display_.Root);
  if (pending_capture_.isNull()) latch_.Forget();
}

void TX11PrintScreen::StorePendingCapture() {
  if (pending_capture_.isNull()) return;
  PutPictureOnClipboard(pending_capture_);
  pending_capture_ = QImage();
  latch_.CaptureStored();
}

}  // namespace vitrix
