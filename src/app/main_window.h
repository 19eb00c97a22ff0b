#pragma once

// TForm1, the main window: the commands (watch, empty the work folder, copy
// the links), the settings the capture pipeline reads (automatic preview,
// action, JPEG quality), the links box and the status line. Creating it sets
// up the work folder and opens the journal; closing it ends the program.

#include <QWidget>
#include <chrono>
#include <cstdint>
#include <string>

#include "app/anti_freeze.h"
#include "app/capture_pipeline.h"
#include "app/capture_ports.h"
#include "app/capture_services.h"
#include "app/journal.h"
#include "http/http_client.h"
#include "picture/types.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vitrix {

class TCanvasButton;
class TMemo;
class TRadioGroup;
class TStatusBar;
class TTimer;
class TUpDown;

// The status texts, all shown in green.
inline constexpr const char* kStatusFolderOk = "Dossier ok";
inline constexpr const char* kStatusWatchOn = "Surveillance en cours";
inline constexpr const char* kStatusWatchOff =
    "Surveillance termin\xE9"
    "e";
// The watch is on, and another program (the desktop's screenshot tool) holds
// Print Screen: its picture is awaited on the clipboard after each press.
inline constexpr const char* kStatusWatchOnHeldElsewhere =
    "Surveillance en cours : Impr. \xE9"
    "cran g\xE9r\xE9 par un autre programme";
// In red: a press brought no picture from that program within the wait.
inline constexpr const char* kStatusNoPictureCame =
    "Aucune image : l'autre programme doit copier dans le presse papier";
// The status line's tip for each of the two: what is going on, at length.
inline constexpr const char* kHintHeldElsewhere =
    "Un autre programme (l'outil de capture du bureau) prend la touche Impr. \xE9"
    "cran : "
    "vitrix prend l'image que ce programme copie dans le presse papier apr\xE8s chaque appui";
inline constexpr const char* kHintNoPictureCame =
    "Impr. \xE9"
    "cran a \xE9t\xE9 press\xE9"
    "e, mais aucune image n'est arriv\xE9"
    "e dans le presse papier. "
    "Le programme qui g\xE8re la touche enregistre sa capture dans un fichier, ou n'est pas install\xE9 : "
    "r\xE9glez-le pour qu'il copie sa capture dans le presse papier";

// The window is the capture pipeline's status line, links box and source of
// settings; its handlers of the pipeline's steps hand them to it.
class TForm1 : public QWidget, private ICaptureWindow, private IStatusLine, private ILinksBox {
 public:
  // Builds the controls, then runs FormCreate; an error there is shown in the
  // error box and the window is still made.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The controls, owned by the window.
  TCanvasButton* Bout1 = nullptr;          // the watch switch
  TCanvasButton* zap = nullptr;            // empties the work folder
  TCanvasButton* CanvasButton1 = nullptr;  // copies the links box to the clipboard
  QCheckBox* prevauto = nullptr;           // show each capture without asking first
  TRadioGroup* cg = nullptr;               // what to do with a capture, 0..3
  QLineEdit* acjpg = nullptr;              // shows the JPEG quality
  TUpDown* cjpg = nullptr;                 // the JPEG quality, 1..100
  QLabel* Label2 = nullptr;
  QLabel* Label1 = nullptr;
  TMemo* affurl = nullptr;        // the links box
  TStatusBar* Statusb = nullptr;  // panel 0 is the status line
  TTimer* Timer1 = nullptr;       // the watch: 50 ms, off at start
  // The HTTP client of the uploads. It lives as long as the window, so the
  // host's cookies and the last reply carry over from one upload to the next.
  TNetHTTP but;

  // The work folder (ends with the separator) and the journal, open from
  // start-up to the window's closing.
  std::string dossiertravail;
  TJournal journal;

  // The handlers.
  void FormCreate(QObject* Sender);
  void FormShow(QObject* Sender);
  void FormClose(QObject* Sender);
  void Bout1Click(QObject* Sender);
  void zapClick(QObject* Sender);
  void CanvasButton1Click(QObject* Sender);
  void cjpgChanging(QObject* Sender, bool& AllowChange, int32_t NewPosition);
  void Timer1Timer(QObject* Sender);

  // The watch tick and the steps of the capture pipeline, which does the
  // work (capture_pipeline.h): one tick; show the editor; save the capture;
  // upload it (true when the host gave a forum tag).
  void UtilisationGetKeyState();
  void voirimage();
  void sauvegardeimage();
  bool poster();

  // The capture pipeline, which holds the last capture saved (nomimage).
  TCapturePipeline& Pipeline() { return pipeline_; }

  // Shows a message in the status line, in the given colour.
  void addstatus(const std::string& message, TColor color);
  // While the network is waited for, the status line adds how long the
  // current step has waited.
  void RefreshWaitingStatus();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  // The status line while the watch is on and no press went wrong.
  void ShowWatchOn();

  // What the capture pipeline reads and writes here.
  bool AutoPreview() const override;
  int Action() const override;
  int Quality() const override;
  void RestoreFromMinimised() override;
  void SetWatchTimer(bool enabled) override;
  void ShowStatus(const std::string& message, TColor color) override;
  void AddLine(const std::string& line) override;
  void CopyAllToClipboard() override;

  // Another program held Print Screen when the watch went on.
  bool key_held_elsewhere_ = false;
  // The watch's own status text for the way it was started, if any.
  const char* watch_message_ = nullptr;
  // The status line says that a press brought no picture.
  bool no_picture_shown_ = false;
  // The window goes on painting while the uploads wait on the network.
  TAntiFreeze antifreeze_;
  std::string status_text_;
  std::chrono::steady_clock::time_point status_shown_at_{};

  TEditorForm editor_;
  TWorkFolderCaptures captures_{dossiertravail};
  TImageHostUpload host_{but};
  TCapturePipeline pipeline_{{.Editor = editor_,
                              .Folder = captures_,
                              .Host = host_,
                              .Window = *this,
                              .Status = *this,
                              .Links = *this,
                              .Journal = journal}};
};

// The main window of the running program.
extern TForm1* Form1;

}  // namespace vitrix
