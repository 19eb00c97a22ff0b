#include "editor/toolbox.h"

#include <gtest/gtest.h>

#include <QColorDialog>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTest>

#include "controls/color_dialog.h"
#include "platform/qt_text.h"
#include "support/modal.h"

namespace vitrix {
namespace {

using test::WhenModalShows;

// Clicks a radio button on its indicator, where a user clicks.
void ClickRadio(QRadioButton* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, 8)); }

QColor ToQColor(TColor color) { return QColor::fromRgb(ToQRgb(color)); }

TEST(Toolbox, WindowAndControlsAsDesigned) {
  TForm3 toolbox;
  EXPECT_EQ(FromQString(toolbox.windowTitle()), "Boite a outils");
  EXPECT_EQ(toolbox.pos(), QPoint(198, 110));
  EXPECT_EQ(toolbox.size(), QSize(425, 139));  // 433 x 166 with the frame
  const Qt::WindowFlags flags = toolbox.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));

  EXPECT_EQ(FromQString(toolbox.rp->text()), "Rectangle plein");
  EXPECT_EQ(toolbox.rp->geometry(), QRect(8, 8, 241, 17));
  EXPECT_EQ(FromQString(toolbox.rv->text()), "Rectangle");
  EXPECT_EQ(toolbox.rv->geometry(), QRect(8, 32, 241, 17));
  EXPECT_EQ(FromQString(toolbox.rc->text()), "Recadrage");
  EXPECT_EQ(toolbox.rc->geometry(), QRect(8, 56, 241, 17));
  EXPECT_EQ(FromQString(toolbox.choixcolor->text()), "Choix de la couleur de remplissage");
  EXPECT_EQ(toolbox.choixcolor->geometry(), QRect(8, 104, 201, 25));
  EXPECT_TRUE(toolbox.rp->isChecked());
  EXPECT_FALSE(toolbox.rv->isChecked());
  EXPECT_FALSE(toolbox.rc->isChecked());
  EXPECT_EQ(toolbox.ccolor->Color(), clRed);
  for (TColor custom : toolbox.ccolor->CustomColors()) EXPECT_EQ(custom, clWhite);
}

TEST(Toolbox, TabGoesThroughTheCheckedToolAndTheColourButtonOnly) {
  TForm3 toolbox;
  toolbox.show();
  toolbox.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&toolbox));
  toolbox.rp->setFocus();
  QTest::keyClick(&toolbox, Qt::Key_Tab);
  EXPECT_EQ(toolbox.focusWidget(), toolbox.choixcolor);
  QTest::keyClick(&toolbox, Qt::Key_Tab);
  EXPECT_EQ(toolbox.focusWidget(), toolbox.rp);

  // The arrow keys move the check, which closes the window; then Tab
  // reaches the newly checked tool.
  QTest::keyClick(toolbox.rp, Qt::Key_Down);
  EXPECT_TRUE(toolbox.rv->isChecked());
  EXPECT_FALSE(toolbox.isVisible());
  toolbox.show();
  toolbox.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&toolbox));
  toolbox.choixcolor->setFocus();
  QTest::keyClick(&toolbox, Qt::Key_Tab);
  EXPECT_EQ(toolbox.focusWidget(), toolbox.rv);
  QTest::keyClick(&toolbox, Qt::Key_Tab);
  EXPECT_EQ(toolbox.focusWidget(), toolbox.choixcolor);
}

TEST(Toolbox, TheCheckedToolClickedAgainLeavesItOpenAnotherToolClosesIt) {
  TForm3 toolbox;
  bool open_after_same_tool = false;
  WhenModalShows<TForm3>([&](TForm3& shown) {
    ClickRadio(shown.rp);
    open_after_same_tool = shown.isVisible();
    QTest::keyClick(&shown, Qt::Key_Escape);  // no Cancel button: Esc does nothing
    if (!shown.isVisible()) return;
    ClickRadio(shown.rc);
  });
  EXPECT_EQ(toolbox.exec(), QDialog::Rejected);
  EXPECT_TRUE(open_after_same_tool);
  EXPECT_TRUE(toolbox.rc->isChecked());
  EXPECT_FALSE(toolbox.rp->isChecked());
  EXPECT_EQ(toolbox.ccolor->Color(), clRed);
}

TEST(Toolbox, ColourDialogCancelClosesTheToolboxAndKeepsTheColour) {
  TForm3 toolbox;
  QColor preset;
  WhenModalShows<TForm3>([&](TForm3& shown) {
    WhenModalShows<QColorDialog>([&](QColorDialog& dialog) {
      preset = dialog.currentColor();
      dialog.setCurrentColor(Qt::green);
      QColorDialog::setCustomColor(5, Qt::green);
      dialog.reject();
    });
    QTest::mouseClick(shown.choixcolor, Qt::LeftButton);
  });
  toolbox.exec();
  EXPECT_FALSE(toolbox.isVisible());
  EXPECT_EQ(preset, ToQColor(clRed));
  EXPECT_EQ(toolbox.ccolor->Color(), clRed);
  EXPECT_EQ(toolbox.ccolor->CustomColors()[5], clWhite);
  EXPECT_TRUE(toolbox.rp->isChecked());
}

TEST(Toolbox, ConfirmedColourAndCustomColoursComeBackInTheNextRunOnly) {
  // Qt's user settings file, shared by every Qt program, is left as it was.
  const QString settings =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/QtProject.conf");
  const auto settings_content = [&] {
    QFile file(settings);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
  };
  const QByteArray settings_before = settings_content();

  TForm3 toolbox;
  const QColor chosen(12, 34, 201);
  WhenModalShows<QColorDialog>([&](QColorDialog& dialog) {
    dialog.setCurrentColor(chosen);
    QColorDialog::setCustomColor(3, Qt::yellow);
    dialog.accept();
  });
  EXPECT_TRUE(toolbox.ccolor->Execute());
  EXPECT_EQ(toolbox.ccolor->Color(), FromQRgb(chosen.rgb()));
  EXPECT_EQ(toolbox.ccolor->CustomColors()[3], RGB(255, 255, 0));

  // Another program's colours in Qt's shared list do not get in.
  QColorDialog::setCustomColor(7, Qt::magenta);
  QColor preset, custom3, custom7;
  WhenModalShows<QColorDialog>([&](QColorDialog& dialog) {
    preset = dialog.currentColor();
    custom3 = QColorDialog::customColor(3);
    custom7 = QColorDialog::customColor(7);
    dialog.reject();
  });
  EXPECT_FALSE(toolbox.ccolor->Execute());
  EXPECT_EQ(preset, chosen);
  EXPECT_EQ(custom3, QColor(Qt::yellow));
  EXPECT_EQ(custom7, QColor(Qt::white));
  EXPECT_EQ(settings_content(), settings_before);
}

}  // namespace
}  // namespace vitrix
