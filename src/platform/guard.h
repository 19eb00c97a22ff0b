#pragma once

// Every handler that the toolkit calls (events, slots, timer ticks) runs
// through Guarded(): an error that leaves the handler is shown in the standard
// error box and goes no further, and the program goes on. No exception ever
// crosses the toolkit's own frames.

#include <utility>

namespace vitrix {

enum class TGuardPlace {
  // An ordinary handler: the error box opens at once.
  gpHandler,
  // A paint or show event: opening a modal box there would run an event loop
  // inside the paint, so the box is queued and opens once the loop is back.
  gpPaintOrShow,
};

// Shows the message of the exception being handled in the error box (to be
// called inside a catch block). EAbort is silent.
void ReportCurrentException(TGuardPlace place) noexcept;

template <class Handler>
void Guarded(Handler&& handler, TGuardPlace place = TGuardPlace::gpHandler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    ReportCurrentException(place);
  }
}

}  // namespace vitrix
