#pragma once

// The whole screen as a picture, and a picture put on the X clipboard the way
// a screenshot is offered there.

#include <xcb/xcb.h>

#include <QImage>

namespace vitrix {

// The root window's pixels: every monitor of the X screen, as the user sees
// them (windows, frames, background), in a 32-bit picture. Null when the
// screen cannot be read.
QImage CaptureRootWindow(xcb_window_t root);

// Makes picture the clipboard's content. Other programs get it as image/png
// (or any other image type they ask for), encoded only when they ask; this
// program reads it back as a picture without any encoding.
void PutPictureOnClipboard(const QImage& picture);

}  // namespace vitrix
