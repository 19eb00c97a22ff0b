// When a picture on the clipboard stands for a Print Screen press (Wayland
// sessions), whether the session is a Wayland one, and picture fingerprints.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/clipboard_picture_latch.h"
#include "platform/print_screen.h"
#include "platform/print_screen_xwayland.h"
#include "platform/testing/scripted_clipboard_device.h"

namespace vitrix {
namespace {

class ClipboardPictures : public ::testing::Test {
 protected:
  // The clipboard gets a new owner, holding a picture (its fingerprint) or
  // not; the next key check looks at it.
  bool NewOwnerHolds(std::optional<uint64_t> picture) {
    latch_.OwnerChanged();
    EXPECT_TRUE(latch_.NeedsPictureCheck());
    latch_.PictureChecked(picture);
    EXPECT_FALSE(latch_.NeedsPictureCheck());
    return latch_.Report();
  }

  TClipboardPictureLatch latch_;
};

TEST_F(ClipboardPictures, APictureArrivingAfterTheStartIsReportedOnce) {
  latch_.Start(std::nullopt);
  EXPECT_FALSE(latch_.Report()) << "nothing arrived yet";
  EXPECT_TRUE(NewOwnerHolds(7));
  EXPECT_FALSE(latch_.Report()) << "reported twice";
  EXPECT_TRUE(NewOwnerHolds(8)) << "the next picture";
}

TEST_F(ClipboardPictures, ThePictureThereAtTheStartIsNeverTaken) {
  latch_.Start(5);
  EXPECT_FALSE(latch_.Report());
  EXPECT_FALSE(NewOwnerHolds(5)) << "the same picture handed over again";
  EXPECT_TRUE(NewOwnerHolds(6));
}

TEST_F(ClipboardPictures, TheSamePictureAgainIsNotANewCaptureEvenAfterText) {
  latch_.Start(std::nullopt);
  ASSERT_TRUE(NewOwnerHolds(9));
  EXPECT_FALSE(NewOwnerHolds(9)) << "copied again";
  EXPECT_FALSE(NewOwnerHolds(std::nullopt)) << "the forum tag (text)";
  EXPECT_FALSE(NewOwnerHolds(9)) << "the picture back after the text";
}

TEST_F(ClipboardPictures, OnlyTheLastCheckCountsWhenOwnersChangeBeforeACheck) {
  latch_.Start(std::nullopt);
  latch_.OwnerChanged();
  latch_.OwnerChanged();
  latch_.PictureChecked(3);
  EXPECT_TRUE(latch_.Report());
  EXPECT_FALSE(latch_.Report());
}

TEST_F(ClipboardPictures, ARestartForgetsWhatWasWaitingAndTakesTheNewStartPicture) {
  latch_.Start(std::nullopt);
  latch_.OwnerChanged();
  latch_.PictureChecked(4);
  latch_.Start(4);  // reported neither before the stop nor after the restart
  EXPECT_FALSE(latch_.NeedsPictureCheck());
  EXPECT_FALSE(latch_.Report());
  EXPECT_FALSE(NewOwnerHolds(4));
}

TEST(WaylandSession, EitherVariableMakesTheSessionAWaylandOne) {
  EXPECT_TRUE(IsWaylandSession("wayland-0", nullptr));
  EXPECT_TRUE(IsWaylandSession("/run/user/1000/wayland-1", "x11"));
  EXPECT_TRUE(IsWaylandSession(nullptr, "wayland"));
  EXPECT_TRUE(IsWaylandSession("", "wayland"));
  EXPECT_FALSE(IsWaylandSession(nullptr, nullptr));
  EXPECT_FALSE(IsWaylandSession("", "x11"));
  EXPECT_FALSE(IsWaylandSession(nullptr, "tty"));
  EXPECT_FALSE(IsWaylandSession(nullptr, "Wayland-ish"));
}

TEST(WaylandSession, TheWatchSaysHowACaptureComesOnlyForClipboardPictures) {
  EXPECT_STREQ(PrintScreenWatchMessage(TPrintScreenStart::psClipboardPictures),
               "Surveillance : capturez avec \xAB copier dans le presse-papiers \xBB");
  EXPECT_EQ(PrintScreenWatchMessage(TPrintScreenStart::psCaptures), nullptr);
  EXPECT_EQ(PrintScreenWatchMessage(TPrintScreenStart::psHeldByOtherProgram), nullptr);
  EXPECT_EQ(PrintScreenStartMessage(TPrintScreenStart::psClipboardPictures), nullptr) << "the watch works";
}

QImage Filled(int width, int height, QRgb colour, QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(colour);
  return image;
}

TEST(PictureFingerprint, SamePixelsInAnotherFormatMatchAndAnyChangedPixelOrSizeDoesNot) {
  const QImage picture = Filled(31, 17, 0xFF336699);
  EXPECT_EQ(PictureFingerprint(picture), PictureFingerprint(picture.convertToFormat(QImage::Format_ARGB32)));
  EXPECT_EQ(PictureFingerprint(picture), PictureFingerprint(picture.convertToFormat(QImage::Format_RGB888)));
  QImage changed = picture;
  changed.setPixel(30, 16, 0xFF336698);
  EXPECT_NE(PictureFingerprint(picture), PictureFingerprint(changed));
  // The same bytes in another shape.
  EXPECT_NE(PictureFingerprint(Filled(17, 31, 0xFF336699)), PictureFingerprint(picture));
}

TEST(PictureFingerprint, OfTheClipboardIsNothingWithoutAPicture) {
  TScriptedClipboardDevice clipboard;
  TScopedPlatform<IClipboardDevice> use(clipboard);
  EXPECT_EQ(ClipboardPictureFingerprint(), std::nullopt);
  clipboard.Add(CF_BITMAP);  // listed, but its data cannot be had
  EXPECT_EQ(ClipboardPictureFingerprint(), std::nullopt);
  clipboard.Clear();
  const QImage picture = Filled(8, 8, 0xFF00FF00);
  clipboard.Add(CF_BITMAP, picture);
  EXPECT_EQ(ClipboardPictureFingerprint(), PictureFingerprint(picture));
}

// Offscreen there is no X server: the watch cannot hear of clipboard owners.
TEST(XWaylandPrintScreenWithoutX, StartSaysTheWatchIsBlindAndTheKeyStaysUp) {
  TXWaylandPrintScreen key;
  EXPECT_EQ(key.Start(), TPrintScreenStart::psNoKeyboardState);
  EXPECT_FALSE(key.Started());
  EXPECT_EQ(key.KeyState(), 0);
  key.Stop();
}

}  // namespace
}  // namespace vitrix
