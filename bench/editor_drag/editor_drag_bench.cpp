// The capture editor while a selection is dragged over a capture
// (offscreen, on a 4096 x 2400 screen): the time to handle one pointer
// movement, repaint included, as a ratio to one full repaint of the editor's
// picture measured in the same run. Median and 99th percentile of the
// movements; the goal is a median ratio of at most 0.1 (only what the rubber
// band touched repaints). Two captures: 3840 x 2160, which fits on the screen
// and shows whole, and 6000 x 3600, which does not and shows with scroll bars
// (its full repaint is then the part on screen).

#include <QApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "editor/capture_editor.h"
#include "editor/image_control.h"
#include "picture/bitmap.h"
#include "platform/testing/scripted_dialogs.h"
#include "support/offscreen_screen.h"
#include "support/sample_images.h"
#include "support/temp_dir.h"
#include "support/timing.h"

namespace {

constexpr int kScreenWidth = 4096;
constexpr int kScreenHeight = 2400;
constexpr int kFullRepaints = 31;
constexpr int kMoves = 2000;

using vitrix::test::Clock;
using vitrix::test::Percentile;

double Milliseconds(Clock::time_point start) { return vitrix::test::Seconds(start) * 1e3; }

class PaintCounter : public QObject {
 public:
  int paints = 0;
  long long pixels = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      for (const QRect& r : static_cast<QPaintEvent*>(event)->region()) pixels += 1LL * r.width() * r.height();
    }
    return false;
  }
};

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

// Drags over a capture of the given size in a fresh editor; prints the
// figures and returns false when too few movements were painted.
bool MeasureDrag(int width, int height) {
  vitrix::TForm2 editor;
  auto capture = std::make_unique<vitrix::TBitmap>();
  capture->SetImage(vitrix::test::ScreenshotSampleImage(width, height));
  editor.Image1->Picture().SetGraphic(std::move(capture));
  editor.show();
  QApplication::processEvents();
  QWidget* image = editor.Image1;
  PaintCounter counter;
  image->installEventFilter(&counter);

  // One full repaint of the picture, as after a change of the picture.
  std::vector<double> full;
  for (int i = 0; i < kFullRepaints + 3; ++i) {
    const auto start = Clock::now();
    image->update();
    QApplication::processEvents();
    if (i >= 3) full.push_back(Milliseconds(start));
  }
  const int full_paints = counter.paints;
  const long long full_pixels = counter.pixels / std::max(1, full_paints);

  // A drag from near the top-left corner across the picture and back, in
  // small steps as a pointer sends them.
  counter.paints = 0;
  counter.pixels = 0;
  SendMouse(image, QEvent::MouseButtonPress, QPoint(120, 90), Qt::LeftButton, Qt::LeftButton);
  std::vector<double> moves;
  for (int i = 0; i < kMoves; ++i) {
    const int t = i < kMoves / 2 ? i : kMoves - i;
    const QPoint at(200 + t * 3, 150 + t * 2 - (i % 7));
    const auto start = Clock::now();
    SendMouse(image, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    QApplication::processEvents();
    moves.push_back(Milliseconds(start));
  }
  SendMouse(image, QEvent::MouseButtonRelease, QPoint(200, 150), Qt::LeftButton, Qt::NoButton);
  const int move_paints = counter.paints;

  const double full_median = Percentile(full, 0.5);
  const double move_median = Percentile(moves, 0.5);
  const double move_p99 = Percentile(moves, 0.99);
  std::printf("capture %dx%d, offscreen, editor client %dx%d%s\n", width, height, editor.width(), editor.height(),
              editor.Image1->size() != editor.Image1->NaturalSize() ? " (scroll bars)" : "");
  std::printf("full repaint:      median %.3f ms over %d runs (%d paint events, %lld pixels each)\n", full_median,
              kFullRepaints, full_paints, full_pixels);
  std::printf("drag movement:     median %.3f ms, p99 %.3f ms over %d movements (%d paint events, %.0f pixels each)\n",
              move_median, move_p99, kMoves, move_paints,
              move_paints > 0 ? static_cast<double>(counter.pixels) / move_paints : 0.0);
  std::printf("ratio to full repaint: median %.4f, p99 %.4f (goal: median <= 0.1)\n", move_median / full_median,
              move_p99 / full_median);
  if (move_paints < kMoves / 2) {
    std::printf("warning: only %d of %d movements were painted\n", move_paints, kMoves);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // A screen that holds the 4K capture whole.
  vitrix::test::TempDir folder;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    vitrix::test::UseOffscreenScreen(folder.Path() + "screen.json", kScreenWidth, kScreenHeight);
  }
  QApplication app(argc, argv);
  vitrix::TScriptedDialogs dialogs;  // the help message answers at once
  vitrix::TScopedPlatform<vitrix::IDialogs> use_dialogs(dialogs);
  const bool fits = MeasureDrag(3840, 2160);
  std::printf("\n");
  const bool scrolled = MeasureDrag(6000, 3600);
  return fits && scrolled ? 0 : 1;
}
