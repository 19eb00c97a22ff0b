#include "platform/print_screen.h"

#include <cstring>

namespace vitrix {

const char* PrintScreenStartMessage(TPrintScreenStart start) {
  switch (start) {
    case TPrintScreenStart::psNoKeyboardState: return kPrintScreenNoKeyboardState;
    case TPrintScreenStart::psNoPrintScreenKey: return kPrintScreenNoKey;
    case TPrintScreenStart::psCaptures:
    case TPrintScreenStart::psHeldByOtherProgram:
    case TPrintScreenStart::psClipboardPictures: break;
  }
  return nullptr;
}

const char* PrintScreenWatchMessage(TPrintScreenStart start) {
  return start == TPrintScreenStart::psClipboardPictures ? kPrintScreenClipboardPictures : nullptr;
}

bool IsWaylandSession(const char* wayland_display, const char* session_type) {
  if (wayland_display != nullptr && *wayland_display != '\0') return true;
  return session_type != nullptr && std::strcmp(session_type, "wayland") == 0;
}

int16_t GetKeyState(int virtual_key) { return virtual_key == VK_SNAPSHOT ? PrintScreen().KeyState() : 0; }

}  // namespace vitrix
