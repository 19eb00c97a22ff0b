#include "controls/datos_gradiante.h"

#include <cstdint>
#include <cstdlib>

#include "picture/surface.h"
#include "rtl/muldiv.h"

namespace vitrix {
namespace {

// Channels are taken from the stored value as they are: bits 0-7, 8-15 and
// 16-23, whatever the value means.
struct TChannelStep {
  int begin;
  int distance;
  int sign;
};

TChannelStep StepBetween(int begin, int end) { return {begin, std::abs(begin - end), begin < end ? 1 : -1}; }

int ChannelAt(const TChannelStep& step, int32_t i, int32_t n) {
  return (step.begin + step.sign * MulDiv(i, step.distance, n)) & 0xFF;
}

}  // namespace

TGradientBand GradientBand(const TDatosGradiante& gradient, int32_t i, int32_t width, int32_t height) {
  const int32_t n = gradient.ColorCount();
  const TColor b = gradient.BeginColor(), e = gradient.EndColor();
  const TChannelStep red = StepBetween(GetRValue(b), GetRValue(e));
  const TChannelStep green = StepBetween(GetGValue(b), GetGValue(e));
  const TChannelStep blue = StepBetween(GetBValue(b), GetBValue(e));
  TGradientBand band;
  band.Color = RGB(ChannelAt(red, i, n), ChannelAt(green, i, n), ChannelAt(blue, i, n));
  // The largest count would overflow i + 1 at its last band, which begins at
  // the far edge anyway.
  const int32_t next = i < INT32_MAX ? i + 1 : i;
  if (gradient.Direction() == TDireccionG::dVertical) {
    band.Rect = Rect(0, MulDiv(i, height, n), width - 2, MulDiv(next, height, n));
  } else {
    band.Rect = Rect(MulDiv(i, width, n), 0, MulDiv(next, width, n), height - 2);
  }
  return band;
}

void FillGradient(TSurface& surface, const TDatosGradiante& gradient, int32_t width, int32_t height) {
  surface.Pen.Style = TPenStyle::psSolid;
  surface.Pen.Mode = TPenMode::pmCopy;
  surface.Brush.Style = TBrushStyle::bsSolid;
  const int32_t n = gradient.ColorCount();
  for (int64_t i = 2; i <= n; ++i) {
    const TGradientBand band = GradientBand(gradient, static_cast<int32_t>(i), width, height);
    surface.Brush.Color = band.Color;
    surface.FillRect(band.Rect);
  }
}

}  // namespace vitrix
