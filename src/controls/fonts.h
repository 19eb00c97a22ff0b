#pragma once

// The fonts of the program's windows and gradient buttons, all made here so
// that every window and button says the same thing the same way.

#include "picture/surface.h"

class QWidget;

namespace vitrix {

// The windows' font: "MS Sans Serif" 8 points, 11 pixels high (drawn with the
// narrow substitute that ToQFont picks).
TFont WindowFont();

// Gives a window the windows' font; its controls take it from the window.
void SetWindowFont(QWidget& window);

// A gradient button's font when it is made: the default font at 10 points,
// bold, in white.
TFont GradientButtonFont();

// The main window's command buttons: the windows' font at the given height
// (negative: in pixels), bold, in white.
TFont CommandButtonFont(int height);

}  // namespace vitrix
