#pragma once

// The drawing surface of a bitmap, with the pixel rules of the old desktop:
// rectangles are half-open (Right and Bottom outside), and every operation is
// clipped to the bitmap first, so nothing is ever written outside it.

#include <string>
#include <string_view>

#include "picture/types.h"

class QFont;

namespace vitrix {

class TBitmap;
class TGraphic;

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psClear };
enum class TPenMode { pmCopy, pmNot, pmXor };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = TPenStyle::psSolid;
  TPenMode Mode = TPenMode::pmCopy;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
};

// Height < 0 is the character height in pixels (without internal leading),
// Height > 0 the cell height; Height = 0 takes Size in points (at 96 dpi).
struct TFont {
  std::string Name = "MS Sans Serif";
  int Height = -11;
  int Size = 8;
  bool Bold = false;
  TColor Color = clBlack;
  friend bool operator==(const TFont&, const TFont&) = default;
};

// The raster operation of rectangle copies: the source replaces the target.
inline constexpr uint32_t cmSrcCopy = 0x00CC0020;

// The Qt font for a surface font. "MS Sans Serif" and other fonts this desktop
// does not have are drawn with a narrow sans-serif (Liberation Sans).
QFont ToQFont(const TFont& font);

struct TSize {
  int cx = 0;
  int cy = 0;
};

class TSurface {
 public:
  explicit TSurface(TBitmap& target) : target_(target) {}
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  TPen Pen;
  TBrush Brush;
  TFont Font;
  uint32_t CopyMode = cmSrcCopy;

  TBitmap& Target() { return target_; }

  // Fills the rectangle with the brush colour (nothing when it is empty).
  void FillRect(const TRect& rect);
  // Outline with the pen on the rectangle's border pixels, interior with the
  // brush (unless the brush is clear). The corners may come in either order.
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  // A one-pixel frame in the brush colour on columns Left and Right - 1 and
  // rows Top and Bottom - 1; nothing when Right <= Left or Bottom <= Top.
  void FrameRect(const TRect& rect);
  // Copies rectangle src of source onto rectangle dest of this surface,
  // scaling when the sizes differ (nearest pixel) and mirroring when an
  // extent is negative. Source pixels outside the source bitmap are not
  // copied: the target keeps its pixels there.
  void CopyRect(const TRect& dest, TSurface& source, const TRect& src);
  void MoveTo(int32_t x, int32_t y) { pen_pos_ = {x, y}; }
  // A line from the pen position to (x, y) with the pen's width; a one-pixel
  // pen leaves out the end point. The pen position moves to (x, y).
  void LineTo(int32_t x, int32_t y);
  TPoint PenPos() const { return pen_pos_; }
  // Text with its top-left corner at (x, y) in the font's colour; the
  // background is filled with the brush unless the brush is clear.
  void TextOut(int32_t x, int32_t y, std::string_view text);
  TSize TextExtent(std::string_view text) const;
  int TextWidth(std::string_view text) const { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) const { return TextExtent(text).cy; }
  // A picture at its natural size with its top-left corner at (x, y), or
  // stretched into a rectangle.
  void Draw(int32_t x, int32_t y, TGraphic& graphic);
  void StretchDraw(const TRect& rect, TGraphic& graphic);

 private:
  TRect Bounds() const;
  void FillClipped(const TRect& rect, TColor color);

  TBitmap& target_;
  TPoint pen_pos_;
};

}  // namespace vitrix
