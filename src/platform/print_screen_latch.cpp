#include "platform/print_screen_latch.h"

namespace vitrix {

bool TPrintScreenLatch::Press(int64_t now) {
  if (key_down_) return false;
  key_down_ = true;
  state_ = TState::stWaiting;
  pressed_at_ = now;
  missed_ = false;
  return true;
}

void TPrintScreenLatch::CaptureStored() {
  if (picture_ == TPressPicture::ppOwn && state_ == TState::stWaiting) state_ = TState::stReady;
}

void TPrintScreenLatch::ClipboardChanged(int64_t now) {
  // Our own captures are announced by CaptureStored; a change made by someone
  // else says nothing about them.
  if (picture_ != TPressPicture::ppOtherProgram || !Waiting()) return;
  if (Expired(now)) {
    Drop();
    return;
  }
  state_ = TState::stChanged;
}

void TPrintScreenLatch::PictureChecked(bool clipboard_holds_picture) {
  if (state_ != TState::stChanged) return;
  state_ = clipboard_holds_picture ? TState::stReady : TState::stWaiting;
}

bool TPrintScreenLatch::Report(int64_t now) {
  switch (state_) {
    case TState::stReady: state_ = TState::stIdle; return true;
    case TState::stWaiting:
      if (Expired(now)) Drop();
      return false;
    case TState::stChanged:  // the change came in time; the check decides
    case TState::stIdle: return false;
  }
  return false;
}

bool TPrintScreenLatch::TakeMissedPicture() {
  const bool missed = missed_;
  missed_ = false;
  return missed;
}

// Only another program's picture can fail to come: a capture of our own is
// either stored or forgotten at once.
void TPrintScreenLatch::Drop() {
  state_ = TState::stIdle;
  if (picture_ == TPressPicture::ppOtherProgram) missed_ = true;
}

}  // namespace vitrix
