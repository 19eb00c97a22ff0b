#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QShowEvent>

#include "app/work_folder.h"
#include "controls/canvas_button.h"
#include "controls/fonts.h"
#include "controls/memo.h"
#include "controls/radio_group.h"
#include "controls/status_bar.h"
#include "controls/timer.h"
#include "controls/up_down.h"
#include "controls/window_placement.h"
#include "platform/documents_folder.h"
#include "platform/guard.h"
#include "platform/print_screen.h"
#include "platform/qt_text.h"
#include "publish/upload.h"
#include "rtl/strings.h"

namespace vitrix {

TForm1* Form1 = nullptr;

namespace {

// The window's client area; with the frame it is 509 x 272.
constexpr int kClientWidth = 501;
constexpr int kClientHeight = 245;
constexpr int kStatusBarHeight = 19;
constexpr int kWatchInterval = 50;
constexpr int32_t kQualityAtShow = 95;

struct TGradientButtonSpec {
  int Left, Top, Width, Height;
  const char* Caption;
  int FontHeight;
  TColor Color;
  TColor BeginColor;
  TColor EndColor;
};

// The three command buttons: a horizontal gradient of 255 colours under a
// centred caption in white bold, no picture.
TCanvasButton* MakeGradientButton(QWidget* parent, const TGradientButtonSpec& spec) {
  auto* button = new TCanvasButton(parent);
  button->SetBounds(spec.Left, spec.Top, spec.Width, spec.Height);
  button->Font() = CommandButtonFont(spec.FontHeight);
  button->Gradient().SetBeginColor(spec.BeginColor);
  button->Gradient().SetEndColor(spec.EndColor);
  button->Gradient().SetDirection(TDireccionG::dHorizontal);
  button->Gradient().SetColorCount(255);
  button->SetColor(spec.Color);
  button->SetPaintGradient(true);
  button->SetCaption(spec.Caption);
  return button;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
  CreateControls();
  antifreeze_.OnIdle = [this] { RefreshWaitingStatus(); };
  antifreeze_.SetActive(true);
  Guarded([this] { FormCreate(this); });
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::CreateControls() {
  setWindowTitle(
      ToQString("upload d'image et r\xE9"
                "cup\xE9"
                "ration d'URL pour forum"));
  SetWindowFont(*this);
  resize(kClientWidth, kClientHeight);
  // The designed place, unless the window would not be whole on the screen
  // there (a small or scaled screen).
  (new TWindowPlacement(*this))->PlaceAt(QPoint(339, 248));

  Bout1 = MakeGradientButton(this, {0, 0, 161, 25, "Activer la surveillance", -11, clGreen, clGreen, clSilver});
  zap = MakeGradientButton(this, {168, 0, 137, 25, "Vider le dossier travail", -8, clDarkBlue, clSilver, clBlack});
  CanvasButton1 =
      MakeGradientButton(this, {312, 0, 169, 25, "Copier dans le presse papier", -8, clDarkBlue, clBlue, clAqua});
  Bout1->OnClick = [this](QObject* sender) { Bout1Click(sender); };
  zap->OnClick = [this](QObject* sender) { zapClick(sender); };
  CanvasButton1->OnClick = [this](QObject* sender) { CanvasButton1Click(sender); };

  prevauto = new QCheckBox(ToQString("Pr\xE9visualisation Automatique"), this);
  prevauto->setGeometry(8, 40, 217, 17);
  prevauto->setChecked(true);

  cg = new TRadioGroup(this);
  cg->SetBounds(272, 32, 185, 73);
  cg->SetItems({"Pas d'action", "Sauvegader",
                "Sauvegarder et h\xE9"
                "berger",
                "H\xE9"
                "berger uniquement"});
  cg->SetItemIndex(0);

  acjpg = new QLineEdit(this);
  acjpg->setGeometry(8, 66, 33, 21);
  acjpg->setReadOnly(true);
  acjpg->installEventFilter(this);

  cjpg = new TUpDown(this);
  cjpg->SetBounds(48, 64, 17, 25);
  cjpg->SetMin(1);
  cjpg->SetMax(100);
  cjpg->SetIncrement(1);
  cjpg->SetPosition(90);
  cjpg->OnChanging = [this](QObject* sender, bool& allow, int32_t next) { cjpgChanging(sender, allow, next); };

  Label2 = new QLabel(ToQString("Taux de compression jpg"), this);
  Label2->move(72, 72);
  Label2->adjustSize();
  Label1 = new QLabel(ToQString("Vos liens images pour le forum"), this);
  Label1->move(8, 96);
  Label1->adjustSize();

  affurl = new TMemo(this);
  affurl->SetBounds(8, 120, 473, 89);
  affurl->SetText("affurl");

  Statusb = new TStatusBar(this);
  Statusb->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
  Statusb->SetPanels({{350, ""},
                      {150,
                       "Impr. \xE9"
                       "cran = capture"}});

  Timer1 = new TTimer(this);
  Timer1->SetInterval(kWatchInterval);
  Timer1->OnTimer = [this](QObject* sender) { Timer1Timer(sender); };

  ConfigureUploadClient(but);
}

void TForm1::FormCreate(QObject*) {
  dossiertravail = WorkFolderPath(DocumentsFolder().Path());
  EnsureWorkFolder(dossiertravail);
  affurl->Clear();
  addstatus(kStatusFolderOk, clGreen);
  journal.Open(dossiertravail + kJournalName);
  journal.WriteStampedLine(
      "D\xE9"
      "but travail le ");
}

void TForm1::FormClose(QObject*) {
  journal.WriteStampedLine("Fin travail le ");
  journal.Close();
}

void TForm1::addstatus(const std::string& message, TColor color) {
  Statusb->SetFontColor(color);
  Statusb->SetPanelText(0, message);
  status_text_ = message;
  status_shown_at_ = std::chrono::steady_clock::now();
}

void TForm1::RefreshWaitingStatus() {
  if (status_text_.empty()) return;
  const auto waited = std::chrono::steady_clock::now() - status_shown_at_;
  const std::string text =
      WaitingStatusText(status_text_, std::chrono::duration_cast<std::chrono::milliseconds>(waited).count());
  if (text != Statusb->PanelText(0)) Statusb->SetPanelText(0, text);
}

void TForm1::Bout1Click(QObject*) {
  if (!Timer1->Enabled()) {
    // Without a readable keyboard the watch would never see a press: it stays
    // off and the status line says why.
    const TPrintScreenStart start = PrintScreen().Start();
    if (const char* blind = PrintScreenStartMessage(start)) {
      addstatus(blind, clRed);
      return;
    }
    key_held_elsewhere_ = start == TPrintScreenStart::psHeldByOtherProgram;
    // In a Wayland session the status line says how a capture reaches us.
    watch_message_ = PrintScreenWatchMessage(start);
    // The new begin colour shows with the caption change that repaints.
    Bout1->Gradient().SetBeginColor(clRed);
    Timer1->SetEnabled(true);
    Bout1->SetCaption(
        "D\xE9"
        "sactiver la surveillance");
    ShowWatchOn();
  } else {
    Bout1->Gradient().SetBeginColor(clGreen);
    Timer1->SetEnabled(false);
    PrintScreen().Stop();
    Bout1->SetCaption("Activer la surveillance");
    addstatus(kStatusWatchOff, clGreen);
    Statusb->setToolTip({});
    no_picture_shown_ = false;
  }
}

// When another program holds the key, the user learns it at once: a press
// then depends on that program putting its picture on the clipboard.
void TForm1::ShowWatchOn() {
  const char* watching = watch_message_ != nullptr ? watch_message_ : kStatusWatchOn;
  addstatus(key_held_elsewhere_ ? kStatusWatchOnHeldElsewhere : watching, clGreen);
  Statusb->setToolTip(key_held_elsewhere_ ? ToQString(kHintHeldElsewhere) : QString());
  no_picture_shown_ = false;
}

void TForm1::zapClick(QObject*) {
  journal.WriteStampedLine("Nettoyage du dossier ");
  EmptyWorkFolder(dossiertravail);
}

void TForm1::CanvasButton1Click(QObject*) { CopyAllToClipboard(); }

void TForm1::FormShow(QObject*) {
  cjpg->SetPosition(kQualityAtShow);
  acjpg->setText(ToQString(IntToStr(cjpg->Position())));
}

// The field shows the position the click is moving to.
void TForm1::cjpgChanging(QObject*, bool&, int32_t NewPosition) { acjpg->setText(ToQString(IntToStr(NewPosition))); }

// After the tick: a press the other program answered with no picture is
// said in the status line, until the next press brings one or the watch
// goes off.
void TForm1::Timer1Timer(QObject*) {
  UtilisationGetKeyState();
  if (PrintScreen().PressWithoutPicture()) {
    addstatus(kStatusNoPictureCame, clRed);
    Statusb->setToolTip(ToQString(kHintNoPictureCame));
    no_picture_shown_ = true;
  }
}

void TForm1::UtilisationGetKeyState() { pipeline_.UtilisationGetKeyState(); }
void TForm1::voirimage() { pipeline_.voirimage(); }
void TForm1::sauvegardeimage() { pipeline_.sauvegardeimage(); }
bool TForm1::poster() { return pipeline_.poster(); }

bool TForm1::AutoPreview() const { return prevauto->isChecked(); }
int TForm1::Action() const { return cg->ItemIndex(); }
int TForm1::Quality() const { return cjpg->Position(); }

void TForm1::RestoreFromMinimised() {
  if (!isMinimized()) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
}

// The timer is paused when a press brought its picture: a notice that an
// earlier press brought none no longer holds.
void TForm1::SetWatchTimer(bool enabled) {
  if (!enabled && no_picture_shown_) ShowWatchOn();
  Timer1->SetEnabled(enabled);
}

// The window takes no input while the host is asked; the text is painted now
// so that a slow host shows where the upload waits.
void TForm1::ShowStatus(const std::string& message, TColor color) {
  addstatus(message, color);
  Statusb->repaint();
}

void TForm1::AddLine(const std::string& line) { affurl->AddLine(line); }

void TForm1::CopyAllToClipboard() {
  affurl->SelectAll();
  affurl->CopyToClipboard();
}

// A window restored from the task bar gets a show event too, sent by the
// window system (spontaneous): only the program's own showing counts.
void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;
  Guarded([this] { FormShow(this); }, TGuardPlace::gpPaintOrShow);
}

// The end line is written even when the journal cannot take it: the error is
// shown and the window closes all the same, or the program could never end.
void TForm1::closeEvent(QCloseEvent* event) {
  Guarded([this] { FormClose(this); });
  event->accept();
}

// The status bar stays along the bottom edge when the window is resized.
void TForm1::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Statusb->setGeometry(0, height() - kStatusBarHeight, width(), kStatusBarHeight);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == acjpg && event->type() == QEvent::MouseButtonDblClick) {
    Guarded([this] { FormShow(acjpg); });
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vitrix
