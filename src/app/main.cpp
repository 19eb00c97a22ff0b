// vitrix: takes Print Screen captures from the clipboard, lets the user mask
// them, saves them as JPEG files and hosts them for forum posts.
#include <QByteArray>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/command_line.h"
#include "app/main_window.h"
#include "app/program_icon.h"
#include "controls/status_bar.h"
#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "editor/toolbox.h"
#include "picture/bitmap.h"
#include "platform/application.h"
#include "platform/dialogs.h"
#include "platform/guard.h"
#include "platform/single_instance.h"
#include "platform/window_forward.h"
#include "platform/x11_display.h"
#include "rtl/cp1252.h"

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

// For developers and testers only: with VITRIX_STATUS_LOG naming a file,
// each text the status line paints is appended to it (UTF-8, one line each,
// after the colour as RRGGBB), once per change, so that a script can follow
// what the user is told.
class TStatusLog final : public QObject {
 public:
  TStatusLog(vitrix::TStatusBar& bar, const char* path) : bar_(bar), file_(QString::fromLocal8Bit(path)) {
    file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    bar.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &bar_ && event->type() == QEvent::Paint && file_.isOpen()) {
      const vitrix::TColor color = bar_.FontColor();
      const std::string line = QStringLiteral("%1%2%3 ")
                                   .arg(vitrix::GetRValue(color), 2, 16, QLatin1Char('0'))
                                   .arg(vitrix::GetGValue(color), 2, 16, QLatin1Char('0'))
                                   .arg(vitrix::GetBValue(color), 2, 16, QLatin1Char('0'))
                                   .toStdString() +
                               vitrix::Cp1252ToUtf8(bar_.PanelText(0)) + "\n";
      if (line != last_) file_.write(line.data(), static_cast<qint64>(line.size()));
      last_ = line;
    }
    return false;
  }

 private:
  vitrix::TStatusBar& bar_;
  QFile file_;
  std::string last_;
};

// Writes a text of the program (Windows-1252) for the terminal, which reads
// UTF-8; false when it could not be written.
bool Say(std::FILE* stream, const std::string& text) {
  const std::string bytes = vitrix::Cp1252ToUtf8(text);
  return std::fputs(bytes.c_str(), stream) >= 0 && std::fflush(stream) == 0;
}

// A second start on a display that vitrix already watches: both would take
// every capture, and the second would find the journal in use. It says so,
// hands over to the running one and ends, leaving the work folder alone.
constexpr const char* kAlreadyRunningText =
    "vitrix est d\xE9j\xE0 lanc\xE9 sur cet \xE9"
    "cran : une seule surveillance \xE0 la fois. "
    "Sa fen\xEAtre principale va \xEAtre ramen\xE9"
    "e au premier plan.";
constexpr const char* kUnreachableText =
    "vitrix : la fen\xEAtre de l'instance d\xE9j\xE0 lanc\xE9"
    "e n'a pas pu \xEAtre ramen\xE9"
    "e au premier plan.\n";
constexpr const char* kUncheckedText =
    "vitrix : pas de dossier priv\xE9 pour le verrou d'instance ($XDG_RUNTIME_DIR ou /tmp/vitrix-<uid>) ; "
    "un deuxi\xE8me lancement ne sera pas d\xE9tect\xE9.\n";

int SecondStart(const vitrix::TSingleInstance& instance) {
  Say(stderr, std::string(kAlreadyRunningText) + "\n");
  vitrix::ShowMessage(kAlreadyRunningText);
  if (!instance.AskRunningToComeForward()) Say(stderr, kUnreachableText);
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  // The options print and end before anything else starts.
  const vitrix::TStartRequest request = vitrix::ParseCommandLine(argc, argv);
  switch (request.Action) {
    case vitrix::TStartAction::saHelp:
    case vitrix::TStartAction::saVersion: return Say(stdout, request.Text) ? EXIT_SUCCESS : EXIT_FAILURE;
    case vitrix::TStartAction::saUsageError: Say(stderr, request.Text); return vitrix::kExitUsage;
    case vitrix::TStartAction::saRun: break;
  }

  // The watch reads the X keyboard and clipboard: the program runs on X
  // (through XWayland in a Wayland session) unless told otherwise. Qt aborts
  // when it cannot reach the display, so the display is tried first.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
  if (qgetenv("QT_QPA_PLATFORM").startsWith("xcb")) {
    const vitrix::TXDisplayState display = vitrix::ProbeXDisplay();
    if (display != vitrix::TXDisplayState::xdReachable) {
      Say(stderr, vitrix::NoDisplayMessage(display, vitrix::XDisplayName()));
      return vitrix::kExitNoDisplay;
    }
  }

  vitrix::TApplication app(argc, argv);
  // The name is also the windows' class (WM_CLASS), which the desktop entry's
  // StartupWMClass names.
  vitrix::TApplication::setApplicationName(QStringLiteral("vitrix"));
  vitrix::TApplication::setDesktopFileName(QStringLiteral("vitrix"));
  vitrix::TApplication::setWindowIcon(vitrix::ProgramIcon());
  // One watch per user and display, settled before the main window sets up
  // the work folder and opens the journal.
  const std::string display = vitrix::InstanceDisplayName();
  vitrix::TSingleInstance instance(vitrix::InstanceFolder(), display);
  if (!display.empty()) {
    switch (instance.Start()) {
      case vitrix::TInstanceStart::isAlreadyRunning: return SecondStart(instance);
      case vitrix::TInstanceStart::isUnchecked: Say(stderr, kUncheckedText); break;
      case vitrix::TInstanceStart::isOnly: break;
    }
  }
  // The three windows, in this order; only the main window shows at start and
  // closing it ends the program.
  vitrix::TForm1 form1;
  vitrix::Form1 = &form1;
  vitrix::TForm2 form2;
  vitrix::Form2 = &form2;
  vitrix::TForm3 form3;
  vitrix::Form3 = &form3;
  std::unique_ptr<TStatusLog> status_log;
  if (const char* path = std::getenv("VITRIX_STATUS_LOG"); path != nullptr && *path != '\0') {
    status_log = std::make_unique<TStatusLog>(*form1.Statusb, path);
  }
  form1.show();
  instance.OnComeForward = [&form1] { vitrix::BringWindowForward(form1); };
  if (const char* picture = std::getenv("VITRIX_OPEN_PICTURE"); picture != nullptr && *picture != '\0') {
    QTimer::singleShot(0, &form1, [picture] { vitrix::Guarded([picture] { OpenPictureForDevelopers(picture); }); });
  }
  return QApplication::exec();
}
