// The program's anti-freeze: during a network wait of the user-interface
// thread its windows paint and its posted work runs, its timers do not fire;
// and the status line's waiting time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPaintEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <thread>

#include "app/anti_freeze.h"
#include "net/tcp_client.h"
#include "support/loopback_server.h"

namespace vitrix {
namespace {

using test::LoopbackServer;
using test::PeerConnection;
using namespace std::chrono_literals;

class TPaintCounter : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(AntiFreeze, DuringANetworkWaitWindowsPaintAndPostedWorkRunsButTimersDoNotFire) {
  TPaintCounter window;
  window.resize(100, 40);
  window.show();
  QCoreApplication::processEvents();
  const int paints_before = window.paints;

  TAntiFreeze antifreeze;
  int rounds = 0;
  antifreeze.OnIdle = [&] {
    ++rounds;
    window.update();
  };
  antifreeze.SetActive(true);
  bool posted_ran = false;
  QMetaObject::invokeMethod(
      &window, [&] { posted_ran = true; }, Qt::QueuedConnection);
  // (A zero-time single shot is a posted call; this one is a real timer.)
  bool timer_fired = false;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] { timer_fired = true; });
  timer.start(20);

  LoopbackServer server([](PeerConnection& peer) {
    std::this_thread::sleep_for(800ms);
    peer.Send("done\n");
    peer.ReceiveUntilClose();
  });
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(server.Port());
  client.Connect();
  EXPECT_EQ(client.ReadLine(), "done");

  // 800 ms in rounds of 125 ms.
  EXPECT_GE(rounds, 5);
  EXPECT_LE(rounds, 8);
  EXPECT_GE(window.paints, paints_before + 4) << "the window did not paint during the wait";
  EXPECT_TRUE(posted_ran);
  EXPECT_FALSE(timer_fired) << "a timer fired inside the network wait";
  QCoreApplication::processEvents();
  EXPECT_TRUE(timer_fired) << "the timer was lost";
}

TEST(WaitingStatusText, TheStepsTextGainsTheWholeSecondsWaitedFromTheFirstOne) {
  EXPECT_EQ(WaitingStatusText("Envoi fichier phase 2", 0), "Envoi fichier phase 2");
  EXPECT_EQ(WaitingStatusText("Envoi fichier phase 2", 999), "Envoi fichier phase 2");
  EXPECT_EQ(WaitingStatusText("Envoi fichier phase 2", 1000), "Envoi fichier phase 2 (attente : 1 s)");
  EXPECT_EQ(WaitingStatusText("Envoi fichier phase 3", 29999), "Envoi fichier phase 3 (attente : 29 s)");
}

}  // namespace
}  // namespace vitrix
