#include "platform/window_forward.h"

#include <xcb/xcb.h>

#include <QWidget>
#include <cstdlib>
#include <cstring>

#include "platform/x11_keyboard.h"

namespace vitrix {
namespace {

constexpr uint32_t kSourcePager = 2;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const xcb_intern_atom_cookie_t cookie =
      xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
  if (reply == nullptr) return XCB_ATOM_NONE;
  const xcb_atom_t atom = reply->atom;
  std::free(reply);
  return atom;
}

void AskWindowManagerToActivate(const TX11Display& display, xcb_window_t window) {
  const xcb_atom_t active = Atom(display.Connection, "_NET_ACTIVE_WINDOW");
  if (active == XCB_ATOM_NONE) return;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = active;
  event.data.data32[0] = kSourcePager;
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(display.Connection, 0, display.Root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                 reinterpret_cast<const char*>(&event));
  xcb_flush(display.Connection);
}

}  // namespace

void BringWindowForward(QWidget& window) {
  if (window.isMinimized()) window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
  window.activateWindow();
  if (const std::optional<TX11Display> display = QtX11Display()) {
    AskWindowManagerToActivate(*display, static_cast<xcb_window_t>(window.winId()));
  }
}

}  // namespace vitrix
