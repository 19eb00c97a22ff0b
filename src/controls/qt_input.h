#pragma once

// Pointer and keyboard input from the toolkit in the controls' own terms:
// the shift state, the pointer button and the key's virtual code.

#include <Qt>
#include <cstdint>

#include "controls/events.h"

namespace vitrix {

inline constexpr uint16_t VK_SHIFT = 16;
inline constexpr uint16_t VK_CONTROL = 17;
inline constexpr uint16_t VK_MENU = 18;
inline constexpr uint16_t VK_ESCAPE = 27;
inline constexpr uint16_t VK_RETURN = 13;
inline constexpr uint16_t VK_SPACE = 32;

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);
// Left for Qt's left button, Right and Middle likewise; other buttons count
// as the middle one.
TMouseButton MouseButtonOf(Qt::MouseButton button);
// The virtual code of a key: letters and digits are their upper-case
// character; keys without a code give 0.
uint16_t VirtualKeyOf(int qt_key);

}  // namespace vitrix
