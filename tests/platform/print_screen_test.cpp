// What a Print Screen press means for the key check, on a clock the tests
// move; the key service's start without an X server; GetKeyState.
#include <gtest/gtest.h>

#include "platform/print_screen.h"
#include "platform/print_screen_latch.h"
#include "platform/print_screen_x11.h"
#include "platform/testing/scripted_print_screen.h"

namespace vitrix {
namespace {

// Another program's picture: the press waits for a clipboard change that
// turns out to hold a picture.
class OtherProgramsPicture : public ::testing::Test {
 protected:
  // The clipboard changes at now; checked, it does or does not hold a picture.
  void ClipboardBecomes(bool picture, int64_t now) {
    latch_.ClipboardChanged(now);
    if (latch_.NeedsPictureCheck()) latch_.PictureChecked(picture);
  }

  TPrintScreenLatch latch_{TPressPicture::ppOtherProgram};
};

TEST_F(OtherProgramsPicture, PressIsReportedOnlyOnceAPictureArrivesAfterIt) {
  ASSERT_TRUE(latch_.Press(1000));
  EXPECT_FALSE(latch_.Report(1050)) << "nothing new on the clipboard yet";
  EXPECT_FALSE(latch_.NeedsPictureCheck());
  latch_.Release();
  EXPECT_FALSE(latch_.Report(1400)) << "the key was let go, still nothing new";

  latch_.ClipboardChanged(1700);
  ASSERT_TRUE(latch_.NeedsPictureCheck());
  latch_.PictureChecked(true);
  EXPECT_TRUE(latch_.Report(1710));
  EXPECT_FALSE(latch_.Report(1760)) << "reported twice";
  EXPECT_FALSE(latch_.Report(20000));
}

TEST_F(OtherProgramsPicture, ClipboardChangesBeforeThePressAndWithoutAPressCountForNothing) {
  ClipboardBecomes(true, 500);
  EXPECT_FALSE(latch_.NeedsPictureCheck());
  EXPECT_FALSE(latch_.Report(600)) << "a picture with no press";

  ASSERT_TRUE(latch_.Press(1000));
  EXPECT_FALSE(latch_.Report(1050)) << "the picture from before the press";
}

TEST_F(OtherProgramsPicture, ChangeToSomethingElseThanAPictureKeepsThePressWaiting) {
  latch_.Press(1000);
  ClipboardBecomes(false, 1200);
  EXPECT_FALSE(latch_.Report(1250));
  ClipboardBecomes(true, 1300);
  EXPECT_TRUE(latch_.Report(1350));
}

TEST_F(OtherProgramsPicture, PressWithoutAPictureForTenSecondsIsForgotten) {
  latch_.Press(1000);
  EXPECT_FALSE(latch_.Report(10999));
  EXPECT_TRUE(latch_.Waiting()) << "forgotten before the ten seconds";
  EXPECT_FALSE(latch_.Report(11000));
  EXPECT_FALSE(latch_.Waiting());
  ClipboardBecomes(true, 11100);
  EXPECT_FALSE(latch_.Report(11150)) << "a picture after the ten seconds";
}

TEST_F(OtherProgramsPicture, PictureArrivingJustInTimeIsReportedEvenIfCheckedLater) {
  latch_.Press(1000);
  latch_.ClipboardChanged(10999);
  EXPECT_TRUE(latch_.NeedsPictureCheck());
  latch_.PictureChecked(true);
  EXPECT_TRUE(latch_.Report(11040));
}

TEST_F(OtherProgramsPicture, ChangeAfterTheTenSecondsIsNotLookedAt) {
  latch_.Press(1000);
  latch_.ClipboardChanged(11000);
  EXPECT_FALSE(latch_.NeedsPictureCheck());
  EXPECT_FALSE(latch_.Report(11010));
}

TEST_F(OtherProgramsPicture, ExpiryIsASetting) {
  TPrintScreenLatch quick(TPressPicture::ppOtherProgram, 200);
  quick.Press(1000);
  EXPECT_FALSE(quick.Report(1200));
  quick.ClipboardChanged(1210);
  EXPECT_FALSE(quick.NeedsPictureCheck());
}

TEST_F(OtherProgramsPicture, NewPressMakesThePictureOfTheEarlierOneOld) {
  latch_.Press(1000);
  latch_.Release();
  ClipboardBecomes(true, 1100);
  ASSERT_TRUE(latch_.Press(1120));
  EXPECT_FALSE(latch_.Report(1150)) << "a picture from before the latest press";
  latch_.Release();
  ClipboardBecomes(true, 1300);
  EXPECT_TRUE(latch_.Report(1350));
}

TEST_F(OtherProgramsPicture, KeyStillDownOrRepeatingIsNoNewPress) {
  ASSERT_TRUE(latch_.Press(1000));
  EXPECT_FALSE(latch_.Press(1030)) << "the same press seen a second way";
  latch_.Release();
  latch_.Repeat();
  EXPECT_TRUE(latch_.KeyDown());
  EXPECT_FALSE(latch_.Press(1600)) << "a repeat taken for a press";
  // Had the repeat been a new press, it would have restarted the ten seconds.
  EXPECT_FALSE(latch_.Report(11000));
  EXPECT_FALSE(latch_.Waiting());
  latch_.Release();
  EXPECT_TRUE(latch_.Press(12000));
}

TEST_F(OtherProgramsPicture, ForgetDropsThePressInProgress) {
  latch_.Press(1000);
  latch_.Forget();
  ClipboardBecomes(true, 1100);
  EXPECT_FALSE(latch_.Report(1150));
}

// The status line says once that a press brought no picture: after the wait,
// whether the clipboard stayed still or changed to something else, and
// never for a press whose picture came, was replaced by a newer press or was
// forgotten with the watch.
TEST_F(OtherProgramsPicture, PressWhosePictureNeverCameIsToldOnceAfterTheWait) {
  latch_.Press(1000);
  latch_.Release();
  EXPECT_FALSE(latch_.Report(10999));
  EXPECT_FALSE(latch_.TakeMissedPicture()) << "told before the wait was over";
  EXPECT_FALSE(latch_.Report(11000));
  EXPECT_TRUE(latch_.TakeMissedPicture());
  EXPECT_FALSE(latch_.TakeMissedPicture()) << "told twice";

  latch_.Press(20000);
  latch_.Release();
  ClipboardBecomes(false, 21000);  // text, not a picture
  latch_.ClipboardChanged(30000);  // a change after the wait
  EXPECT_TRUE(latch_.TakeMissedPicture()) << "a change after the wait hid the missing picture";
}

TEST_F(OtherProgramsPicture, PressWhosePictureCameOrThatWasReplacedOrForgottenIsNoMiss) {
  latch_.Press(1000);
  latch_.Release();
  ClipboardBecomes(true, 1500);
  EXPECT_TRUE(latch_.Report(1550));
  EXPECT_FALSE(latch_.Report(20000));
  EXPECT_FALSE(latch_.TakeMissedPicture()) << "the picture came";

  latch_.Press(30000);
  latch_.Release();
  latch_.Report(40000);
  latch_.Press(40010);  // a new press before the notice was read
  EXPECT_FALSE(latch_.TakeMissedPicture()) << "the newer press is still waiting";

  latch_.Forget();  // the watch went off
  EXPECT_FALSE(latch_.Report(60000));
  EXPECT_FALSE(latch_.TakeMissedPicture());
}

// Our own capture: the press is reported once its capture is stored, and
// clipboard changes by others say nothing about it.
TEST(OwnPicture, PressIsReportedOnceItsCaptureIsStored) {
  TPrintScreenLatch latch(TPressPicture::ppOwn);
  ASSERT_TRUE(latch.Press(1000));
  latch.ClipboardChanged(1010);
  EXPECT_FALSE(latch.NeedsPictureCheck());
  EXPECT_FALSE(latch.Report(1020)) << "reported before the capture was stored";
  latch.CaptureStored();
  latch.Release();
  EXPECT_TRUE(latch.Report(1050));
  EXPECT_FALSE(latch.Report(1100));
}

TEST(OwnPicture, CaptureStoredWithoutAPressReportsNothing) {
  TPrintScreenLatch latch(TPressPicture::ppOwn);
  latch.CaptureStored();
  EXPECT_FALSE(latch.Report(100));
}

TEST(OwnPicture, ReadyCaptureWaitsForTheCheckAfterTheExpiry) {
  TPrintScreenLatch latch(TPressPicture::ppOwn);
  latch.Press(1000);
  latch.CaptureStored();
  EXPECT_TRUE(latch.Report(60000));
}

TEST(OwnPicture, CaptureThatNeverCameIsForgottenAfterTheExpiry) {
  TPrintScreenLatch latch(TPressPicture::ppOwn);
  latch.Press(1000);
  EXPECT_FALSE(latch.Report(11000));
  EXPECT_FALSE(latch.TakeMissedPicture()) << "no other program to blame";
  latch.CaptureStored();
  EXPECT_FALSE(latch.Report(11050)) << "a capture stored for a forgotten press";
}

TEST(PrintScreenStart, OnlyTheBlindStartsHaveAMessage) {
  EXPECT_EQ(PrintScreenStartMessage(TPrintScreenStart::psCaptures), nullptr);
  EXPECT_EQ(PrintScreenStartMessage(TPrintScreenStart::psHeldByOtherProgram), nullptr);
  EXPECT_STREQ(PrintScreenStartMessage(TPrintScreenStart::psNoKeyboardState),
               "Surveillance impossible : l'\xE9tat du clavier n'est pas lisible (pas de serveur X)");
  EXPECT_STREQ(PrintScreenStartMessage(TPrintScreenStart::psNoPrintScreenKey), kPrintScreenNoKey);
}

// These tests run offscreen: there is no X server to ask.
TEST(X11PrintScreenWithoutX, StartSaysTheKeyboardCannotBeReadAndTheKeyStaysUp) {
  TX11PrintScreen key;
  EXPECT_EQ(key.Start(), TPrintScreenStart::psNoKeyboardState);
  EXPECT_FALSE(key.Started());
  EXPECT_EQ(key.KeyState(), 0);
  key.Stop();
}

TEST(GetKeyState, PrintScreenIsAskedOfTheInstalledKeyAndOtherKeysReadUp) {
  TScriptedPrintScreen key;
  TScopedPlatform<IPrintScreen> use(key);
  key.SetDown(true);
  EXPECT_EQ(GetKeyState(VK_SNAPSHOT), 0) << "down before the watch started";
  ASSERT_EQ(PrintScreen().Start(), TPrintScreenStart::psCaptures);
  EXPECT_NE(GetKeyState(VK_SNAPSHOT) & 0x8000, 0);
  EXPECT_LT(GetKeyState(VK_SNAPSHOT), 0);
  EXPECT_EQ(GetKeyState(0x41), 0);
  key.SetDown(false);
  key.Press();
  EXPECT_LT(GetKeyState(VK_SNAPSHOT), 0);
  EXPECT_EQ(GetKeyState(VK_SNAPSHOT), 0) << "one press reported twice";
  EXPECT_EQ(key.KeyChecks(), 5);
}

TEST(GetKeyState, ScriptedKeyThatCannotStartStaysUp) {
  TScriptedPrintScreen key;
  TScopedPlatform<IPrintScreen> use(key);
  key.SetStartAnswer(TPrintScreenStart::psNoKeyboardState);
  key.SetDown(true);
  EXPECT_EQ(PrintScreen().Start(), TPrintScreenStart::psNoKeyboardState);
  EXPECT_FALSE(PrintScreen().Started());
  EXPECT_EQ(GetKeyState(VK_SNAPSHOT), 0);
}

}  // namespace
}  // namespace vitrix
