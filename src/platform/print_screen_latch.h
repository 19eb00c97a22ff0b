#pragma once

// What one Print Screen press means for the key check, kept apart from X so
// that its timing can be tested with any clock.
//
// A press is reported to the key check exactly once, and only when its
// picture is on the clipboard: the capture this program made for it, or a
// picture another program put there after the press. Until then the key check
// hears nothing, so a picture that was on the clipboard before the press is
// never taken for the capture. A press whose picture does not come within the
// expiry is forgotten.
//
// Times are milliseconds of a steady clock.

#include <cstdint>

namespace vitrix {

// Who puts the picture of a press on the clipboard.
enum class TPressPicture {
  ppOwn,           // this program captures the screen for each press
  ppOtherProgram,  // another program does; its picture is awaited
};

class TPrintScreenLatch {
 public:
  static constexpr int64_t kDefaultExpiryMs = 10000;

  explicit TPrintScreenLatch(TPressPicture picture, int64_t expiry_ms = kDefaultExpiryMs)
      : picture_(picture), expiry_ms_(expiry_ms) {}

  TPressPicture Picture() const { return picture_; }

  // The key went down. A press while the key is already down (a repeat, or
  // the same press seen another way) is no new press. A new press replaces
  // one not yet reported. Returns whether the press is new; with ppOwn pictures
  // the caller then captures the screen.
  bool Press(int64_t now);
  // The key went up.
  void Release() { key_down_ = false; }
  // The key repeats: it is down, and no new press.
  void Repeat() { key_down_ = true; }
  bool KeyDown() const { return key_down_; }

  // With ppOwn pictures: the capture of the latest press is on the clipboard.
  void CaptureStored();
  // With ppOtherProgram pictures: the clipboard changed hands or content.
  void ClipboardChanged(int64_t now);
  // Whether the clipboard has changed since the press and must be looked at:
  // answer with PictureChecked.
  bool NeedsPictureCheck() const { return state_ == TState::stChanged; }
  void PictureChecked(bool clipboard_holds_picture);

  // The key check: true once for each press whose picture is on the
  // clipboard; a press left waiting past the expiry is dropped.
  bool Report(int64_t now);
  // With ppOtherProgram pictures: true once after a press was dropped because
  // no picture came within the expiry.
  bool TakeMissedPicture();
  // Forgets the press in progress, if any.
  void Forget() {
    state_ = TState::stIdle;
    missed_ = false;
  }
  bool Waiting() const { return state_ == TState::stWaiting || state_ == TState::stChanged; }

 private:
  enum class TState {
    stIdle,     // no press to report
    stWaiting,  // pressed; its picture is not there yet
    stChanged,  // pressed; the clipboard changed since and may hold the picture
    stReady,    // pressed; its picture is on the clipboard
  };

  bool Expired(int64_t now) const { return now - pressed_at_ >= expiry_ms_; }
  // Drops the press in progress, which brought no picture in time.
  void Drop();

  TPressPicture picture_;
  int64_t expiry_ms_;
  TState state_ = TState::stIdle;
  int64_t pressed_at_ = 0;
  bool key_down_ = false;
  bool missed_ = false;
};

}  // namespace vitrix
