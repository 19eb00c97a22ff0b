// Runs under a private X server with a window manager
// (tests/support/with_xvfb.sh): the Print Screen key pressed with xdotool, the
// clipboard filled by xclip, and a stand-in screenshot tool (print_key_holder)
// that holds the key.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>

#include "platform/clipboard_device.h"
#include "platform/print_screen_x11.h"
#include "platform/print_screen_xwayland.h"
#include "support/temp_dir.h"

namespace vitrix {
namespace {

bool WaitFor(const std::function<bool()>& condition, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    if (condition()) return true;
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
  return condition();
}

// Lets the event loop run for ms.
void Idle(int ms) {
  WaitFor([] { return false; }, ms);
}

// Asks the key state every 50 ms, as the watch does, for ms or until it has
// reported stop_after presses; returns how many it reported.
int KeyChecks(IPrintScreen& key, int ms, int stop_after = 1000) {
  int reports = 0;
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms && reports < stop_after) {
    if (key.KeyState() < 0) ++reports;
    const qint64 next = (timer.elapsed() / 50 + 1) * 50;
    while (timer.elapsed() < next) {
      QCoreApplication::processEvents();
      QThread::msleep(2);
    }
  }
  return reports;
}

// Runs a command to its end while the event loop goes on (it may ask us for
// the clipboard); returns its standard output.
QByteArray RunProgram(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForStarted()) << program.toStdString();
  EXPECT_TRUE(WaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) << program.toStdString();
  EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
  return process.readAllStandardOutput();
}

QImage Filled(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

QImage ClipboardPicture() {
  const TClipboardData data = ClipboardDevice().Data(CF_BITMAP);
  const QImage* image = std::get_if<QImage>(&data);
  return image != nullptr ? *image : QImage();
}

// Offers pictures on the clipboard with xclip, each kept by its own xclip
// process until another takes the clipboard or the test ends.
class TClipboardFiller {
 public:
  // Puts picture on the clipboard and, unless told not to, waits until this
  // program sees it there.
  void Put(const QImage& picture, bool wait = true) {
    const QString path = QString::fromStdString(dir_.Path() + std::to_string(owners_.size()) + ".png");
    ASSERT_TRUE(picture.save(path, "PNG"));
    auto& owner = owners_.emplace_back(std::make_unique<QProcess>());
    owner->start("xclip", {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i", path});
    ASSERT_TRUE(owner->waitForStarted());
    if (wait) {
      ASSERT_TRUE(WaitFor([&] { return ClipboardPicture().size() == picture.size(); }))
          << "the clipboard never showed the picture";
    }
  }
  ~TClipboardFiller() {
    for (auto& owner : owners_) {
      owner->kill();
      owner->waitForFinished();
    }
  }

 private:
  test::TempDir dir_;
  std::vector<std::unique_ptr<QProcess>> owners_;
};

// The stand-in screenshot tool, holding the key until it is dropped.
class TKeyHolder {
 public:
  TKeyHolder() {
    process_.start(VITRIX_PRINT_KEY_HOLDER, {});
    EXPECT_TRUE(process_.waitForStarted());
    EXPECT_TRUE(WaitFor([&] { return output_.append(process_.readAllStandardOutput()).contains('\n'); }));
  }
  ~TKeyHolder() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(3000)) process_.kill();
    process_.waitForFinished();
  }
  bool Holds() const { return output_.startsWith("held\n"); }
  int PressesReceived() {
    output_.append(process_.readAllStandardOutput());
    return static_cast<int>(output_.count("press\n"));
  }

 private:
  QProcess process_;
  QByteArray output_;
};

// Whether another client can grab the key now (it lets it go at once).
bool OtherClientCanGrab() { return RunProgram(VITRIX_PRINT_KEY_HOLDER, {"--check"}) == "held\n"; }

void PressPrint() { RunProgram("xdotool", {"key", "Print"}); }

// Holds the key down for a while (0.3 s unless told), checking it as the
// watch does meanwhile; returns the presses reported during the hold.
int HoldPrint(IPrintScreen& key, const QString& seconds = "0.3") {
  QProcess xdotool;
  xdotool.start("sh", {"-c", "xdotool keydown Print; sleep " + seconds + "; xdotool keyup Print"});
  EXPECT_TRUE(xdotool.waitForStarted());
  int reports = 0;
  while (xdotool.state() != QProcess::NotRunning) reports += KeyChecks(key, 50);
  return reports;
}

constexpr QRgb kBackground = 0xFF204060;

// An undecorated window of one colour, placed exactly (the window manager
// leaves it alone) and shown.
std::unique_ptr<QWidget> ShowColouredWindow(const QRect& geometry, QRgb colour) {
  auto window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
  window->setGeometry(geometry);
  QPalette palette;
  palette.setColor(QPalette::Window, QColor::fromRgb(colour));
  window->setPalette(palette);
  window->setAutoFillBackground(true);
  window->show();
  EXPECT_TRUE(WaitFor([&] { return window->windowHandle() != nullptr && window->windowHandle()->isExposed(); }));
  return window;
}
constexpr QRgb kWindowColour = 0xFFD03010;

// With nobody else on the key, a tap captures the screen onto the clipboard,
// replacing what was there, and is reported once.
TEST(X11PrintScreen, TapWhenTheKeyIsOursPutsTheScreenOnTheClipboardAndIsReportedOnce) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  // A window of one colour over another that covers the whole screen.
  const auto background = ShowColouredWindow(QRect(0, 0, 1280, 800), kBackground);
  const auto window = ShowColouredWindow(QRect(100, 120, 200, 150), kWindowColour);
  Idle(200);

  TX11PrintScreen key;
  ASSERT_EQ(key.Start(), TPrintScreenStart::psCaptures);
  // Another program takes the clipboard just before the press; this program
  // has not even looked at its content.
  TClipboardFiller clipboard;
  clipboard.Put(Filled(10, 10, 0xFF00FF00), false);
  Idle(300);
  EXPECT_FALSE(OtherClientCanGrab());
  EXPECT_EQ(KeyChecks(key, 300), 0) << "reported with the key untouched";

  PressPrint();
  ASSERT_EQ(KeyChecks(key, 3000, 1), 1) << "the tap was not reported";
  // The first report finds the capture on the clipboard already.
  const QImage capture = ClipboardPicture();
  ASSERT_EQ(capture.size(), QSize(1280, 800));
  EXPECT_EQ(capture.pixel(100, 120), kWindowColour);
  EXPECT_EQ(capture.pixel(299, 269), kWindowColour);
  EXPECT_EQ(capture.pixel(300, 270), kBackground);
  EXPECT_EQ(capture.pixel(5, 795), kBackground);
  EXPECT_EQ(KeyChecks(key, 500), 0) << "one tap reported twice";

  // Other programs get the capture as a PNG.
  const QImage pasted =
      QImage::fromData(RunProgram("xclip", {"-o", "-selection", "clipboard", "-t", "image/png"}), "PNG");
  ASSERT_EQ(pasted.size(), QSize(1280, 800));
  EXPECT_EQ(pasted.pixel(150, 200), kWindowColour);
  EXPECT_EQ(pasted.pixel(1000, 600), kBackground);

  // Held down through many checks, the key is still one press.
  EXPECT_EQ(HoldPrint(key, "1.5") + KeyChecks(key, 300), 1);

  key.Stop();
  EXPECT_TRUE(OtherClientCanGrab()) << "the key was not given back";
  EXPECT_EQ(key.KeyState(), 0);
}

