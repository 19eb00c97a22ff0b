#pragma once

// TAntiFreeze: the program's windows keep painting while an upload waits on
// the network. The network waits of the user-interface thread call it every
// kAntiFreezeIdleMs (net/anti_freeze.h); it then handles the window system's
// paint and expose events and the program's posted updates, and nothing that
// could start another step of the program: user input (clicks, keys, a
// window's close button) is left queued for after the upload, and no timer
// fires, so no watch tick runs inside another. The desktop, which pings its
// windows, sees the program answer.

#include <cstdint>
#include <functional>
#include <string>

#include "net/anti_freeze.h"

namespace vitrix {

// Between two rounds of events during a network wait; within 100 to 250 ms
// with the time a round takes.
inline constexpr int kAntiFreezeIdleMs = 125;

class TAntiFreeze final : public TNetAntiFreezeBase {
 public:
  TAntiFreeze() { SetIdleTimeOut(kAntiFreezeIdleMs); }

  // Runs first in each round, so that what it changes is painted in the
  // same round.
  std::function<void()> OnIdle;

 protected:
  void Process() override;
};

// The status line while a step has waited on the network for waited_ms: the
// step's text, followed by the whole seconds waited once there is at least
// one.
std::string WaitingStatusText(const std::string& status, int64_t waited_ms);

}  // namespace vitrix
