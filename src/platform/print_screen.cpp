#include "platform/print_screen.h"

namespace vitrix {

const char* PrintScreenStartMessage(TPrintScreenStart start) {
  switch (start) {
    case TPrintScreenStart::NoKeyboardState:
      return kPrintScreenNoKeyboardState;
    case TPrintScreenStart::NoPrintScreenKey:
      return kPrintScreenNoKey;
    case TPrintScreenStart::Captures:
    case TPrintScreenStart::HeldByOtherProgram:
      break;
  }
  return nullptr;
}

int16_t GetKeyState(int virtual_key) { return virtual_key == VK_SNAPSHOT ? PrintScreen().KeyState() : 0; }

}  // namespace vitrix
