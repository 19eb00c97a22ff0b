#pragma once

// The capture editor's size and scrolling, with no widget: how much of the
// picture the window shows, whether it needs scroll bars, and how fast a
// selection dragged to an edge scrolls the view.

#include <QSize>

namespace vitrix {

struct TViewFit {
  // The window's client area: the picture's natural size when it fits the
  // room, otherwise as much of the room as the picture and its bars need.
  QSize Client;
  // Where the picture shows: the client area less the bars.
  QSize Viewport;
  bool HorizontalBar = false;
  bool VerticalBar = false;
};

// Fits a picture of natural (logical) size into room, the largest client area
// the screen leaves the window. A bar is needed along an axis that does not
// fit, and the bar it brings takes room from the other axis, which may then
// need its own. bar_extent is a bar's thickness.
TViewFit FitView(QSize natural, QSize room, int bar_extent);

// The distance (in picture pixels) by which the view scrolls on each step of
// a selection drag whose pointer sits at pointer (logical, along one axis of
// a viewport extent long): 0 in the middle, and towards the edge the pointer
// is nearer when it lies within edge_margin of it or beyond it, faster the
// further out it is. ratio converts logical pixels to picture pixels.
int AutoScrollStep(int pointer, int extent, int edge_margin, double ratio);

}  // namespace vitrix
