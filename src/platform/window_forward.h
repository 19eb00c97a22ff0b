#pragma once

// Bringing a top-level window to the user's attention from outside any user
// action (another start of the program asked for it).

class QWidget;

namespace vitrix {

// Restores the window when it is minimised, shows and raises it and gives it
// the focus. On X the activation goes to the window manager as a pager's
// request: a program asking for itself is often only flagged, since the user
// is working elsewhere, but here the user did ask, by starting the program
// again.
void BringWindowForward(QWidget& window);

}  // namespace vitrix
