#pragma once

// TStatusBar: a bar of text panels along the bottom of a window. Each panel
// has a width; the last one also takes what is left of the bar.

#include <QWidget>
#include <string>
#include <vector>

#include "picture/types.h"

namespace vitrix {

struct TStatusPanel {
  int Width = 50;
  std::string Text;  // Windows-1252
};

class TStatusBar : public QWidget {
 public:
  explicit TStatusBar(QWidget* parent = nullptr);

  void SetPanels(std::vector<TStatusPanel> panels);
  int PanelCount() const { return static_cast<int>(panels_.size()); }
  const std::string& PanelText(int index) const { return panels_.at(static_cast<std::size_t>(index)).Text; }
  void SetPanelText(int index, std::string text);
  // The colour of every panel's text.
  TColor FontColor() const { return font_color_; }
  void SetFontColor(TColor color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<TStatusPanel> panels_;
  TColor font_color_ = clBlack;
};

}  // namespace vitrix
