#pragma once

// TForm1, the main window: the commands (watch, empty the work folder, copy
// the links), the settings the capture pipeline reads (automatic preview,
// action, JPEG quality), the links box and the status line. Creating it sets
// up the work folder and opens the journal; closing it ends the program.

#include <QWidget>
#include <cstdint>
#include <string>

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
inline constexpr const char* kStatusWatchOff = "Surveillance termin\xE9" "e";

// The question asked before showing a capture when automatic preview is off.
inline constexpr const char* kPreviewQuestion = "Voulez vous voir l'image contenue dans le presse papier";
inline constexpr const char* kPreviewCaption = "Image du presse papier";
// Said on a save when start-up could not settle the work folder.
inline constexpr const char* kNoWorkFolderError =
    "Pas de dossier de travail : l'image n'est pas sauvegard\xE9" "e";
// Said when the upload-only action could not host the capture: its file is
// kept.
inline constexpr const char* kNotHostedKeptPrefix =
    "L'image n'a pas pu \xEAtre h\xE9" "berg\xE9" "e ; elle reste enregistr\xE9" "e sous le nom ";

class TForm1 : public QWidget {
 public:
  // Builds the controls, then runs FormCreate; an error there is shown in the
  // error box and the window is still made.
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // The controls, owned by the window.
  TCanvasButton* Bout1;          // the watch switch
  TCanvasButton* zap;            // empties the work folder
  TCanvasButton* CanvasButton1;  // copies the links box to the clipboard
  QCheckBox* prevauto;           // show each capture without asking first
  TRadioGroup* cg;               // what to do with a capture, 0..3
  QLineEdit* acjpg;              // shows the JPEG quality
  TUpDown* cjpg;                 // the JPEG quality, 1..100
  QLabel* Label2;
  QLabel* Label1;
  TMemo* affurl;       // the links box
  TStatusBar* Statusb;  // panel 0 is the status line
  TTimer* Timer1;       // the watch: 50 ms, off at start
  // The HTTP client of the uploads. It lives as long as the window, so the
  // host's cookies and the last reply carry over from one upload to the next.
  TNetHTTP but;

  // The work folder (ends with the separator), the last capture saved, and the
  // journal, open from start-up to the window's closing.
  std::string dossiertravail;
  std::string nomimage;
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

  // One tick of the watch: when Print Screen is down and the clipboard offers
  // a bitmap, the bitmap becomes the capture, is shown (at once or after a
  // question) and is saved, uploaded and deleted as cg says. The timer is off
  // from the press seen to the end of the tick; an error ends the tick in the
  // error box, and the watch goes on once the box is closed.
  void UtilisationGetKeyState();

  // Shows the capture editor modally at the screen's top-left corner;
  // returns when the user closed it.
  void voirimage();
  // Saves the editor's picture as the next numbered JPEG file of the work
  // folder at the chosen quality, and says under which name.
  void sauvegardeimage();
  // Uploads the capture saved as nomimage to the image host and appends its
  // forum tag (or kNoImageAddress) to the links box, whose whole
  // text then goes to the clipboard. The phases show in the status line; the
  // redirects met go to the journal. True when the upload gave a forum tag.
  bool poster();

  // Shows a message in the status line, in the given colour.
  void addstatus(const std::string& message, TColor color);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  // The steps of a tick that run with the clipboard held.
  void TakeCapture();
  void RestoreFromMinimised();
  void ImportCapture();
  void Preview();
  void RunAction();
};

// The main window of the running program.
extern TForm1* Form1;

}  // namespace vitrix
