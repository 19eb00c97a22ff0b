#include "platform/x11_selection.h"

#include <xcb/xfixes.h>

#include <cstdlib>
#include <memory>

namespace vitrix {
namespace {

struct TFree {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using TReply = std::unique_ptr<T, TFree>;

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name, uint16_t length) {
  TReply<xcb_intern_atom_reply_t> reply(
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, length, name), nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

}  // namespace

bool TX11ClipboardOwnerNotice::Start(const TX11Display& display) {
  if (Started()) return true;
  xcb_connection_t* connection = display.Connection;
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_xfixes_id);
  if (extension == nullptr || extension->present == 0) return false;
  // A client states the version it speaks before its first XFixes request
  // (Qt has done so on this connection already; once more does no harm).
  TReply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
      connection, xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
  if (!version || version->major_version < 1) return false;
  const xcb_atom_t clipboard = InternAtom(connection, "CLIPBOARD", 9);
  if (clipboard == XCB_ATOM_NONE) return false;

  // A window of our own, never shown: the notices Qt asks for on its own
  // windows stay Qt's, and ours are told apart by their window.
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, display.Root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  TReply<xcb_generic_error_t> error(xcb_request_check(
      connection, xcb_xfixes_select_selection_input_checked(connection, window, clipboard,
                                                            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER)));
  if (error) {
    xcb_destroy_window(connection, window);
    xcb_flush(connection);
    return false;
  }
  connection_ = connection;
  window_ = window;
  clipboard_ = clipboard;
  first_event_ = extension->first_event;
  return true;
}

void TX11ClipboardOwnerNotice::Stop() {
  if (!Started()) return;
  if (xcb_connection_has_error(connection_) == 0) {
    xcb_destroy_window(connection_, window_);
    xcb_flush(connection_);
  }
  window_ = 0;
  connection_ = nullptr;
}

bool TX11ClipboardOwnerNotice::IsOwnerChange(const xcb_generic_event_t* event) const {
  if (!Started() || (event->response_type & 0x7F) != first_event_ + XCB_XFIXES_SELECTION_NOTIFY) return false;
  const auto* notice = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
  return notice->window == window_ && notice->selection == clipboard_ &&
         notice->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notice->owner != XCB_NONE;
}

}  // namespace vitrix
