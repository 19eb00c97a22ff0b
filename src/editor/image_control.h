#pragma once

// The image control on screen: a thin widget around the image model
// (picture/image.h). It shows the picture one picture pixel per screen pixel
// whatever the desktop's scale (picture_scale.h), draws a frame over it on
// request (never into it) and reports the pointer in picture coordinates.
// When the window cannot hold the whole picture the control shows part of it,
// from a scroll origin its owner sets. Only the parts that changed are
// repainted: the whole control when the picture changed or scrolled, and only
// the frame's old and new pixels when the frame moved.

#include <QWidget>
#include <memory>

#include "controls/events.h"
#include "picture/image.h"

class QMouseEvent;

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

  // The size (logical pixels) that shows every pixel of the picture.
  QSize NaturalSize() const;
  // The picture pixel shown at the control's top-left corner: (0, 0) unless
  // the owner scrolled the picture.
  QPoint Origin() const { return origin_; }
  void SetOrigin(QPoint origin);
  // Screen (device) pixels per logical pixel.
  double Ratio() const { return devicePixelRatioF(); }
  // The picture pixel under the pointer of a mouse event sent to this control
  // (picture_scale.h gives the rule).
  QPoint PicturePixelAt(const QMouseEvent& event) const;

  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  // Raised after the control took the model's place and its natural size.
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
  // The logical area showing a rectangle of picture pixels.
  QRect LogicalRectOf(const TRect& picture_rect) const;
  QRegion FrameRegion(const TRect& frame) const;

  TImage image_;
  TRect frame_;
  TColor frame_color_ = clBlack;
  QPoint origin_;
  std::unique_ptr<TBitmap> rendered_;
  bool rendered_stale_ = true;
};

}  // namespace vitrix
