#include "controls/canvas_button_look.h"

#include <gtest/gtest.h>

#include <memory>

#include "picture/bitmap.h"

namespace vitrix {
namespace {

constexpr TColor kUnder = 0x123456;

TDatosGradiante Bout1Gradient() {
  TDatosGradiante g;
  g.SetBeginColor(clGreen);
  g.SetEndColor(clSilver);
  g.SetDirection(TDireccionG::dHorizontal);
  return g;
}

TFont ButtonFont(int height) {
  TFont font;
  font.Height = height;
  font.Bold = true;
  font.Color = clWhite;
  return font;
}

std::unique_ptr<TBitmap> Background(int w, int h) {
  auto bitmap = std::make_unique<TBitmap>(w, h);
  bitmap->Canvas().Brush.Color = kUnder;
  bitmap->Canvas().FillRect(Rect(0, 0, w, h));
  return bitmap;
}

TButtonFace Bout1Face(const TDatosGradiante& gradient) {
  TButtonFace face;
  face.Width = 161;
  face.Height = 25;
  face.Color = clGreen;
  face.PaintGradient = true;
  face.Gradient = &gradient;
  face.Caption = "Activer la surveillance";
  face.Font = ButtonFont(-11);
  return face;
}

TButtonFace FlatFace(int w, int h) {
  TButtonFace face;
  face.Width = w;
  face.Height = h;
  face.Color = clDarkBlue;
  face.Font = ButtonFont(-11);
  return face;
}

TEST(ButtonLook, NormalBevelIsWhiteTopLeftAndBlackBottomRightOverTheGradient) {
  const TDatosGradiante gradient = Bout1Gradient();
  auto bitmap_owner = Background(161, 25);
  TBitmap& bitmap = *bitmap_owner;
  DrawButtonLook(bitmap.Canvas(), Bout1Face(gradient), TButtonLook::blNormal);
  // Bands 3, 5 and 251 are the last ones over columns 2, 3 and 158.
  for (int y = 2; y < 23; ++y) {
    EXPECT_EQ(bitmap.Pixel(0, y), clWhite) << y;
    EXPECT_EQ(bitmap.Pixel(1, y), clWhite) << y;
    EXPECT_EQ(bitmap.Pixel(2, y), RGB(2, 129, 2)) << y;
    EXPECT_EQ(bitmap.Pixel(158, y), RGB(189, 191, 189)) << y;
    EXPECT_EQ(bitmap.Pixel(159, y), clBlack) << y;
    EXPECT_EQ(bitmap.Pixel(160, y), clBlack) << y;
  }
  for (int x = 2; x < 159; ++x) {
    EXPECT_EQ(bitmap.Pixel(x, 0), clWhite) << x;
    EXPECT_EQ(bitmap.Pixel(x, 1), clWhite) << x;
    EXPECT_EQ(bitmap.Pixel(x, 23), clBlack) << x;
    EXPECT_EQ(bitmap.Pixel(x, 24), clBlack) << x;
  }
  EXPECT_EQ(bitmap.Pixel(3, 2), RGB(4, 129, 4));
  EXPECT_EQ(bitmap.Pixel(3, 22), RGB(4, 129, 4));
  // The white lines are drawn last, over the ends of the black ones.
  EXPECT_EQ(bitmap.Pixel(0, 24), clWhite);
  EXPECT_EQ(bitmap.Pixel(160, 0), clWhite);
  EXPECT_EQ(bitmap.Pixel(160, 24), clBlack);
}

TEST(ButtonLook, PressedBevelTurnsInsideOut) {
  const TDatosGradiante gradient = Bout1Gradient();
  auto bitmap_owner = Background(161, 25);
  TBitmap& bitmap = *bitmap_owner;
  DrawButtonLook(bitmap.Canvas(), Bout1Face(gradient), TButtonLook::blNormal);
  DrawButtonLook(bitmap.Canvas(), Bout1Face(gradient), TButtonLook::blPressed);
  for (int y = 2; y < 23; ++y) {
    EXPECT_EQ(bitmap.Pixel(1, y), clBlack) << y;
    EXPECT_EQ(bitmap.Pixel(159, y), clWhite) << y;
    EXPECT_EQ(bitmap.Pixel(157, y), RGB(187, 190, 187)) << y;  // a 4-pixel bevel without a picture
  }
  for (int x = 2; x < 159; ++x) {
    EXPECT_EQ(bitmap.Pixel(x, 1), clBlack) << x;
    EXPECT_EQ(bitmap.Pixel(x, 24), clWhite) << x;
  }
  EXPECT_EQ(bitmap.Pixel(160, 0), clBlack);
  EXPECT_EQ(bitmap.Pixel(0, 24), clBlack);
}

TEST(ButtonLook, PressedBevelIsWiderOverAPicture) {
  TBitmap picture(4, 4);
  auto bitmap_owner = Background(30, 30);
  TBitmap& bitmap = *bitmap_owner;
  TButtonFace face = FlatFace(30, 30);
  face.Picture = &picture;
  face.ShowPicture = true;
  face.StretchPicture = false;
  DrawButtonLook(bitmap.Canvas(), face, TButtonLook::blPressed);
  // Six pixels wide on the edge: three inside, against two for the others.
  EXPECT_EQ(bitmap.Pixel(15, 27), clWhite);
  EXPECT_EQ(bitmap.Pixel(27, 15), clWhite);
  EXPECT_EQ(bitmap.Pixel(15, 26), clDarkBlue);
  EXPECT_EQ(bitmap.Pixel(26, 15), clDarkBlue);
  EXPECT_EQ(bitmap.Pixel(5, 1), clBlack);
  EXPECT_EQ(bitmap.Pixel(5, 2), clDarkBlue);
}

TEST(ButtonLook, FlatColourFillsTheInnerRectangle) {
  auto bitmap_owner = Background(40, 20);
  TBitmap& bitmap = *bitmap_owner;
  DrawButtonLook(bitmap.Canvas(), FlatFace(40, 20), TButtonLook::blNormal);
  for (int y = 2; y < 18; ++y) {
    for (int x = 2; x < 38; ++x) ASSERT_EQ(bitmap.Pixel(x, y), clDarkBlue) << x << "," << y;
  }
}

TEST(ButtonLook, GradientWithoutColoursLeavesWhatWasUnder) {
  TDatosGradiante gradient = Bout1Gradient();
  gradient.SetColorCount(1);
  TButtonFace face = Bout1Face(gradient);
  face.Caption = "";
  auto bitmap_owner = Background(161, 25);
  TBitmap& bitmap = *bitmap_owner;
  DrawButtonLook(bitmap.Canvas(), face, TButtonLook::blNormal);
  for (int y = 2; y < 23; ++y) {
    for (int x = 2; x < 159; ++x) ASSERT_EQ(bitmap.Pixel(x, y), kUnder) << x << "," << y;
  }
}

int CountPixels(const TBitmap& bitmap, TColor colour) {
  int count = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) count += bitmap.Pixel(x, y) == colour ? 1 : 0;
  }
  return count;
}

