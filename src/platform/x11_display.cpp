#include "platform/x11_display.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace vitrix {

std::string XDisplayName() {
  const char* name = std::getenv("DISPLAY");
  return name != nullptr ? name : "";
}

TXDisplayState ProbeXDisplay() {
  if (XDisplayName().empty()) return TXDisplayState::xdUnset;
  // xcb_connect never returns null: a failed connection is an object in an
  // error state, which must be released all the same.
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool failed = xcb_connection_has_error(connection) != 0;
  xcb_disconnect(connection);
  return failed ? TXDisplayState::xdUnreachable : TXDisplayState::xdReachable;
}

}  // namespace vitrix
