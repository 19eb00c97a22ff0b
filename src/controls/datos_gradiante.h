#pragma once

// The gradient settings of a gradient button, and the banded fill they give.

#include <cstdint>

#include "picture/types.h"

namespace vitrix {

class TSurface;

enum class TDireccionG : uint8_t { dHorizontal, dVertical };

// Changing a setting does not repaint anything: the owner repaints.
class TDatosGradiante {
 public:
  TColor BeginColor() const { return begin_color_; }
  void SetBeginColor(TColor value) { begin_color_ = value; }
  TColor EndColor() const { return end_color_; }
  void SetEndColor(TColor value) { end_color_ = value; }
  TDireccionG Direction() const { return direction_; }
  void SetDirection(TDireccionG value) { direction_ = value; }
  int32_t ColorCount() const { return color_count_; }
  void SetColorCount(int32_t value) { color_count_ = value; }

  // Takes the four settings of another object.
  void Assign(const TDatosGradiante& source) { *this = source; }

 private:
  TColor begin_color_ = clBlue;
  TColor end_color_ = clBlack;
  TDireccionG direction_ = TDireccionG::dVertical;
  int32_t color_count_ = 255;
};

struct TGradientBand {
  TRect Rect;  // may be empty
  TColor Color = 0;
};

// Band i of the gradient over a width x height area (i = 2..N, N =
// ColorCount, painted in that order). Band i has each channel moved from the begin
// colour towards the end colour by MulDiv(i, distance, N) and covers
// MulDiv(i, extent, N) up to MulDiv(i + 1, extent, N) along the direction and
// everything but the last two pixels across it. So the strip before
// MulDiv(2, extent, N) is left alone, and the last band starts at the far
// edge. Fewer than two colours give no band at all.
TGradientBand GradientBand(const TDatosGradiante& gradient, int32_t i, int32_t width, int32_t height);

// Fills bands 2..N on the surface with a solid brush, one after the other.
void FillGradient(TSurface& surface, const TDatosGradiante& gradient, int32_t width, int32_t height);

}  // namespace vitrix
