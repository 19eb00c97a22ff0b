#pragma once

// When a picture on the clipboard counts as a Print Screen press: in a
// Wayland session the desktop's screenshot tool puts its capture there, and
// nothing else tells that a capture was made. Kept apart from X so that its
// rules can be tested alone.
//
// A picture counts once, and only when it reached the clipboard after the
// watch went on: the one there at the start is never taken, and a change of
// clipboard owner that brings back the picture last seen (a desktop handing
// the same selection over again, a viewer copying it once more) is no new
// capture. Pictures are compared by a fingerprint of their pixels.

#include <cstdint>
#include <optional>

namespace vitrix {

class TClipboardPictureLatch {
 public:
  // The watch goes on; picture_now is the fingerprint of the picture on the
  // clipboard at that moment, nothing when it holds none.
  void Start(std::optional<uint64_t> picture_now);
  // The clipboard has a new owner: what it holds must be looked at.
  void OwnerChanged() { changed_ = true; }
  bool NeedsPictureCheck() const { return changed_; }
  // What the clipboard holds since the change: a picture's fingerprint, or
  // nothing (text, or no owner).
  void PictureChecked(std::optional<uint64_t> picture);
  // True once for each new picture.
  bool Report();

 private:
  bool changed_ = false;
  bool ready_ = false;
  std::optional<uint64_t> last_picture_;
};

}  // namespace vitrix
