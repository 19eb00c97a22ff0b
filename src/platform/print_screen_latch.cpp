#include "platform/print_screen_latch.h"

namespace vitrix {

bool TPrintScreenLatch::Press(int64_t now) {
  if (key_down_) return false;
  key_down_ = true;
  state_ = TState::Waiting;
  pressed_at_ = now;
  return true;
}

void TPrintScreenLatch::CaptureStored() {
  if (picture_ == TPressPicture::Own && state_ == TState::Waiting) state_ = TState::Ready;
}

void TPrintScreenLatch::ClipboardChanged(int64_t now) {
  // Our own captures are announced by CaptureStored; a change made by someone
  // else says nothing about them.
  if (picture_ != TPressPicture::OtherProgram || !Waiting()) return;
  state_ = Expired(now) ? TState::Idle : TState::Changed;
}

void TPrintScreenLatch::PictureChecked(bool clipboard_holds_picture) {
  if (state_ != TState::Changed) return;
  state_ = clipboard_holds_picture ? TState::Ready : TState::Waiting;
}

bool TPrintScreenLatch::Report(int64_t now) {
  switch (state_) {
    case TState::Ready:
      state_ = TState::Idle;
      return true;
    case TState::Waiting:
      if (Expired(now)) state_ = TState::Idle;
      return false;
    case TState::Changed:  // the change came in time; the check decides
    case TState::Idle:
      return false;
  }
  return false;
}

}  // namespace vitrix
