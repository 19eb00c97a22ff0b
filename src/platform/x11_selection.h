#pragma once

// Notice of clipboard owner changes from the X server (the XFixes extension),
// on Qt's own connection: a small window of ours asks for them, and each
// change comes as an event of that window.

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>

#include "platform/x11_keyboard.h"

namespace vitrix {

class TX11ClipboardOwnerNotice {
 public:
  TX11ClipboardOwnerNotice() = default;
  TX11ClipboardOwnerNotice(const TX11ClipboardOwnerNotice&) = delete;
  TX11ClipboardOwnerNotice& operator=(const TX11ClipboardOwnerNotice&) = delete;
  ~TX11ClipboardOwnerNotice() { Stop(); }

  // Asks for a notice of each new owner of CLIPBOARD. False when the server
  // has no XFixes extension or refuses.
  bool Start(const TX11Display& display);
  void Stop();
  bool Started() const { return window_ != 0; }

  // Whether event is the notice of a new owner of CLIPBOARD for our window.
  // The owner may be any client, this one included.
  bool IsOwnerChange(const xcb_generic_event_t* event) const;

 private:
  xcb_connection_t* connection_ = nullptr;
  xcb_window_t window_ = 0;
  xcb_atom_t clipboard_ = 0;
  uint8_t first_event_ = 0;
};

}  // namespace vitrix
