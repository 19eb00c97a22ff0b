#pragma once

// Where the program's windows go on the screen. Each window has a designed
// position (its frame's top-left corner). It keeps that position when its
// whole frame fits on the screen's available area (the screen less the
// desktop's panels) and is moved just enough to be whole there otherwise;
// a window larger than the area lines up with its left and top edges, so that
// its title bar stays reachable. On a scaled desktop the positions are in
// logical pixels, like every widget geometry.
//
// The window manager's frame is known only once it has framed a window: until
// then the frame last seen on any of the program's windows is assumed, and
// the window is placed again as soon as its own frame is known after a
// showing.

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <functional>

class QScreen;
class QWidget;

namespace vitrix {

// The top-left corner for a frame that keeps its place when whole on
// available and moves just enough otherwise (see above).
QPoint PlaceWhole(const QRect& frame, const QRect& available);

class TWindowPlacement : public QObject {
 public:
  explicit TWindowPlacement(QWidget& window);

  QPoint DesignPosition() const { return design_; }
  // Sets the designed position and places the window there (as above).
  void PlaceAt(QPoint design);
  // Places the window again, for example after its size changed.
  void Place();

  // The frame around the window's client area: its own once known,
  // otherwise the last one seen on any window.
  QMargins FrameMargins() const;
  // The available area of the screen at the designed position.
  QRect AvailableArea() const;
  // The largest client area a window can have there.
  QSize Room() const;

  // Raised when the window's frame became known (or changed) after a
  // showing, before the window is placed again.
  std::function<void()> OnFrameChange;

  // How long after a showing the frame is looked for.
  static constexpr int kSettleMs = 2000;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QScreen* ScreenAtDesign() const;
  // While settling after a showing: takes the window's frame once it shows,
  // and places the window again when it is new.
  void LookForFrame();
  // The frame the window has now, or an empty margin before it is framed.
  QMargins CurrentFrame() const;

  QWidget& window_;
  QPoint design_;
  QMargins own_frame_;
  bool settling_ = false;
  qint64 shown_at_ms_ = 0;
};

}  // namespace vitrix
