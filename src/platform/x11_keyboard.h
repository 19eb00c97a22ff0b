#pragma once

// The X keyboard on Qt's own connection: the keycodes that give a keysym, the
// server's keyboard state, passive key grabs on the root window, and XInput 2
// raw key events. Everything here is plain X protocol; what a press means is
// decided by the Print Screen watch.

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vitrix {

// The keysym of the Print Screen key.
inline constexpr xcb_keysym_t kPrintKeysym = 0xFF61;

struct TX11Display {
  xcb_connection_t* Connection = nullptr;
  xcb_window_t Root = 0;
};

// Qt's X connection and the root window of its screen; nothing when Qt does
// not run on X or the connection is broken.
std::optional<TX11Display> QtX11Display();

// Every keycode whose core mapping gives keysym in one of its columns, in
// keycode order. The mapping holds per_keycode keysyms for each keycode from
// min_keycode on.
std::vector<xcb_keycode_t> KeycodesInMapping(xcb_keycode_t min_keycode, int per_keycode,
                                             std::span<const xcb_keysym_t> keysyms, xcb_keysym_t keysym);
// The same, asked of the server; empty when the mapping cannot be read.
std::vector<xcb_keycode_t> KeycodesForKeysym(xcb_connection_t* connection, xcb_keysym_t keysym);

// Whether one of keycodes is down in a keymap of 32 bytes (one bit a keycode).
bool AnyKeyDownIn(std::span<const uint8_t, 32> keymap, std::span<const xcb_keycode_t> keycodes);
// The same, from the server's keymap (one round trip); nothing when the query
// fails.
std::optional<bool> AnyKeyDown(xcb_connection_t* connection, std::span<const xcb_keycode_t> keycodes);

enum class TKeyGrab { kgObtained, kgRefused };

// Grabs each keycode on the root window with any modifiers; its events then
// come to this client, reported on the root window. All or nothing: when one
// grab is refused (another client holds the key), the others are given back.
TKeyGrab GrabKeys(const TX11Display& display, std::span<const xcb_keycode_t> keycodes);
// Gives the grabs back and waits until the server has done so.
void UngrabKeys(const TX11Display& display, std::span<const xcb_keycode_t> keycodes);

// Asks for raw key events of the master keyboards on the root window. From
// XInput 2.1 on they reach this client whatever grab another client holds.
// Returns the extension's major opcode once selected, 0 when the server has no
// XInput 2.1.
uint8_t SelectRawKeyEvents(const TX11Display& display);
void DeselectRawKeyEvents(const TX11Display& display);

// One key event out of the X event stream.
struct TKeyEvent {
  xcb_keycode_t Keycode = 0;
  bool Pressed = false;
  xcb_timestamp_t Time = 0;
  bool Raw = false;  // an XInput raw event (otherwise a core event on the root)
};

// A key event reported on the root window (core events of a grab) or a raw key
// event of the extension with major opcode xinput_opcode (0: none looked for);
// nothing for any other event.
std::optional<TKeyEvent> DecodeKeyEvent(const xcb_generic_event_t* event, xcb_window_t root, uint8_t xinput_opcode);

}  // namespace vitrix
