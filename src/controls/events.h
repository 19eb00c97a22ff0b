#pragma once

// Event types of the controls. Every event passes the control that raised it
// as Sender; an unset event is skipped.

#include <functional>
#include <utility>

class QObject;

namespace vitrix {

using TNotifyEvent = std::function<void(QObject* Sender)>;

// Raises an event when a handler is set.
template <class Event, class... Args>
void Raise(const Event& event, Args&&... args) {
  if (event) event(std::forward<Args>(args)...);
}

}  // namespace vitrix
