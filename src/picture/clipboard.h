#pragma once

// The process-wide clipboard object. Acquire and Release nest: only the
// first Acquire opens the desktop clipboard and only the matching last
// Release closes it. Copying it into a picture imports the first picture
// format found in the clipboard's own order.

#include <cstdint>

#include "picture/persistent.h"

namespace vitrix {

class TPicture;

class TClipboard : public TPersistent {
 public:
  const char* ClassName() const override { return "TClipboard"; }

  // Exception "Impossible d'ouvrir le Presse-papiers" when the desktop
  // clipboard cannot be opened; the count is then unchanged.
  void Acquire();
  // Nothing when the clipboard is not held.
  void Release();
  int OpenCount() const { return open_count_; }

  // Whether the clipboard offers format; it need not be held for this.
  bool Offers(uint32_t format);

  // Loads the first format of the clipboard, in its order, that has a
  // picture kind. Exception "Format de Presse-papiers incorrect" when none.
  void ImportPicture(TPicture& picture);

  // A picture gets ImportPicture; a bitmap takes CF_BITMAP and a metafile
  // the metafile, each with CF_PALETTE; anything else is EConvertError.
  void CopyTo(TPersistent& destination) override;

 private:
  int open_count_ = 0;
};

// The single clipboard object, created on first use.
TClipboard& SharedClipboard();

// Holds the clipboard for the lifetime of the guard.
class TClipboardHold {
 public:
  explicit TClipboardHold(TClipboard& clipboard) : clipboard_(clipboard) { clipboard_.Acquire(); }
  ~TClipboardHold() { clipboard_.Release(); }
  TClipboardHold(const TClipboardHold&) = delete;
  TClipboardHold& operator=(const TClipboardHold&) = delete;

 private:
  TClipboard& clipboard_;
};

}  // namespace vitrix
