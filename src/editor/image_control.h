#pragma once

// The image control on screen: a thin widget around the image model
// (picture/image.h). It shows the picture at its natural size, draws a frame
// over it on request (never into it), follows the model's size and reports
// the pointer in picture coordinates. Only the parts that changed are
// repainted: the whole control when the picture changed, and only the
// frame's old and new pixels when the frame moved.

#include <QWidget>
#include <memory>

#include "controls/events.h"
#include "picture/image.h"

namespace vitrix {

class TBitmap;

class TImageControl : public QWidget {
 public:
  explicit TImageControl(QWidget* parent = nullptr);
  ~TImageControl() override;

  TImage& Image() { return image_; }
  TPicture& Picture() { return image_.Picture(); }

  // A one-pixel frame around rect in colour, drawn over the picture; an
  // empty rect shows none.
  void SetOverlayFrame(const TRect& rect, TColor color);
  const TRect& OverlayFrame() const { return frame_; }

  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  // Raised after the control took the model's place and size.
  TNotifyEvent OnResize;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The pixels to show: the bitmap's own, or the picture drawn into a bitmap
  // of its size when it holds another kind.
  const TBitmap* Pixels();
  void ModelResized();
  void PictureInvalidated();

  TImage image_;
  TRect frame_;
  TColor frame_color_ = clBlack;
  std::unique_ptr<TBitmap> rendered_;
  bool rendered_stale_ = true;
};

}  // namespace vitrix
