// A stand-in for a desktop screenshot tool: it holds the Print Screen key with
// a passive grab on the root window, any modifiers, as such tools do.
//
//   print_key_holder          grabs, prints "held" (or "refused" and exits 3),
//                             then prints "press" for each press it receives,
//                             until its standard input closes
//   print_key_holder --check  grabs, prints "held" or "refused", gives the key
//                             back and exits (0 or 3)
#include <poll.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr xcb_keysym_t kPrint = 0xFF61;

std::vector<xcb_keycode_t> PrintKeycodes(xcb_connection_t* c) {
  const xcb_setup_t* setup = xcb_get_setup(c);
  // At most 248 keycodes (8 to 255): the count fits the request's byte.
  const auto count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  xcb_get_keyboard_mapping_reply_t* reply =
      xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr);
  std::vector<xcb_keycode_t> keycodes;
  if (reply == nullptr) return keycodes;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  for (int k = 0; k < count; ++k) {
    for (int col = 0; col < reply->keysyms_per_keycode; ++col) {
      if (syms[k * reply->keysyms_per_keycode + col] == kPrint) {
        keycodes.push_back(static_cast<xcb_keycode_t>(setup->min_keycode + k));
        break;
      }
    }
  }
  std::free(reply);
  return keycodes;
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc > 1 && std::strcmp(argv[1], "--check") == 0;
  int screen_number = 0;
  xcb_connection_t* c = xcb_connect(nullptr, &screen_number);
  if (xcb_connection_has_error(c) != 0) {
    std::puts("no display");
    return 2;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
  for (int n = 0; n < screen_number; ++n) xcb_screen_next(&screens);
  const xcb_window_t root = screens.data->root;

  const std::vector<xcb_keycode_t> keycodes = PrintKeycodes(c);
  bool refused = keycodes.empty();
  for (xcb_keycode_t k : keycodes) {
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 1, root, XCB_MOD_MASK_ANY, k, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    if (error != nullptr) refused = true;
    std::free(error);
  }
  std::puts(refused ? "refused" : "held");
  std::fflush(stdout);
  if (refused || check) {
    xcb_disconnect(c);
    return refused ? 3 : 0;
  }

  pollfd fds[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
  for (;;) {
    while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
      if ((event->response_type & 0x7F) == XCB_KEY_PRESS) {
        std::puts("press");
        std::fflush(stdout);
      }
      std::free(event);
    }
    if (xcb_connection_has_error(c) != 0) break;
    if (::poll(fds, 2, -1) < 0) break;
    if ((fds[1].revents & (POLLIN | POLLHUP)) != 0) {
      char buffer[64];
      if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;
    }
  }
  xcb_disconnect(c);
  return 0;
}
