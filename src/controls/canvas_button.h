#pragma once

// TCanvasButton: a button that draws itself completely (a flat colour or a
// banded gradient, an optional picture, a caption and a bevel that turns
// inside out while the left button is held down) and reports pointer actions
// through events of its own.
//
// The button renders its look into a bitmap through a drawing surface; the
// widget only copies that bitmap to the screen. Its pointer rules are those
// of a control drawn on its parent: a release is handled by the button under
// the pointer at that moment, whichever button got the press.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/canvas_button_look.h"
#include "controls/datos_gradiante.h"
#include "controls/events.h"
#include "picture/bitmap.h"
#include "picture/surface.h"

namespace vitrix {

class TGraphic;

// X and Y are relative to the button.
using TMouseMoveEventCanvasButton = std::function<void(QObject* Sender, int32_t X, int32_t Y)>;

class TCanvasButton : public QWidget {
  Q_OBJECT

 public:
  explicit TCanvasButton(QWidget* parent = nullptr);
  ~TCanvasButton() override;

  // Every setter below stores and repaints (without comparing with the old
  // value) unless it says otherwise. Changes made inside an owned object (a
  // font attribute, a gradient setting) do not repaint.
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  // The picture is a copy owned by the button. Setting nothing (nullptr)
  // keeps the current picture.
  TGraphic* Picture() const { return picture_.get(); }
  void SetPicture(TGraphic* value);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& value);
  bool ShowPicture() const { return show_picture_; }
  void SetShowPicture(bool value);
  TCaptionLayout CaptionLayout() const { return caption_layout_; }
  void SetCaptionLayout(TCaptionLayout value);
  bool ShowCaption() const { return show_caption_; }
  void SetShowCaption(bool value);
  bool StretchPicture() const { return stretch_picture_; }
  void SetStretchPicture(bool value);
  TPictureLayout PictureLayout() const { return picture_layout_; }
  void SetPictureLayout(TPictureLayout value);
  bool PaintGradient() const { return paint_gradient_; }
  void SetPaintGradient(bool value);
  TDatosGradiante& Gradient() { return gradient_; }
  const TDatosGradiante& Gradient() const { return gradient_; }
  // Copies the four settings; repaints only when the gradient is painted.
  void SetGradient(const TDatosGradiante& value);

  TNotifyEvent OnClick;
  TMouseMoveEventCanvasButton OnMouseMove;
  TNotifyEvent OnRightMouseClick;
  TNotifyEvent OnLeftMouseUp;
  TNotifyEvent OnRightMouseUp;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnPaint;

  void SetBounds(int left, int top, int width, int height) { setGeometry(left, top, width, height); }

  // Redraws the button at once: the parent's background under it, then Paint.
  void Repaint();
  // The normal look, drawn over what the surface holds, then OnPaint.
  virtual void Paint();
  // The surface the button draws on, and what it shows.
  TSurface& Canvas() { return look_.Canvas(); }
  const TBitmap& Look() const { return look_; }

  // The pointer actions, as the toolkit's events reach them.
  void LeftButtonDown();
  void LeftButtonUp();
  void LeftDoubleClick();
  void RightButtonDown();
  void RightButtonUp();
  void PointerMoved(int32_t x, int32_t y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  TButtonFace Face();
  void EraseBackground();
  void ShowLook();
  // The enabled gradient button under a point of the screen, if any.
  TCanvasButton* ButtonAt(const QPoint& global) const;

  TColor color_ = clDarkBlue;
  std::unique_ptr<TGraphic> picture_;
  std::string caption_;
  TFont font_;
  bool show_picture_ = false;
  TCaptionLayout caption_layout_ = TCaptionLayout::ClCenter;
  bool show_caption_ = true;
  bool stretch_picture_ = true;
  TPictureLayout picture_layout_ = TPictureLayout::PLCenterTop;
  bool paint_gradient_ = false;
  TDatosGradiante gradient_;

  TBitmap look_;
  // Set while the widget shows a look drawn directly (the pressed look), so
  // that the paint event copies it instead of drawing the normal look.
  bool showing_drawn_look_ = false;
};

}  // namespace vitrix
