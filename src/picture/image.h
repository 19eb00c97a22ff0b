#pragma once

// The image control's model, without any widget: its place and size, its
// picture, the drawing surface it hands out, and how it paints. A widget
// wraps it and repaints when OnInvalidate fires.

#include <functional>

#include "picture/picture.h"

namespace vitrix {

class TSurface;

class TImage {
 public:
  TImage();
  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBounds(int left, int top, int width, int height);

  TPicture& Picture() { return picture_; }
  // Copies the picture's graphic into this control's picture.
  void SetPicture(TPicture& picture) { picture_.CopyFrom(picture); }

  // On: whenever the picture changes to one whose width and height are both
  // above 0, the control takes the picture's size and keeps its place.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool on);

  // The surface to draw on: a new bitmap of the control's size when the
  // picture is empty, the bitmap's surface when it holds one, and
  // EInvalidOperation "Une image ne peut être modifiée que si elle contient
  // un bitmap" for any other kind.
  TSurface& DrawingCanvas();

  // Paints the graphic stretched into the picture-sized rectangle at the
  // control's own origin (0, 0) of surface.
  void PaintTo(TSurface& surface);

  // Raised when the control must be painted again.
  std::function<void()> OnInvalidate;
  // Raised after the control's place or size changed.
  std::function<void()> OnResize;

 private:
  void PictureChanged();
  void Invalidate();

  TPicture picture_;
  int left_ = 0;
  int top_ = 0;
  int width_ = 105;
  int height_ = 105;
  bool auto_size_ = false;
};

}  // namespace vitrix
