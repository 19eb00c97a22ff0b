#include "controls/status_bar.h"

#include <qdrawutil.h>
#include <QPainter>

#include "platform/qt_text.h"

namespace vitrix {
namespace {

constexpr int kTextIndent = 3;

}  // namespace

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void TStatusBar::SetPanels(std::vector<TStatusPanel> panels) {
  panels_ = std::move(panels);
  update();
}

void TStatusBar::SetPanelText(int index, std::string text) {
  panels_.at(static_cast<std::size_t>(index)).Text = std::move(text);
  update();
}

void TStatusBar::SetFontColor(TColor color) {
  font_color_ = color;
  update();
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(QColor::fromRgb(ToQRgb(font_color_)));
  int left = 0;
  for (std::size_t i = 0; i < panels_.size(); ++i) {
    const bool last = i + 1 == panels_.size();
    const int right = last ? width() : left + panels_[i].Width;
    const QRect frame(left, 2, right - left - 2, height() - 2);
    qDrawShadePanel(&painter, frame, palette(), /*sunken=*/true, 1);
    painter.drawText(frame.adjusted(kTextIndent, 0, -kTextIndent, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     ToQString(panels_[i].Text));
    left = right;
  }
}

}  // namespace vitrix
