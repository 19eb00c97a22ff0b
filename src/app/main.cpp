// vitrix: takes Print Screen captures from the clipboard, lets the user mask
// them, saves them as JPEG files and hosts them for forum posts.
#include <QImage>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/main_window.h"
#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "platform/application.h"
#include "platform/guard.h"

namespace {

// For developers and testers only: with VITRIX_OPEN_PICTURE naming a picture
// file (PNG, JPEG, BMP...), the editor opens on it once the main window is
// up, as it would on a capture.
void OpenPictureForDevelopers(const char* path) {
  const QImage image(QString::fromLocal8Bit(path));
  if (image.isNull()) {
    std::fprintf(stderr, "vitrix: VITRIX_OPEN_PICTURE: cannot read %s\n", path);
    return;
  }
  auto bitmap = std::make_unique<vitrix::TBitmap>();
  bitmap->SetImage(image);
  vitrix::Form2->Image1->Picture().SetGraphic(std::move(bitmap));
  vitrix::Form1->voirimage();
}

}  // namespace

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
  if (const char* picture = std::getenv("VITRIX_OPEN_PICTURE"); picture != nullptr && *picture != '\0') {
    QTimer::singleShot(0, &form1, [picture] { vitrix::Guarded([picture] { OpenPictureForDevelopers(picture); }); });
  }
  return app.exec();
}
