// vitrix: takes Print Screen captures from the clipboard, lets the user mask
// them, saves them as JPEG files and hosts them for forum posts.
#include "app/main_window.h"
#include "editor/capture_editor.h"
#include "editor/toolbox.h"
#include "platform/application.h"

int main(int argc, char** argv) {
  vitrix::TApplication app(argc, argv);
  vitrix::TApplication::setApplicationName(QStringLiteral("vitrix"));
  // The three windows, in this order; only the main window shows at start and
  // closing it ends the program.
  vitrix::TForm1 form1;
  vitrix::Form1 = &form1;
  vitrix::TForm2 form2;
  vitrix::Form2 = &form2;
  vitrix::TForm3 form3;
  vitrix::Form3 = &form3;
  form1.show();
  return app.exec();
}
