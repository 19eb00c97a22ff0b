#include "platform/print_screen.h"

namespace vitrix {

const char* PrintScreenStartMessage(TPrintScreenStart start) {
  switch (start) {
    case TPrintScreenStart::psNoKeyboardState:
      return kPrintScreenNoKeyboardState;
    case TPrintScreenStart::psNoPrintScreenKey:
      return kPrintScreenNoKey;
    case TPrintScreenStart::psCaptures:
    case TPrintScreenStart::psHeldByOtherProgram:
      break;
  }
  return nullptr;
}

int16_t GetKeyState(int virtual_key) { return virtual_key == VK_SNAPSHOT ? PrintScreen().KeyState() : 0; }

}  // namespace vitrix
