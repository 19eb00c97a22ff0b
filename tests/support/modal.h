#pragma once

// Driving modal windows from a test: the code under test opens a window
// modally and waits; a timer set up before finds the window once it shows
// and acts on it (answers, clicks, closes).

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace vitrix::test {

// Runs action on the next modal window of kind Window that is on show. After
// five seconds without one the test fails and whatever modal window is open
// gets closed, so that the test ends instead of waiting for ever.
template <class Window>
void WhenModalShows(std::function<void(Window&)> action) {
  auto* timer = new QTimer(qApp);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  QObject::connect(timer, &QTimer::timeout, timer, [timer, clock, action = std::move(action)] {
    auto* modal = dynamic_cast<Window*>(QApplication::activeModalWidget());
    if (modal != nullptr && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      action(*modal);
      return;
    }
    if (clock->elapsed() > 5000) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "the expected modal window did not show";
      if (QWidget* stuck = QApplication::activeModalWidget()) stuck->close();
    }
  });
  timer->start(5);
}

}  // namespace vitrix::test
