// The Qt message boxes, answered by a timer as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/dialogs.h"
#include "platform/qt_text.h"
#include "platform/testing/scripted_dialogs.h"

namespace vitrix {
namespace {

struct TSeenBox {
  QString title;
  QString text;
  QString default_button;
};

// Presses a button of the next message box once it is open, noting what it showed.
void AnswerNextBox(QMessageBox::StandardButton answer, TSeenBox& seen) {
  QTimer::singleShot(0, [answer, &seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.default_button = box->defaultButton() != nullptr ? box->defaultButton()->text() : QString();
    box->button(answer)->click();
  });
}

TEST(QtDialogs, YesNoBoxAnswersTheButtonPressed) {
  auto dialogs = IDialogs::CreateSystem();
  TSeenBox seen;
  AnswerNextBox(QMessageBox::No, seen);
  const TModalResult no = dialogs->MessageBox({.Text = "Voulez vous voir l'image contenue dans le presse papier",
                                               .Caption = "Image du presse papier",
                                               .Buttons = TMsgButtons::mbYesNo,
                                               .DefaultButton = mrYes});
  EXPECT_EQ(no, mrNo);
  EXPECT_EQ(seen.title, QStringLiteral("Image du presse papier"));
  EXPECT_EQ(seen.text, QStringLiteral("Voulez vous voir l'image contenue dans le presse papier"));
  AnswerNextBox(QMessageBox::Yes, seen);
  EXPECT_EQ(dialogs->MessageBox({.Text = "x", .Buttons = TMsgButtons::mbYesNo}), mrYes);
}

TEST(QtDialogs, ErrorBoxShowsTheMessageInUnicodeUnderTheApplicationTitle) {
  auto dialogs = IDialogs::CreateSystem();
  TSeenBox seen;
  AnswerNextBox(QMessageBox::Ok, seen);
  dialogs->ShowError(
      "Impossible de cr\xE9"
      "er /home/\xE9t\xE9/");
  EXPECT_EQ(seen.title, QStringLiteral("vitrix"));
  EXPECT_EQ(seen.text, QString::fromUtf8("Impossible de créer /home/été/"));
}

TEST(ScriptedDialogs, AnswersFromTheScriptThenWithTheDefaultButton) {
  TScriptedDialogs dialogs;
  TScopedPlatform<IDialogs> use(dialogs);
  dialogs.Script({mrNo});
  const TMessageRequest question{.Text = "?", .Buttons = TMsgButtons::mbYesNo, .DefaultButton = mrYes};
  EXPECT_EQ(Dialogs().MessageBox(question), mrNo);
  EXPECT_EQ(Dialogs().MessageBox(question), mrYes);
  ShowMessage(
      "Image Sauvegard\xE9"
      "e");
  ASSERT_EQ(dialogs.Shown().size(), 3u);
  EXPECT_EQ(dialogs.Shown()[2].Request, (TMessageRequest{.Text = "Image Sauvegard\xE9"
                                                                 "e",
                                                         .Caption = "vitrix"}));
}

}  // namespace
}  // namespace vitrix
