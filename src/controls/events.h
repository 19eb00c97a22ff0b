#pragma once

// Event types of the controls. Every event passes the control that raised it
// as Sender; an unset event is skipped.

#include <cstdint>
#include <functional>
#include <utility>

class QObject;

namespace vitrix {

using TNotifyEvent = std::function<void(QObject* Sender)>;

enum class TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// The keys and pointer buttons held when an event happened.
struct TShiftState {
  bool Shift = false;
  bool Alt = false;
  bool Ctrl = false;
  bool Left = false;
  bool Right = false;
  bool Middle = false;
  friend bool operator==(const TShiftState&, const TShiftState&) = default;
};

// X and Y are in the control's own coordinates; they may lie outside it while
// a button is held.
using TMouseEvent = std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int32_t X, int32_t Y)>;

// Raises an event when a handler is set.
template <class Event, class... Args>
void Raise(const Event& event, Args&&... args) {
  if (event) event(std::forward<Args>(args)...);
}

}  // namespace vitrix
