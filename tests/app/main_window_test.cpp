#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "controls/canvas_button.h"
#include "controls/memo.h"
#include "controls/radio_group.h"
#include "controls/status_bar.h"
#include "controls/timer.h"
#include "controls/up_down.h"
#include "editor/capture_editor.h"
#include "editor/toolbox.h"
#include "platform/qt_text.h"
#include "platform/testing/scripted_clock.h"
#include "platform/testing/scripted_dialogs.h"
#include "platform/testing/scripted_documents_folder.h"
#include "platform/testing/scripted_print_screen.h"
#include "platform/testing/scripted_text_clipboard.h"
#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "support/temp_dir.h"
#include "test_desktop.h"

namespace vitrix {
namespace {

using Texts = std::vector<std::string>;

// A main window over a documents folder in a temporary home, with scripted
// dialogs, clock and clipboard.
class MainWindowTest : public ::testing::Test {
 protected:
  std::string WorkFolder() const { return desktop_.documents + "/vitrix/"; }
  std::string Journal() const { return test::ReadWholeFile(WorkFolder() + "vitrix.log"); }
  static std::string Line(const char* text, TDateTime when) { return StampedLine(text, when) + "\r\n"; }

  test::TestDesktop desktop_;
  const TDateTime start_ = EncodeDate(2026, 12, 6) + EncodeTime(20, 15, 38, 0);
  TFixedClock clock_{start_};
  TScopedPlatform<IClock> use_clock_{clock_};
  TScriptedPrintScreen key_;
  TScopedPlatform<IPrintScreen> use_key_{key_};
};

TEST_F(MainWindowTest, FirstStartCreatesTheWorkFolderAndStartsTheJournal) {
  TForm1 form;
  EXPECT_EQ(form.dossiertravail, WorkFolder());
  EXPECT_TRUE(DirectoryExists(WorkFolder()));
  EXPECT_EQ(Journal(), Line("D\xE9"
                            "but travail le ",
                            start_));
  EXPECT_EQ(form.affurl->Text(), "");
  EXPECT_EQ(form.Statusb->PanelText(0), "Dossier ok");
  EXPECT_EQ(form.Statusb->FontColor(), clGreen);
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

TEST_F(MainWindowTest, TwoStartUpsAppendTheirStartAndEndLinesInOrder) {
  const TDateTime later = start_ + 1.25;
  {
    TForm1 form;
    form.show();
    clock_.Set(start_ + 0.5);
    form.close();
  }
  clock_.Set(later);
  {
    TForm1 form;
    form.show();
    clock_.Set(later + 0.01);
    form.close();
  }
  EXPECT_EQ(Journal(), Line("D\xE9"
                            "but travail le ",
                            start_) +
                           Line("Fin travail le ", start_ + 0.5) +
                           Line("D\xE9"
                                "but travail le ",
                                later) +
                           Line("Fin travail le ", later + 0.01));
  EXPECT_TRUE(desktop_.dialogs.Shown().empty());
}

TEST_F(MainWindowTest, MissingParentFolderStopsStartUpWithTheWholePathInTheError) {
  const std::string absent = desktop_.home.Path() + "absent";
  TFixedDocumentsFolder elsewhere(absent);
  TScopedPlatform<IDocumentsFolder> use(elsewhere);
  TForm1 form;
  EXPECT_EQ(desktop_.dialogs.Errors(), (Texts{"Impossible de cr\xE9"
                                              "er " +
                                              absent + "/vitrix/"}));
  EXPECT_FALSE(DirectoryExists(absent));
  // The rest of start-up did not run.
  EXPECT_EQ(form.affurl->Text(), "affurl");
  EXPECT_EQ(form.Statusb->PanelText(0), "");
  EXPECT_FALSE(form.journal.IsOpen());
}

TEST_F(MainWindowTest, WithoutJournalTheWindowReportsTheErrorAndStillCloses) {
  TFixedDocumentsFolder elsewhere(desktop_.home.Path() + "absent");
  TScopedPlatform<IDocumentsFolder> use(elsewhere);
  TForm1 form;
  form.show();
  desktop_.dialogs.Clear();
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(desktop_.dialogs.Errors(), (Texts{"Fichier non ouvert"}));
}

TEST_F(MainWindowTest, EmptyingTheFolderDeletesTheCapturesOnlyAndIsJournalled) {
  TForm1 form;
  std::filesystem::create_directories(WorkFolder() + "garde");
  for (const char* name : {"1.jpg", "2.jpg", "garde/3.jpg"}) {
    std::ofstream(WorkFolder() + name) << "jpeg";
  }
  clock_.Set(start_ + 0.1);
  form.zapClick(form.zap);
  EXPECT_FALSE(FileExists(WorkFolder() + "1.jpg"));
  EXPECT_FALSE(FileExists(WorkFolder() + "2.jpg"));
  EXPECT_TRUE(FileExists(WorkFolder() + "garde/3.jpg"));
  EXPECT_EQ(Journal(), Line("D\xE9"
                            "but travail le ",
                            start_) +
                           Line("Nettoyage du dossier ", start_ + 0.1));
}

TEST_F(MainWindowTest, EmptyingWithoutJournalIsAnErrorAndDeletesNothing) {
  TFixedDocumentsFolder elsewhere(desktop_.home.Path() + "absent");
  TScopedPlatform<IDocumentsFolder> use(elsewhere);
  TForm1 form;
  EXPECT_THROW(form.zapClick(form.zap), EInOutError);
}

TEST_F(MainWindowTest, WatchButtonSwitchesCaptionGradientTimerAndStatus) {
  TForm1 form;
  EXPECT_FALSE(form.Timer1->Enabled());
  EXPECT_EQ(form.Timer1->Interval(), 50);
  const TColor off_look = form.Bout1->Look().Pixel(3, 10);
  form.Bout1Click(form.Bout1);
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Bout1->Caption(),
            "D\xE9"
            "sactiver la surveillance");
  EXPECT_EQ(form.Bout1->Gradient().BeginColor(), clRed);
  EXPECT_EQ(form.Statusb->PanelText(0), "Surveillance en cours");
  EXPECT_EQ(form.Statusb->FontColor(), clGreen);
  // Column 3 is band 5 of red to silver.
  EXPECT_EQ(form.Bout1->Look().Pixel(3, 10), RGB(254, 4, 4));
  form.Bout1Click(form.Bout1);
  EXPECT_FALSE(form.Timer1->Enabled());
  EXPECT_EQ(form.Bout1->Caption(), "Activer la surveillance");
  EXPECT_EQ(form.Bout1->Gradient().BeginColor(), clGreen);
  EXPECT_EQ(form.Statusb->PanelText(0),
            "Surveillance termin\xE9"
            "e");
  EXPECT_EQ(form.Bout1->Look().Pixel(3, 10), off_look);
}

TEST_F(MainWindowTest, TheWatchTakesTheKeyWhenSwitchedOnAndGivesItBackWhenSwitchedOff) {
  TForm1 form;
  form.Bout1Click(form.Bout1);
  EXPECT_EQ(key_.StartCalls(), 1);
  EXPECT_TRUE(key_.Started());
  form.Bout1Click(form.Bout1);
  EXPECT_EQ(key_.StopCalls(), 1);
  EXPECT_FALSE(key_.Started());
}

TEST_F(MainWindowTest, AWatchThatCannotSeeTheKeyStaysOffAndSaysWhy) {
  const std::pair<TPrintScreenStart, std::string> blind[] = {
      {TPrintScreenStart::psNoKeyboardState,
       "Surveillance impossible : l'\xE9tat du clavier n'est pas lisible (pas de serveur X)"},
      {TPrintScreenStart::psNoPrintScreenKey,
       "Surveillance impossible : le clavier n'a pas de touche Impr. \xE9"
       "cran"},
  };
  for (const auto& [start, message] : blind) {
    TForm1 form;
    key_.SetStartAnswer(start);
    form.Bout1Click(form.Bout1);
    EXPECT_FALSE(form.Timer1->Enabled());
    EXPECT_EQ(form.Bout1->Caption(), "Activer la surveillance");
    EXPECT_EQ(form.Bout1->Gradient().BeginColor(), clGreen);
    EXPECT_EQ(form.Statusb->PanelText(0), message);
    EXPECT_EQ(form.Statusb->FontColor(), clRed);
  }
  // Once the key can be read, the next click switches the watch on.
  TForm1 form;
  key_.SetStartAnswer(TPrintScreenStart::psCaptures);
  form.Bout1Click(form.Bout1);
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Statusb->PanelText(0), "Surveillance en cours");
  EXPECT_TRUE(form.Statusb->toolTip().isEmpty());
}

// When the desktop's screenshot tool holds Print Screen, the status line says
// so from the start; a press that brought no picture is told in red until the
// next press brings one or the watch goes off.
TEST_F(MainWindowTest, KeyHeldByAnotherProgramIsToldAndSoIsAPressThatBroughtNoPicture) {
  TForm1 form;
  key_.SetStartAnswer(TPrintScreenStart::psHeldByOtherProgram);
  form.Bout1Click(form.Bout1);
  EXPECT_TRUE(form.Timer1->Enabled());
  EXPECT_EQ(form.Statusb->PanelText(0),
            "Surveillance en cours : Impr. \xE9"
            "cran g\xE9r\xE9 par un autre programme");
  EXPECT_EQ(form.Statusb->FontColor(), clGreen);
  EXPECT_EQ(FromQString(form.Statusb->toolTip()), kHintHeldElsewhere);

  form.Timer1Timer(form.Timer1);
  EXPECT_EQ(form.Statusb->PanelText(0), kStatusWatchOnHeldElsewhere) << "changed with no press";
  key_.MissPicture();
  form.Timer1Timer(form.Timer1);
  EXPECT_EQ(form.Statusb->PanelText(0), "Aucune image : l'autre programme doit copier dans le presse papier");
  EXPECT_EQ(form.Statusb->FontColor(), clRed);
  EXPECT_EQ(FromQString(form.Statusb->toolTip()), kHintNoPictureCame);
  form.Timer1Timer(form.Timer1);
  EXPECT_EQ(form.Statusb->PanelText(0), kStatusNoPictureCame) << "the notice went before a press came";

  // A press comes through (the clipboard holds no picture, so the tick ends
  // there): the watch goes on as before.
  key_.Press();
  form.Timer1Timer(form.Timer1);
  EXPECT_EQ(form.Statusb->PanelText(0), kStatusWatchOnHeldElsewhere);
  EXPECT_EQ(form.Statusb->FontColor(), clGreen);
  EXPECT_TRUE(form.Timer1->Enabled());

  key_.MissPicture();
  form.Timer1Timer(form.Timer1);
  form.Bout1Click(form.Bout1);
  EXPECT_EQ(form.Statusb->PanelText(0),
            "Surveillance termin\xE9"
            "e");
  EXPECT_TRUE(form.Statusb->toolTip().isEmpty());
}

// Panel 0 is 350 pixels wide: every text of the watch fits in it whole.
TEST_F(MainWindowTest, TheWatchTextsFitTheStatusLine) {
  TForm1 form;
  const QFontMetrics metrics(form.Statusb->font());
  for (const char* text : {kStatusWatchOn, kStatusWatchOff, kStatusWatchOnHeldElsewhere, kStatusNoPictureCame}) {
    EXPECT_LE(metrics.horizontalAdvance(ToQString(text)), 350 - 2 - 6) << text;
  }
}

void SendToBout1(TForm1& form, QEvent::Type type) {
  const QPointF local(40, 12);
  QMouseEvent event(type, local, form.Bout1->mapToGlobal(local), Qt::LeftButton,
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.Bout1, &event);
}

TEST_F(MainWindowTest, DoubleClickOnTheWatchButtonSwitchesTwiceAndEndsAsItWas) {
  TForm1 form;
  form.show();
  SendToBout1(form, QEvent::MouseButtonPress);
  SendToBout1(form, QEvent::MouseButtonRelease);
  EXPECT_TRUE(form.Timer1->Enabled());
  SendToBout1(form, QEvent::MouseButtonDblClick);
  SendToBout1(form, QEvent::MouseButtonRelease);
  EXPECT_FALSE(form.Timer1->Enabled());
  EXPECT_EQ(form.Bout1->Caption(), "Activer la surveillance");
  EXPECT_EQ(form.Statusb->PanelText(0),
            "Surveillance termin\xE9"
            "e");
}

TEST_F(MainWindowTest, ShowingTheWindowSetsTheQualityTo95AndTheSpinnerShowsItsNewValue) {
  TForm1 form;
  EXPECT_EQ(form.cjpg->Position(), 90);
  form.show();
  EXPECT_EQ(form.cjpg->Position(), 95);
  EXPECT_EQ(form.acjpg->text(), QStringLiteral("95"));
  form.cjpg->Click(TUDBtnType::btPrev);
  form.cjpg->Click(TUDBtnType::btPrev);
  EXPECT_EQ(form.cjpg->Position(), 93);
  EXPECT_EQ(form.acjpg->text(), QStringLiteral("93"));
  // A double click on the field resets the quality.
  QMouseEvent double_click(QEvent::MouseButtonDblClick, QPointF(5, 5), form.acjpg->mapToGlobal(QPointF(5, 5)),
                           Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form.acjpg, &double_click);
  EXPECT_EQ(form.cjpg->Position(), 95);
  EXPECT_EQ(form.acjpg->text(), QStringLiteral("95"));
}

TEST_F(MainWindowTest, CopyButtonPutsTheWholeLinksBoxOnTheClipboard) {
  TForm1 form;
  form.CanvasButton1Click(form.CanvasButton1);
  form.affurl->AddLine("[img]http://a/1.jpg[/img]");
  form.affurl->AddLine("[img]http://a/2.jpg[/img]");
  form.CanvasButton1Click(form.CanvasButton1);
  EXPECT_EQ(desktop_.clipboard.Texts(), (Texts{"", "[img]http://a/1.jpg[/img]\r\n[img]http://a/2.jpg[/img]\r\n"}));
}

TEST_F(MainWindowTest, TheThreeWindowsShareOneElevenPixelFont) {
  TForm1 form;
  TForm2 editor;
  TForm3 toolbox;
  EXPECT_EQ(form.font().pixelSize(), 11);
  EXPECT_FALSE(form.font().bold());
  EXPECT_EQ(editor.font(), form.font());
  EXPECT_EQ(toolbox.font(), form.font());
  EXPECT_EQ(form.prevauto->font(), form.font());
}

TEST_F(MainWindowTest, ControlsHaveTheirTextsPlacesAndSettings) {
  TForm1 form;
  EXPECT_EQ(form.windowTitle(), QString::fromUtf8("upload d'image et récupération d'URL pour forum"));
  EXPECT_EQ(form.size(), QSize(501, 245));
  struct TButtonRow {
    TCanvasButton* button;
    QRect place;
    const char* caption;
    int font_height;
    TColor color, begin, end;
  };
  const TButtonRow buttons[] = {
      {form.Bout1, {0, 0, 161, 25}, "Activer la surveillance", -11, clGreen, clGreen, clSilver},
      {form.zap, {168, 0, 137, 25}, "Vider le dossier travail", -8, clDarkBlue, clSilver, clBlack},
      {form.CanvasButton1, {312, 0, 169, 25}, "Copier dans le presse papier", -8, clDarkBlue, clBlue, clAqua},
  };
  for (const TButtonRow& row : buttons) {
    SCOPED_TRACE(row.caption);
    EXPECT_EQ(row.button->geometry(), row.place);
    EXPECT_EQ(row.button->Caption(), row.caption);
    EXPECT_EQ(row.button->Font().Name, "MS Sans Serif");
    EXPECT_EQ(row.button->Font().Height, row.font_height);
    EXPECT_TRUE(row.button->Font().Bold);
    EXPECT_EQ(row.button->Font().Color, clWhite);
    EXPECT_EQ(row.button->Color(), row.color);
    EXPECT_TRUE(row.button->PaintGradient());
    EXPECT_EQ(row.button->Gradient().BeginColor(), row.begin);
    EXPECT_EQ(row.button->Gradient().EndColor(), row.end);
    EXPECT_EQ(row.button->Gradient().Direction(), TDireccionG::dHorizontal);
    EXPECT_EQ(row.button->Gradient().ColorCount(), 255);
    EXPECT_FALSE(row.button->ShowPicture());
  }
  EXPECT_EQ(form.prevauto->text(), QString::fromUtf8("Prévisualisation Automatique"));
  EXPECT_TRUE(form.prevauto->isChecked());
  EXPECT_EQ(form.cg->Items(), (Texts{"Pas d'action", "Sauvegader",
                                     "Sauvegarder et h\xE9"
                                     "berger",
                                     "H\xE9"
                                     "berger uniquement"}));
  EXPECT_EQ(form.cg->ItemIndex(), 0);
  EXPECT_EQ(form.cg->geometry(), QRect(272, 32, 185, 73));
  EXPECT_TRUE(form.acjpg->isReadOnly());
  EXPECT_EQ(form.acjpg->geometry(), QRect(8, 66, 33, 21));
  EXPECT_EQ(form.cjpg->geometry(), QRect(48, 64, 17, 25));
  EXPECT_EQ(form.cjpg->Min(), 1);
  EXPECT_EQ(form.cjpg->Max(), 100);
  EXPECT_EQ(form.Label2->text(), QStringLiteral("Taux de compression jpg"));
  EXPECT_EQ(form.Label2->pos(), QPoint(72, 72));
  EXPECT_EQ(form.Label1->text(), QStringLiteral("Vos liens images pour le forum"));
  EXPECT_EQ(form.Label1->pos(), QPoint(8, 96));
  EXPECT_EQ(form.affurl->geometry(), QRect(8, 120, 473, 89));
  EXPECT_EQ(form.Statusb->geometry(), QRect(0, 226, 501, 19));
  EXPECT_EQ(form.Statusb->PanelCount(), 2);
}

}  // namespace
}  // namespace vitrix
