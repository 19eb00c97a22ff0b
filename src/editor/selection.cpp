#include "editor/selection.h"

#include "picture/surface.h"

namespace vitrix {

void PaintFilledRectangle(TSurface& surface, const TRect& zone) { surface.Rectangle(zone); }

void PaintOutline(TSurface& surface, const TRect& zone) { surface.FrameRect(zone.Normalized()); }

TRect PictureRectOf(const TRect& zone, int picture_width, int picture_height) {
  return zone.Normalized().Intersected(Rect(0, 0, picture_width, picture_height));
}

std::vector<TRect> FrameStrips(const TRect& rect) {
  if (rect.IsEmpty()) return {};
  const TRect& r = rect;
  std::vector<TRect> strips{Rect(r.Left, r.Top, r.Right, r.Top + 1)};
  if (r.Height() > 1) strips.push_back(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom));
  if (r.Height() > 2) {
    strips.push_back(Rect(r.Left, r.Top + 1, r.Left + 1, r.Bottom - 1));
    if (r.Width() > 1) strips.push_back(Rect(r.Right - 1, r.Top + 1, r.Right, r.Bottom - 1));
  }
  return strips;
}

}  // namespace vitrix