TEST(ButtonLook, CaptionIsDrawnUnlessHidden) {
  TButtonFace face = FlatFace(60, 24);
  face.Caption = "OK";
  face.Font.Color = clRed;
  auto shown_owner = Background(60, 24);
  TBitmap& shown = *shown_owner;
  DrawButtonLook(shown.Canvas(), face, TButtonLook::blNormal);
  EXPECT_LT(CountPixels(shown, clDarkBlue), 56 * 20 - 30);
  EXPECT_GT(CountPixels(shown, clRed), 0);
  face.ShowCaption = false;
  auto hidden_owner = Background(60, 24);
  TBitmap& hidden = *hidden_owner;
  DrawButtonLook(hidden.Canvas(), face, TButtonLook::blNormal);
  EXPECT_EQ(CountPixels(hidden, clRed), 0);
  EXPECT_EQ(CountPixels(hidden, clDarkBlue), 56 * 20);
}

TEST(ButtonLook, PictureAtNaturalSizeMovesUpLeftWhenPressed) {
  TBitmap picture(4, 4);
  picture.Canvas().Brush.Color = clRed;
  picture.Canvas().FillRect(Rect(0, 0, 4, 4));
  TButtonFace face = FlatFace(20, 20);
  face.Picture = &picture;
  face.ShowPicture = true;
  face.StretchPicture = false;
  face.PictureLayout = TPictureLayout::PLCenter;
  auto normal_owner = Background(20, 20);
  TBitmap& normal = *normal_owner;
  DrawButtonLook(normal.Canvas(), face, TButtonLook::blNormal);
  auto pressed_owner = Background(20, 20);
  TBitmap& pressed = *pressed_owner;
  DrawButtonLook(pressed.Canvas(), face, TButtonLook::blPressed);
  // The pressed bevel is six pixels wide at the bottom and right over a picture.
  for (int y = 2; y < 17; ++y) {
    for (int x = 2; x < 17; ++x) {
      const bool in_normal = x >= 8 && x < 12 && y >= 8 && y < 12;
      const bool in_pressed = x >= 7 && x < 11 && y >= 7 && y < 11;
      ASSERT_EQ(normal.Pixel(x, y), in_normal ? clRed : clDarkBlue) << x << "," << y;
      ASSERT_EQ(pressed.Pixel(x, y), in_pressed ? clRed : clDarkBlue) << x << "," << y;
    }
  }
}

