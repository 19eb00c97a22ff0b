#include "controls/fonts.h"

#include <QWidget>

namespace vitrix {

TFont WindowFont() {
  TFont font;
  font.Name = "MS Sans Serif";
  font.Height = -11;
  font.Size = 8;
  return font;
}

void SetWindowFont(QWidget& window) { window.setFont(ToQFont(WindowFont())); }

TFont GradientButtonFont() {
  TFont font;
  font.Size = 10;
  font.Height = -13;
  font.Bold = true;
  font.Color = clWhite;
  return font;
}

TFont CommandButtonFont(int height) {
  TFont font = WindowFont();
  font.Height = height;
  font.Bold = true;
  font.Color = clWhite;
  return font;
}

}  // namespace vitrix
