#pragma once

// How the editor's picture meets a scaled screen, with no widget.
//
// The picture is shown one picture pixel per screen (device) pixel whatever
// the desktop's scale, so that what the user masks is exactly what is saved.
// Widgets, though, are placed and sized in logical pixels, which are the
// device pixels divided by the device pixel ratio (1.25, 1.5, 2...), and a
// logical length need not be a whole number of device pixels. These
// functions hold the conversions in one place:
//
//   Pointer -> picture pixel. A pointer position is taken at full precision
//   relative to the window (the window system's device position divided by
//   the ratio), multiplied back by the ratio and rounded down after adding
//   1/64 of a pixel: pixel = floor(x * ratio + 1/64). The device pixel under
//   the pointer is the one whose area [n, n + 1) holds it; the 1/64 absorbs
//   the rounding error of the division, so that a pointer on device pixel n
//   never reads as n - 1. The picture pixel is that device pixel less the
//   picture's device origin in the window, plus the scroll position.
//
//   Sizes. A control showing n device pixels is LogicalExtent(n) logical
//   pixels long: the shortest whole length that covers them all.
//
//   Repaints. A logical area to repaint covers the device pixels from
//   floor(left * ratio) to ceil(right * ratio), and a device area to repaint
//   is covered by the logical pixels from floor(left / ratio) to
//   ceil(right / ratio): both round outwards, so no pixel is ever left out.

#include <QRect>

namespace vitrix {

// The part of a pixel by which a pointer may fall short of a pixel's edge and
// still count as on it.
inline constexpr double kPointerTolerance = 1.0 / 64;

// The device pixel under a logical position (see above).
int DevicePixelAt(double logical, double ratio);

// The shortest whole logical length that covers device_pixels.
int LogicalExtent(int device_pixels, double ratio);

// The device pixels a logical rectangle touches, and the logical pixels that
// cover a device rectangle; both round outwards.
QRect DeviceRectCovering(const QRect& logical, double ratio);
QRect LogicalRectCovering(const QRect& device, double ratio);

}  // namespace vitrix
