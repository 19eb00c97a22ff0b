#include "editor/view_fit.h"

#include <algorithm>
#include <cmath>

namespace vitrix {
namespace {

// Scroll speed: a step of kBaseStep logical pixels at the edge, growing by
// kStepPerPixel for each pixel further out, up to kMaxStep.
constexpr int kBaseStep = 6;
constexpr int kStepPerPixel = 2;
constexpr int kMaxStep = 240;

}  // namespace

TViewFit FitView(QSize natural, QSize room, int bar_extent) {
  TViewFit fit;
  fit.HorizontalBar = natural.width() > room.width();
  fit.VerticalBar = natural.height() > room.height();
  if (fit.HorizontalBar && !fit.VerticalBar) fit.VerticalBar = natural.height() > room.height() - bar_extent;
  if (fit.VerticalBar && !fit.HorizontalBar) fit.HorizontalBar = natural.width() > room.width() - bar_extent;
  const int vertical_bar = fit.VerticalBar ? bar_extent : 0;
  const int horizontal_bar = fit.HorizontalBar ? bar_extent : 0;
  fit.Client = QSize(std::min(natural.width() + vertical_bar, room.width()),
                     std::min(natural.height() + horizontal_bar, room.height()));
  fit.Viewport =
      QSize(std::max(0, fit.Client.width() - vertical_bar), std::max(0, fit.Client.height() - horizontal_bar));
  return fit;
}

int AutoScrollStep(int pointer, int extent, int edge_margin, double ratio) {
  // How far the pointer has gone into the margin or past it, in logical
  // pixels; negative towards the start.
  int depth = 0;
  if (pointer < edge_margin) {
    depth = -(edge_margin - pointer);
  } else if (pointer >= extent - edge_margin) {
    depth = pointer - (extent - edge_margin) + 1;
  }
  if (depth == 0) return 0;
  const int logical = std::min(kMaxStep, kBaseStep + kStepPerPixel * (std::abs(depth) - 1));
  const int step = std::max(1, static_cast<int>(std::lround(logical * ratio)));
  return depth < 0 ? -step : step;
}

}  // namespace vitrix
