#pragma once

// The base of every picture kind (bitmap, metafile, icon, JPEG).

#include <functional>

#include "picture/types.h"

namespace vitrix {

class TSurface;

class TGraphic {
 public:
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;
  virtual ~TGraphic() = default;

  virtual const char* ClassName() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  // Draws the graphic stretched into rect on the surface.
  virtual void DrawTo(TSurface& surface, const TRect& rect) = 0;

  // Raised after the graphic's content or size changed.
  std::function<void(TGraphic&)> OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(*this);
  }
};

}  // namespace vitrix
