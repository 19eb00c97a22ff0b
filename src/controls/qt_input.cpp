#include "controls/qt_input.h"

namespace vitrix {

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState state;
  state.Shift = modifiers.testFlag(Qt::ShiftModifier);
  state.Alt = modifiers.testFlag(Qt::AltModifier);
  state.Ctrl = modifiers.testFlag(Qt::ControlModifier);
  state.Left = buttons.testFlag(Qt::LeftButton);
  state.Right = buttons.testFlag(Qt::RightButton);
  state.Middle = buttons.testFlag(Qt::MiddleButton);
  return state;
}

TMouseButton MouseButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return TMouseButton::mbLeft;
    case Qt::RightButton: return TMouseButton::mbRight;
    default: return TMouseButton::mbMiddle;
  }
}

uint16_t VirtualKeyOf(int qt_key) {
  if ((qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) || (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)) {
    return static_cast<uint16_t>(qt_key);
  }
  switch (qt_key) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    default: return 0;
  }
}

}  // namespace vitrix
