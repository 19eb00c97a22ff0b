#pragma once

// An icon: a small picture read from an ICO file. Its size comes from the
// file and cannot be changed.

#include <QImage>

#include "picture/graphic.h"

namespace vitrix {

class TIcon : public TGraphic {
 public:
  const char* ClassName() const override { return "TIcon"; }
  int Width() const override { return image_.width(); }
  int Height() const override { return image_.height(); }
  // EInvalidGraphicOperation "Impossible de modifier la taille d'une icône".
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  bool Empty() const override { return image_.isNull(); }
  void DrawTo(TSurface& surface, const TRect& rect) override;

  void CopyFrom(TPersistent& source) override;
  bool Equals(TGraphic& other) override;
  // Stored form: a counted block holding an ICO file.
  void ReadStored(TStream& stream) override;
  void WriteStored(TStream& stream) override;

  const QImage& Image() const { return image_; }

 private:
  QImage image_;
  std::string bytes_;
};

}  // namespace vitrix
