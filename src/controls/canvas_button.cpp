#include "controls/canvas_button.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "controls/fonts.h"
#include "picture/graphic.h"
#include "platform/guard.h"

namespace vitrix {
namespace {

// The button keeps its own copy of a picture. Bitmaps share their pixels until
// one side changes them; other kinds are kept as the bitmap they draw.
std::unique_ptr<TGraphic> CopyOfPicture(TGraphic& picture) {
  auto copy = std::make_unique<TBitmap>();
  if (auto* bitmap = dynamic_cast<TBitmap*>(&picture)) {
    copy->Assign(*bitmap);
  } else if (!picture.Empty()) {
    copy->SetSize(picture.Width(), picture.Height());
    picture.DrawTo(copy->Canvas(), Rect(0, 0, picture.Width(), picture.Height()));
  }
  return copy;
}

}  // namespace

TCanvasButton::TCanvasButton(QWidget* parent) : QWidget(parent), font_(GradientButtonFont()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  // Movements are reported while the pointer is over the button, pressed or not.
  setMouseTracking(true);
}

TCanvasButton::~TCanvasButton() = default;

void TCanvasButton::SetColor(TColor value) {
  color_ = value;
  Repaint();
}

void TCanvasButton::SetPicture(TGraphic* value) {
  if (value == nullptr) return;
  picture_ = CopyOfPicture(*value);
  Repaint();
}

void TCanvasButton::SetCaption(std::string value) {
  caption_ = std::move(value);
  Repaint();
}

void TCanvasButton::SetFont(const TFont& value) {
  font_ = value;
  Repaint();
}

void TCanvasButton::SetShowPicture(bool value) {
  show_picture_ = value;
  Repaint();
}

void TCanvasButton::SetCaptionLayout(TCaptionLayout value) {
  caption_layout_ = value;
  Repaint();
}

void TCanvasButton::SetShowCaption(bool value) {
  show_caption_ = value;
  Repaint();
}

void TCanvasButton::SetStretchPicture(bool value) {
  stretch_picture_ = value;
  Repaint();
}

void TCanvasButton::SetPictureLayout(TPictureLayout value) {
  picture_layout_ = value;
  Repaint();
}

void TCanvasButton::SetPaintGradient(bool value) {
  paint_gradient_ = value;
  Repaint();
}

void TCanvasButton::SetGradient(const TDatosGradiante& value) {
  gradient_.Assign(value);
  if (paint_gradient_) Repaint();
}

TButtonFace TCanvasButton::Face() {
  TButtonFace face;
  face.Width = width();
  face.Height = height();
  face.Color = color_;
  face.PaintGradient = paint_gradient_;
  face.Gradient = &gradient_;
  face.Picture = picture_.get();
  face.ShowPicture = show_picture_;
  face.StretchPicture = stretch_picture_;
  face.PictureLayout = picture_layout_;
  face.Caption = caption_;
  face.ShowCaption = show_caption_;
  face.CaptionLayout = caption_layout_;
  face.Font = font_;
  return face;
}

void TCanvasButton::Paint() {
  DrawButtonLook(Canvas(), Face(), TButtonLook::blNormal);
  Raise(OnPaint, this);
}

void TCanvasButton::EraseBackground() {
  look_.SetSize(width(), height());
  const QWidget* under = parentWidget() != nullptr ? parentWidget() : this;
  TSurface& canvas = Canvas();
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = FromQRgb(under->palette().color(under->backgroundRole()).rgb());
  canvas.FillRect(Rect(0, 0, width(), height()));
}

void TCanvasButton::Repaint() {
  EraseBackground();
  Paint();
  ShowLook();
}

// Puts the look as drawn on the screen at once.
void TCanvasButton::ShowLook() {
  if (!isVisible()) return;
  showing_drawn_look_ = true;
  repaint();
  showing_drawn_look_ = false;
}

void TCanvasButton::paintEvent(QPaintEvent* event) {
  // Any other paint (the window was uncovered, the toolkit asked) shows the
  // normal look again, as a redraw of the parent does.
  if (!showing_drawn_look_) {
    Guarded(
        [this] {
          EraseBackground();
          Paint();
        },
        TGuardPlace::gpPaintOrShow);
  }
  QPainter painter(this);
  painter.drawImage(event->rect(), look_.Image(), event->rect());
}

void TCanvasButton::resizeEvent(QResizeEvent*) {
  Guarded(
      [this] {
        EraseBackground();
        Paint();
      },
      TGuardPlace::gpPaintOrShow);
}

void TCanvasButton::LeftButtonDown() {
  // Drawn straight on the surface so that it shows at once; it stays until
  // the next repaint.
  DrawButtonLook(Canvas(), Face(), TButtonLook::blPressed);
  Raise(OnPaint, this);
  ShowLook();
}

void TCanvasButton::LeftButtonUp() {
  if (OnClick) {
    Repaint();
    OnClick(this);
  }
  Raise(OnLeftMouseUp, this);
  Repaint();
}

void TCanvasButton::LeftDoubleClick() { Raise(OnDblClick, this); }

void TCanvasButton::RightButtonDown() { Repaint(); }

void TCanvasButton::RightButtonUp() {
  Raise(OnRightMouseClick, this);
  Raise(OnRightMouseUp, this);
  Repaint();
}

void TCanvasButton::PointerMoved(int32_t x, int32_t y) {
  // The positions travel as signed 16-bit values.
  Raise(OnMouseMove, this, static_cast<int16_t>(x), static_cast<int16_t>(y));
}

TCanvasButton* TCanvasButton::ButtonAt(const QPoint& global) const {
  QWidget* top = window();
  auto* button = qobject_cast<TCanvasButton*>(top->childAt(top->mapFromGlobal(global)));
  if (button == nullptr && top->rect().contains(top->mapFromGlobal(global))) {
    button = qobject_cast<TCanvasButton*>(top);
  }
  if (button == nullptr || !button->isEnabled() || !button->isVisible()) return nullptr;
  return button;
}

void TCanvasButton::mousePressEvent(QMouseEvent* event) {
  event->accept();
  Guarded([&] {
    if (event->button() == Qt::LeftButton) LeftButtonDown();
    if (event->button() == Qt::RightButton) RightButtonDown();
  });
}

// The toolkit sends the release to the button that got the press, wherever
// the pointer is; it belongs to the button under the pointer.
void TCanvasButton::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  Guarded([&] {
    TCanvasButton* target = ButtonAt(event->globalPosition().toPoint());
    if (target == nullptr) return;
    if (event->button() == Qt::LeftButton) target->LeftButtonUp();
    if (event->button() == Qt::RightButton) target->RightButtonUp();
  });
}

// The second press of a double click.
void TCanvasButton::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  Guarded([&] {
    if (event->button() == Qt::LeftButton) LeftDoubleClick();
  });
}

void TCanvasButton::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  Guarded([&] {
    const QPoint global = event->globalPosition().toPoint();
    TCanvasButton* target = ButtonAt(global);
    if (target == nullptr) return;
    const QPoint local = target->mapFromGlobal(global);
    target->PointerMoved(local.x(), local.y());
  });
}

}  // namespace vitrix
