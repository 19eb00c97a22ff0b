#pragma once

// The application object of the program. Every handler guards itself; this one
// is the last net under them: an exception that still reaches the event
// dispatch is reported like any other instead of ending the program.

#include <QApplication>
#include <QTranslator>

namespace vitrix {

class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // True when Qt's own French texts (dialog buttons, the colour chooser) were
  // found and installed.
  bool HasFrenchToolkitTexts() const { return french_loaded_; }

 private:
  QTranslator french_;
  bool french_loaded_ = false;
};

}  // namespace vitrix
