#pragma once

// Whether the X server that DISPLAY names can be reached, asked before the
// toolkit starts: Qt ends the process with an abort when its X connection
// fails, so the program checks first and says what it needs.

#include <string>

namespace vitrix {

enum class TXDisplayState {
  xdReachable,    // an X server accepted a connection
  xdUnset,        // DISPLAY is not set (or empty)
  xdUnreachable,  // DISPLAY is set, but no X server accepts a connection there
};

// Opens one connection to the display DISPLAY names and closes it again.
TXDisplayState ProbeXDisplay();

// The value of DISPLAY, or an empty string.
std::string XDisplayName();

}  // namespace vitrix
