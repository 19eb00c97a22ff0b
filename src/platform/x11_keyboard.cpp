#include "platform/x11_keyboard.h"

#include <xcb/xinput.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>

namespace vitrix {
namespace {

// xcb hands out replies and errors allocated with malloc.
struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using TReply = std::unique_ptr<T, TFree>;

// The screen number of the display Qt connected to (as DISPLAY names it).
int DefaultScreenNumber() {
  char* host = nullptr;
  int display = 0;
  int screen = 0;
  if (xcb_parse_display(nullptr, &host, &display, &screen) == 0) return 0;
  std::free(host);
  return screen;
}

// The XInput events of the master keyboards this client hears on the root
// window; false when the server refuses.
bool SetRawKeyMask(const TX11Display& display, uint32_t bits) {
  struct {
    xcb_input_event_mask_t head;
    uint32_t bits;
  } mask{};
  mask.head.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
  mask.head.mask_len = 1;
  mask.bits = bits;
  TReply<xcb_generic_error_t> error(xcb_request_check(
      display.Connection, xcb_input_xi_select_events_checked(display.Connection, display.Root, 1, &mask.head)));
  return !error;
}

}  // namespace

std::optional<TX11Display> QtX11Display() {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (app == nullptr) return std::nullopt;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  if (connection == nullptr || xcb_connection_has_error(connection) != 0) return std::nullopt;

  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int n = DefaultScreenNumber(); n > 0 && screens.rem > 1; --n) xcb_screen_next(&screens);
  if (screens.rem == 0) return std::nullopt;
  return TX11Display{connection, screens.data->root};
}

std::vector<xcb_keycode_t> KeycodesInMapping(xcb_keycode_t min_keycode, int per_keycode,
                                             std::span<const xcb_keysym_t> keysyms, xcb_keysym_t keysym) {
  std::vector<xcb_keycode_t> keycodes;
  if (per_keycode <= 0) return keycodes;
  const size_t width = static_cast<size_t>(per_keycode);
  for (size_t row = 0; (row + 1) * width <= keysyms.size(); ++row) {
    const auto columns = keysyms.subspan(row * width, width);
    const size_t keycode = min_keycode + row;
    if (keycode > 255) break;
    if (std::find(columns.begin(), columns.end(), keysym) != columns.end()) {
      keycodes.push_back(static_cast<xcb_keycode_t>(keycode));
    }
  }
  return keycodes;
}

std::vector<xcb_keycode_t> KeycodesForKeysym(xcb_connection_t* connection, xcb_keysym_t keysym) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const int count = setup->max_keycode - setup->min_keycode + 1;
  if (count <= 0) return {};
  TReply<xcb_get_keyboard_mapping_reply_t> reply(xcb_get_keyboard_mapping_reply(
      connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<uint8_t>(count)), nullptr));
  if (!reply) return {};
  const std::span<const xcb_keysym_t> keysyms(
      xcb_get_keyboard_mapping_keysyms(reply.get()),
      static_cast<size_t>(xcb_get_keyboard_mapping_keysyms_length(reply.get())));
  return KeycodesInMapping(setup->min_keycode, reply->keysyms_per_keycode, keysyms, keysym);
}

bool AnyKeyDownIn(std::span<const uint8_t, 32> keymap, std::span<const xcb_keycode_t> keycodes) {
  return std::any_of(keycodes.begin(), keycodes.end(),
                     [&](xcb_keycode_t k) { return (keymap[k >> 3] & (1u << (k & 7))) != 0; });
}

std::optional<bool> AnyKeyDown(xcb_connection_t* connection, std::span<const xcb_keycode_t> keycodes) {
  TReply<xcb_query_keymap_reply_t> reply(xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr));
  if (!reply) return std::nullopt;
  return AnyKeyDownIn(std::span<const uint8_t, 32>(reply->keys), keycodes);
}

TKeyGrab GrabKeys(const TX11Display& display, std::span<const xcb_keycode_t> keycodes) {
  std::vector<xcb_void_cookie_t> cookies;
  for (xcb_keycode_t keycode : keycodes) {
    // Events are reported on the root window even when one of our own windows
    // has the focus, and neither device is frozen by the grab.
    cookies.push_back(xcb_grab_key_checked(display.Connection, 0, display.Root, XCB_MOD_MASK_ANY, keycode,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  }
  std::vector<xcb_keycode_t> obtained;
  bool refused = false;
  for (size_t i = 0; i < cookies.size(); ++i) {
    TReply<xcb_generic_error_t> error(xcb_request_check(display.Connection, cookies[i]));
    if (error) {
      // BadAccess (error code 10) means another client holds the key; any
      // other error leaves the key as unusable to us as a refusal does.
      refused = true;
    } else {
      obtained.push_back(keycodes[i]);
    }
  }
  if (!refused) return TKeyGrab::kgObtained;
  UngrabKeys(display, obtained);
  return TKeyGrab::kgRefused;
}

void UngrabKeys(const TX11Display& display, std::span<const xcb_keycode_t> keycodes) {
  if (keycodes.empty()) return;
  std::vector<xcb_void_cookie_t> cookies;
  for (xcb_keycode_t keycode : keycodes) {
    cookies.push_back(xcb_ungrab_key_checked(display.Connection, keycode, display.Root, XCB_MOD_MASK_ANY));
  }
  for (const auto& cookie : cookies) TReply<xcb_generic_error_t> ignored(xcb_request_check(display.Connection, cookie));
}

uint8_t SelectRawKeyEvents(const TX11Display& display) {
  xcb_connection_t* connection = display.Connection;
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_input_id);
  if (extension == nullptr || extension->present == 0) return 0;
  // Raw events reach clients other than the grabbing one from 2.1 on. Qt has
  // announced 2.2 or later on this connection already; asking 2.2 again is
  // allowed and tells us what the server has.
  TReply<xcb_input_xi_query_version_reply_t> version(
      xcb_input_xi_query_version_reply(connection, xcb_input_xi_query_version(connection, 2, 2), nullptr));
  if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 1)) {
    return 0;
  }
  if (!SetRawKeyMask(display, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE)) {
    return 0;
  }
  return extension->major_opcode;
}

void DeselectRawKeyEvents(const TX11Display& display) { SetRawKeyMask(display, 0); }

std::optional<TKeyEvent> DecodeKeyEvent(const xcb_generic_event_t* event, xcb_window_t root, uint8_t xinput_opcode) {
  const uint8_t type = event->response_type & 0x7F;
  if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != root) return std::nullopt;
    return TKeyEvent{key->detail, type == XCB_KEY_PRESS, key->time, false};
  }
  if (type != XCB_GE_GENERIC || xinput_opcode == 0) return std::nullopt;
  const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
  if (generic->extension != xinput_opcode) return std::nullopt;
  if (generic->event_type != XCB_INPUT_RAW_KEY_PRESS && generic->event_type != XCB_INPUT_RAW_KEY_RELEASE) {
    return std::nullopt;
  }
  const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
  if (raw->detail > 255) return std::nullopt;
  return TKeyEvent{static_cast<xcb_keycode_t>(raw->detail), generic->event_type == XCB_INPUT_RAW_KEY_PRESS, raw->time,
                   true};
}

}  // namespace vitrix
