#include "platform/clipboard_picture_latch.h"

#include <utility>

namespace vitrix {

void TClipboardPictureLatch::Start(std::optional<uint64_t> picture_now) {
  last_picture_ = picture_now;
  changed_ = false;
  ready_ = false;
}

// Text in between does not make the last picture new again: the program puts
// its forum tag on the clipboard after each upload, and the desktop may hand
// the picture over once more after it.
void TClipboardPictureLatch::PictureChecked(std::optional<uint64_t> picture) {
  changed_ = false;
  if (!picture || picture == last_picture_) return;
  last_picture_ = picture;
  ready_ = true;
}

bool TClipboardPictureLatch::Report() { return std::exchange(ready_, false); }

}  // namespace vitrix