// With a screenshot tool on the key, the press is reported only once the
// tool's picture is on the clipboard; the picture from before the press never
// counts, and a press without a picture is forgotten after 10 seconds.
TEST(X11PrintScreen, WhenAnotherProgramHoldsTheKeyOnlyAPictureArrivingAfterThePressIsReported) {
  TKeyHolder holder;
  ASSERT_TRUE(holder.Holds());
  int64_t now = 1000;
  TX11PrintScreen key({.NowMs = [&] { return now; }});
  ASSERT_EQ(key.Start(), TPrintScreenStart::psHeldByOtherProgram);
  EXPECT_TRUE(key.RawKeyEvents());

  TClipboardFiller clipboard;
  clipboard.Put(Filled(10, 10, 0xFF00FF00));
  EXPECT_EQ(HoldPrint(key), 0) << "reported while only the old picture was there";
  EXPECT_EQ(KeyChecks(key, 500), 0) << "reported while only the old picture was there";
  EXPECT_TRUE(WaitFor([&] { return holder.PressesReceived() == 1; })) << "the press did not reach the tool";

  clipboard.Put(Filled(12, 8, 0xFF0000FF), false);
  ASSERT_EQ(KeyChecks(key, 3000, 1), 1) << "the tool's picture was not reported";
  EXPECT_EQ(ClipboardPicture().size(), QSize(12, 8));
  EXPECT_EQ(KeyChecks(key, 300), 0) << "one press reported twice";

  // A quick tap is seen as well (the keymap alone would likely miss it).
  PressPrint();
  Idle(200);
  clipboard.Put(Filled(9, 9, 0xFFFFFF00), false);
  EXPECT_EQ(KeyChecks(key, 3000, 1), 1) << "the tap was missed";

  // 10 seconds without a picture: the press is forgotten.
  PressPrint();
  EXPECT_EQ(KeyChecks(key, 300), 0);
  now += 10000;
  EXPECT_EQ(KeyChecks(key, 100), 0);
  clipboard.Put(Filled(7, 7, 0xFFFF0000));
  EXPECT_EQ(KeyChecks(key, 500), 0) << "a picture long after the press was taken";

  // Stopping while the tool holds the key leaves the tool's grab alone.
  key.Stop();
  EXPECT_FALSE(OtherClientCanGrab());
}

