#pragma once

// The base of every picture kind (bitmap, metafile, icon, JPEG).

#include <cstdint>
#include <functional>
#include <string>

#include "picture/palette.h"
#include "picture/persistent.h"
#include "picture/types.h"
#include "platform/clipboard_device.h"

namespace vitrix {

class TStream;
class TSurface;

enum class TProgressStage { psStarting, psRunning, psEnding };

class TGraphic;

// Long work (decoding, encoding) reports its progress: percent done, whether
// the part in rect is worth redrawing now, and a message (always empty here).
using TProgressEvent = std::function<void(TGraphic& sender, TProgressStage stage, uint8_t percent_done, bool redraw_now,
                                          const TRect& rect, const std::string& message)>;

class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Kinds whose size cannot be chosen raise EInvalidGraphicOperation.
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual bool Empty() const = 0;
  // Draws the graphic stretched into rect on the surface.
  virtual void DrawTo(TSurface& surface, const TRect& rect) = 0;

  virtual TPalette Palette() const { return {}; }
  virtual void SetPalette(const TPalette& /*palette*/) {}
  bool PaletteModified() const { return palette_modified_; }
  void SetPaletteModified(bool modified) { palette_modified_ = modified; }

  // Same kind and same content.
  virtual bool Equals(TGraphic& other) = 0;

  // Loads the graphic from clipboard data; a kind that cannot use the format
  // or gets no data raises EInvalidGraphic "Format de Presse-papiers non
  // supporté".
  virtual void LoadFromClipboardFormat(uint32_t format, const TClipboardData& data, const TPalette& palette);

  // The graphic's stored form inside a picture's stored form.
  virtual void ReadStored(TStream& stream) = 0;
  virtual void WriteStored(TStream& stream) = 0;

  // Raised after the graphic's content or size changed.
  std::function<void(TGraphic&)> OnChange;
  TProgressEvent OnProgress;

 protected:
  void Changed() {
    if (OnChange) OnChange(*this);
  }
  void Progress(TProgressStage stage, uint8_t percent_done, bool redraw_now, const TRect& rect) {
    if (OnProgress) OnProgress(*this, stage, percent_done, redraw_now, rect, std::string());
  }

 private:
  bool palette_modified_ = false;
};

}  // namespace vitrix
