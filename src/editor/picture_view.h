#pragma once

// TPictureView: the editor's client area. It holds the image control and,
// when the window cannot show the whole picture, scroll bars beside it; the
// bars move the picture one picture pixel at a time, so it keeps one picture
// pixel per screen pixel at every scroll position. A selection dragged to an
// edge of the view (or beyond it) scrolls the picture that way, and the
// selection follows. When the whole picture fits there are no bars and the
// view is exactly the image control.

#include <QPointF>
#include <QTimer>
#include <QWidget>

#include "editor/view_fit.h"

class QScrollBar;

namespace vitrix {

class TImageControl;

class TPictureView : public QWidget {
 public:
  // Takes image as its child.
  explicit TPictureView(TImageControl& image, QWidget* parent = nullptr);

  // A scroll bar's thickness.
  int BarExtent() const;
  // Shows the picture as fit says: the view takes fit.Client, the image
  // control fit.Viewport (or the picture's natural size when smaller), and
  // the bars show as fit asks.
  void SetFit(const TViewFit& fit);

  QScrollBar* HorizontalBar() const { return horizontal_; }
  QScrollBar* VerticalBar() const { return vertical_; }

  // Pointer distance (logical pixels) from an edge at which a drag scrolls.
  static constexpr int kEdgeMargin = 4;
  // Time between two scroll steps of a drag held at an edge.
  static constexpr int kAutoScrollIntervalMs = 30;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // The bars' ranges follow the picture and the viewport; the image control
  // follows the bars.
  void UpdateRanges();
  void BarsMoved();
  // A step of a drag held at an edge: scrolls, and moves the selection's end
  // to where the pointer now is over the picture.
  void AutoScroll();
  QPoint AutoScrollSteps() const;

  TImageControl& image_;
  QScrollBar* horizontal_;
  QScrollBar* vertical_;
  TViewFit fit_;
  QTimer auto_scroll_;
  // The last pointer movement of a drag, replayed after each step.
  struct TDragPointer {
    QPointF Local, Scene, Global;
    Qt::MouseButtons Buttons;
    Qt::KeyboardModifiers Modifiers;
  } drag_{};
};

}  // namespace vitrix
