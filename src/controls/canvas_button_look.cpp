#include "controls/canvas_button_look.h"

#include "picture/graphic.h"

namespace vitrix {
namespace {

constexpr int kBevelWidth = 4;
// The pressed bevel's bottom and right lines are wider over a picture.
constexpr int kPressedPictureBevelWidth = 6;

void Line(TSurface& surface, TColor color, int width, TPoint from, TPoint to) {
  surface.Pen.Color = color;
  surface.Pen.Width = width;
  surface.MoveTo(from.X, from.Y);
  surface.LineTo(to.X, to.Y);
}

// The bevel lies on the button's outer edges, so about half of each line falls
// inside. The normal look is lit from the top left, the pressed look from the
// bottom right. It ends with a zero-length stroke on each of the two corners.
void DrawBevel(TSurface& surface, int32_t w, int32_t h, TButtonLook look, bool picture_shown) {
  surface.Pen.Style = TPenStyle::psSolid;
  surface.Pen.Mode = TPenMode::pmCopy;
  const bool pressed = look == TButtonLook::blPressed;
  const TColor far_side = pressed ? clWhite : clBlack;
  const TColor near_side = pressed ? clBlack : clWhite;
  const int far_width = pressed && picture_shown ? kPressedPictureBevelWidth : kBevelWidth;
  Line(surface, far_side, far_width, {0, h}, {w, h});
  Line(surface, far_side, far_width, {w, h}, {w, 0});
  Line(surface, near_side, kBevelWidth, {0, h}, {0, 0});
  Line(surface, near_side, kBevelWidth, {0, 0}, {w, 0});
  Line(surface, near_side, kBevelWidth, {0, 0}, {0, 0});
  Line(surface, far_side, kBevelWidth, {w, h}, {w, h});
}

void DrawPicture(TSurface& surface, const TButtonFace& face, TButtonLook look) {
  TGraphic& picture = *face.Picture;
  const int32_t w = face.Width, h = face.Height;
  const int32_t shift = look == TButtonLook::blPressed ? 1 : 0;
  if (face.StretchPicture) {
    surface.StretchDraw(Rect(2 - shift, 2 - shift, w - 2 - shift, h - 2 - shift), picture);
    return;
  }
  const TPoint at = PicturePosition(face.PictureLayout, w, h, picture.Width(), picture.Height());
  surface.Draw(at.X - shift, at.Y - shift, picture);
}

void DrawCaption(TSurface& surface, const TButtonFace& face, TButtonLook look) {
  surface.Font = face.Font;
  const TSize extent = surface.TextExtent(face.Caption);
  surface.Brush.Style = TBrushStyle::bsClear;
  if (!face.ShowCaption) return;
  const TPoint at = CaptionPosition(face.CaptionLayout, look, face.Width, face.Height, extent.cx, extent.cy);
  surface.TextOut(at.X, at.Y, face.Caption);
}

}  // namespace

TPoint CaptionPosition(TCaptionLayout layout, TButtonLook look, int32_t w, int32_t h, int32_t tw, int32_t th) {
  const int32_t centre_x = w / 2 - tw / 2;
  const int32_t centre_y = h / 2 - th / 2;
  TPoint at;
  switch (layout) {
    case TCaptionLayout::ClTop: at = {centre_x, 2}; break;
    case TCaptionLayout::ClLeft: at = {4, centre_y}; break;
    case TCaptionLayout::ClRight: at = {w - tw - 4, centre_y}; break;
    case TCaptionLayout::ClBottom: at = {centre_x, h - th - 2}; break;
    case TCaptionLayout::ClCenter: at = {centre_x, centre_y}; break;
  }
  if (look == TButtonLook::blPressed) {
    at.X -= 1;
    at.Y -= 1;
  }
  return at;
}

TPoint PicturePosition(TPictureLayout layout, int32_t w, int32_t h, int32_t pw, int32_t ph) {
  const int32_t centre_x = w / 2 - pw / 2;
  const int32_t centre_y = h / 2 - ph / 2;
  switch (layout) {
    case TPictureLayout::PLCenterTop: return {centre_x, 3};
    case TPictureLayout::PLCenterBottom: return {centre_x, h - ph - 2};
    case TPictureLayout::PLCenterLeft: return {3, centre_y};
    case TPictureLayout::PLCenterRight: return {w - pw - 2, centre_y};
    case TPictureLayout::PLCenter: break;
  }
  return {centre_x, centre_y};
}

void DrawButtonLook(TSurface& surface, const TButtonFace& face, TButtonLook look) {
  const int32_t w = face.Width, h = face.Height;
  if (face.PaintGradient && face.Gradient != nullptr) {
    FillGradient(surface, *face.Gradient, w, h);
  } else {
    surface.Brush.Style = TBrushStyle::bsSolid;
    surface.Brush.Color = face.Color;
    surface.FillRect(Rect(2, 2, w - 2, h - 2));
  }
  const bool picture_shown = face.Picture != nullptr && face.ShowPicture;
  if (picture_shown) DrawPicture(surface, face, look);
  DrawCaption(surface, face, look);
  DrawBevel(surface, w, h, look, picture_shown);
}

}  // namespace vitrix