TEST(ButtonLook, StretchedPictureFillsTheInnerRectangleOrOnePixelUpLeftWhenPressed) {
  TBitmap picture(3, 3);
  picture.Canvas().Brush.Color = clRed;
  picture.Canvas().FillRect(Rect(0, 0, 3, 3));
  TButtonFace face = FlatFace(20, 20);
  face.Picture = &picture;
  face.ShowPicture = true;
  auto normal_owner = Background(20, 20);
  TBitmap& normal = *normal_owner;
  DrawButtonLook(normal.Canvas(), face, TButtonLook::blNormal);
  EXPECT_EQ(CountPixels(normal, clRed), 16 * 16);
  auto pressed_owner = Background(20, 20);
  TBitmap& pressed = *pressed_owner;
  DrawButtonLook(pressed.Canvas(), face, TButtonLook::blPressed);
  // Stretched into (1, 1, 17, 17): the black bevel covers row and column 1,
  // the wide white one columns and rows 17 to 19.
  EXPECT_EQ(pressed.Pixel(2, 2), clRed);
  EXPECT_EQ(pressed.Pixel(16, 16), clRed);
  EXPECT_EQ(pressed.Pixel(1, 10), clBlack);
  EXPECT_EQ(pressed.Pixel(17, 10), clWhite);
  EXPECT_EQ(CountPixels(pressed, clRed), 15 * 15);
}

TEST(ButtonLook, HiddenPictureIsNotDrawn) {
  TBitmap picture(3, 3);
  picture.Canvas().Brush.Color = clRed;
  picture.Canvas().FillRect(Rect(0, 0, 3, 3));
  TButtonFace face = FlatFace(20, 20);
  face.Picture = &picture;
  auto bitmap_owner = Background(20, 20);
  TBitmap& bitmap = *bitmap_owner;
  DrawButtonLook(bitmap.Canvas(), face, TButtonLook::blNormal);
  EXPECT_EQ(CountPixels(bitmap, clRed), 0);
}

struct TCaptionRow {
  TCaptionLayout layout;
  TPoint normal;
  TPoint pressed;
};

// A 161 x 25 button and a 41 x 13 caption: W div 2 - tw div 2 = 80 - 20,
// H div 2 - th div 2 = 12 - 6.
TEST(ButtonLook, CaptionPositionFollowsTheLayout) {
  const TCaptionRow rows[] = {
      {TCaptionLayout::ClCenter, {60, 6}, {59, 5}},  {TCaptionLayout::ClTop, {60, 2}, {59, 1}},
      {TCaptionLayout::ClLeft, {4, 6}, {3, 5}},      {TCaptionLayout::ClRight, {116, 6}, {115, 5}},
      {TCaptionLayout::ClBottom, {60, 10}, {59, 9}},
  };
  for (const TCaptionRow& row : rows) {
    EXPECT_EQ(CaptionPosition(row.layout, TButtonLook::blNormal, 161, 25, 41, 13), row.normal);
    EXPECT_EQ(CaptionPosition(row.layout, TButtonLook::blPressed, 161, 25, 41, 13), row.pressed);
  }
  // Halves truncate toward zero, also for a caption wider than the button.
  EXPECT_EQ(CaptionPosition(TCaptionLayout::ClCenter, TButtonLook::blNormal, 11, 9, 25, 3), (TPoint{-7, 3}));
}

TEST(ButtonLook, PicturePositionFollowsTheLayout) {
  EXPECT_EQ(PicturePosition(TPictureLayout::PLCenterTop, 161, 25, 41, 13), (TPoint{60, 3}));
  EXPECT_EQ(PicturePosition(TPictureLayout::PLCenterBottom, 161, 25, 41, 13), (TPoint{60, 10}));
  EXPECT_EQ(PicturePosition(TPictureLayout::PLCenterLeft, 161, 25, 41, 13), (TPoint{3, 6}));
  EXPECT_EQ(PicturePosition(TPictureLayout::PLCenterRight, 161, 25, 41, 13), (TPoint{118, 6}));
  EXPECT_EQ(PicturePosition(TPictureLayout::PLCenter, 161, 25, 41, 13), (TPoint{60, 6}));
}

// The main window's longest captions stay inside the bevel of their buttons.
TEST(ButtonLook, LongestCaptionsFitTheirButtons) {
  struct TCase {
    const char* caption;
    int font_height;
    int width;
  };
  const TCase cases[] = {{"D\xE9sactiver la surveillance", -11, 161},
                         {"Activer la surveillance", -11, 161},
                         {"Vider le dossier travail", -8, 137},
                         {"Copier dans le presse papier", -8, 169}};
  TBitmap bitmap(1, 1);
  for (const TCase& c : cases) {
    bitmap.Canvas().Font = ButtonFont(c.font_height);
    const TSize extent = bitmap.Canvas().TextExtent(c.caption);
    EXPECT_LE(extent.cx, c.width - 6) << c.caption;
    EXPECT_LE(extent.cy, 25 - 4) << c.caption;
  }
}

}  // namespace
}  // namespace vitrix
