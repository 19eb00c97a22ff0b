#pragma once

// The geometry of the editor's selections, with no widget: what each tool
// paints, which part of the picture a crop or a restore takes, and which
// pixels the rubber band covers.

#include <vector>

#include "picture/types.h"

namespace vitrix {

class TSurface;

// The tool a selection applies on release.
enum class TTool { tlFilledRectangle, tlOutline, tlCrop };

// Filled rectangle: a one-pixel outline with the surface's pen and the inside
// in its fill colour, over the columns from the smaller to the larger X (the
// larger one left out) and likewise the rows. The corners come in any order.
void PaintFilledRectangle(TSurface& surface, const TRect& zone);

// Outline: a one-pixel frame in the surface's fill colour on columns Left and
// Right - 1 and rows Top and Bottom - 1 of the selection, put in order first.
void PaintOutline(TSurface& surface, const TRect& zone);

// The part of the picture a crop keeps or an undo restores: the selection put
// in order and limited to the picture. Empty when nothing of the picture is
// selected.
TRect PictureRectOf(const TRect& zone, int picture_width, int picture_height);

// The pixels of a one-pixel frame around rect, as up to four strips (top,
// bottom, left, right) that do not overlap; none for an empty rect.
std::vector<TRect> FrameStrips(const TRect& rect);

}  // namespace vitrix
