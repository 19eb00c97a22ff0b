#pragma once

// How a gradient button looks, drawn on a surface without any widget: the
// background (flat colour or gradient), the picture, the caption and the
// bevel, in the normal look and in the pressed look shown while the left
// button is held down.

#include <cstdint>
#include <string_view>

#include "controls/datos_gradiante.h"
#include "picture/surface.h"
#include "picture/types.h"

namespace vitrix {

class TGraphic;

enum class TCaptionLayout : uint8_t { ClCenter, ClTop, ClLeft, ClRight, ClBottom };
enum class TPictureLayout : uint8_t { PLCenterTop, PLCenterBottom, PLCenterLeft, PLCenterRight, PLCenter };
enum class TButtonLook : uint8_t { blNormal, blPressed };

// Everything the look depends on.
struct TButtonFace {
  int32_t Width = 0;
  int32_t Height = 0;
  TColor Color = clDarkBlue;
  bool PaintGradient = false;
  const TDatosGradiante* Gradient = nullptr;  // used when PaintGradient
  TGraphic* Picture = nullptr;                // shown when set and ShowPicture
  bool ShowPicture = false;
  bool StretchPicture = true;
  TPictureLayout PictureLayout = TPictureLayout::PLCenterTop;
  std::string_view Caption;
  bool ShowCaption = true;
  TCaptionLayout CaptionLayout = TCaptionLayout::ClCenter;
  TFont Font;
};

// The caption's top-left corner for a text of tw x th in a w x h button. The
// pressed position is one pixel up and to the left of the normal one.
TPoint CaptionPosition(TCaptionLayout layout, TButtonLook look, int32_t w, int32_t h, int32_t tw, int32_t th);
// The top-left corner of a picture of pw x ph drawn at its natural size (the
// normal look; the pressed look draws it one pixel up and to the left).
TPoint PicturePosition(TPictureLayout layout, int32_t w, int32_t h, int32_t pw, int32_t ph);

// Draws one look on the surface, over what it already holds: the background
// is only what the fill covers. "a div 2" in the layouts truncates toward zero.
void DrawButtonLook(TSurface& surface, const TButtonFace& face, TButtonLook look);

}  // namespace vitrix
