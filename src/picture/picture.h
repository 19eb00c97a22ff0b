#pragma once

// A picture container: it owns at most one graphic of any kind and forwards
// the graphic's change and progress notifications.

#include <functional>
#include <memory>

#include "picture/graphic.h"

namespace vitrix {

class TBitmap;
class TStream;

class TPicture : public TPersistent {
 public:
  TPicture() = default;
  ~TPicture() override;

  const char* ClassName() const override { return "TPicture"; }

  TGraphic* Graphic() const { return graphic_.get(); }
  // Installs a copy of graphic (nullptr empties the picture).
  void SetGraphic(TGraphic* graphic);
  // Installs graphic itself.
  void SetGraphic(std::unique_ptr<TGraphic> graphic);

  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // The picture's bitmap. A picture holding anything else (or nothing) has
  // it replaced by a new, empty bitmap: nothing is converted.
  TBitmap& AsBitmap();

  // Takes another picture's graphic or a graphic; other sources (the
  // clipboard) copy themselves into the picture.
  void CopyFrom(TPersistent& source) override;
  // Copies the picture's graphic into destination.
  void CopyTo(TPersistent& destination) override;

  // Installs a graphic of the kind registered for format, loaded from the
  // clipboard data. EInvalidGraphic "Format de Presse-papiers non supporté"
  // for a format without a kind; on any failure the old graphic stays.
  void LoadClipboardData(uint32_t format, const TClipboardData& data, const TPalette& palette);

  // Stored form: one length byte, the graphic's class name, then the
  // graphic's own stored form. An empty picture stores a zero length byte.
  void ReadStored(TStream& stream);
  void WriteStored(TStream& stream);

  std::function<void(TPicture&)> OnChange;
  TProgressEvent OnProgress;

 private:
  void Install(std::unique_ptr<TGraphic> graphic);
  void RouteProgress(TGraphic& graphic);
  void Changed();

  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace vitrix
