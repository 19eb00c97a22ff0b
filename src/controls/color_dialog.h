#pragma once

// TColorDialog: the colour chooser as a component of a window. Execute shows
// Qt's colour dialog modally, preset to Color, with the component's sixteen
// custom colours; confirming it takes the chosen colour and keeps the custom
// colours for the next run of the dialog, cancelling changes neither.
//
// The custom colours live in this component for as long as the program runs,
// and nowhere else: Qt would otherwise read them from, and write them to, the
// user settings file that every Qt program shares, even after a Cancel.

#include <QObject>
#include <array>

#include "controls/events.h"
#include "picture/types.h"

namespace vitrix {

class TColorDialog : public QObject {
 public:
  static constexpr int kCustomColorCount = 16;
  using TCustomColors = std::array<TColor, kCustomColorCount>;
  // An unset custom colour shows as white.
  static constexpr TColor kUnsetCustomColor = clWhite;

  explicit TColorDialog(QObject* parent = nullptr);

  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }
  const TCustomColors& CustomColors() const { return custom_; }

  // Runs the dialog and returns whether it was confirmed. Once the dialog has
  // gone, OnClose is raised (before Execute returns), however it closed.
  bool Execute();

  TNotifyEvent OnClose;

 private:
  TColor color_ = clBlack;
  TCustomColors custom_{};
};

}  // namespace vitrix