// Text put on the clipboard after the press is no picture: the press waits on
// for one.
TEST(X11PrintScreen, TextArrivingAfterThePressIsNoPicture) {
  TKeyHolder holder;
  ASSERT_TRUE(holder.Holds());
  TX11PrintScreen key;
  ASSERT_EQ(key.Start(), TPrintScreenStart::psHeldByOtherProgram);
  TClipboardFiller clipboard;
  clipboard.Put(Filled(10, 10, 0xFF00FF00));
  PressPrint();
  Idle(200);
  QProcess text;
  text.start("xclip", {"-quiet", "-selection", "clipboard", "-i"});
  ASSERT_TRUE(text.waitForStarted());
  text.write("hello");
  text.closeWriteChannel();
  EXPECT_EQ(KeyChecks(key, 800), 0) << "text taken for the picture";
  // The press is still waiting for its picture.
  clipboard.Put(Filled(6, 6, 0xFF00FFFF), false);
  EXPECT_EQ(KeyChecks(key, 3000, 1), 1);
  text.kill();
  text.waitForFinished();
}

// The watch of a Wayland session runs on any X server that tells of
// clipboard owners (XWayland and Xvfb alike): new pictures stand for presses,
// the picture there at the start never does, and the same picture copied
// again is not taken twice. The key itself is not looked at.
TEST(XWaylandPrintScreen, EachNewPictureOnTheClipboardIsReportedOnceAndNothingElse) {
  TClipboardFiller clipboard;
  clipboard.Put(Filled(10, 10, 0xFF00FF00));
  TXWaylandPrintScreen key;
  ASSERT_EQ(key.Start(), TPrintScreenStart::psClipboardPictures);
  EXPECT_EQ(key.Start(), TPrintScreenStart::psClipboardPictures);
  EXPECT_EQ(KeyChecks(key, 500), 0) << "the picture from before the start was taken";
  PressPrint();
  EXPECT_EQ(KeyChecks(key, 500), 0) << "a key press counted";

  clipboard.Put(Filled(12, 8, 0xFF0000FF), false);
  ASSERT_EQ(KeyChecks(key, 3000, 1), 1) << "the new picture was not reported";
  EXPECT_EQ(ClipboardPicture().size(), QSize(12, 8));
  EXPECT_EQ(KeyChecks(key, 500), 0) << "one picture reported twice";

  clipboard.Put(Filled(12, 8, 0xFF0000FF));
  EXPECT_EQ(KeyChecks(key, 800), 0) << "the same picture copied again was taken";

  // Text is no picture; the next picture counts.
  QProcess text;
  text.start("xclip", {"-quiet", "-selection", "clipboard", "-i"});
  ASSERT_TRUE(text.waitForStarted());
  text.write("hello");
  text.closeWriteChannel();
  EXPECT_EQ(KeyChecks(key, 800), 0) << "text taken for a picture";
  clipboard.Put(Filled(5, 9, 0xFFFF00FF), false);
  EXPECT_EQ(KeyChecks(key, 3000, 1), 1) << "the picture after the text was not reported";

  // Stopped, the watch hears nothing; started again, the picture there now
  // is the one from before.
  key.Stop();
  EXPECT_FALSE(key.Started());
  clipboard.Put(Filled(6, 6, 0xFF123456));
  EXPECT_EQ(KeyChecks(key, 300), 0);
  ASSERT_EQ(key.Start(), TPrintScreenStart::psClipboardPictures);
  EXPECT_EQ(KeyChecks(key, 500), 0) << "the picture from before the restart was taken";
  clipboard.Put(Filled(7, 3, 0xFF654321), false);
  EXPECT_EQ(KeyChecks(key, 3000, 1), 1);
  text.kill();
  text.waitForFinished();
}

}  // namespace
}  // namespace vitrix
