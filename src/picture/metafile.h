#pragma once

// A vector picture: the bytes of an SVG drawing or of an enhanced or
// old-style metafile, with its size in pixels. SVG drawings are drawn; the
// metafile kinds of the other desktop have no renderer here and draw nothing.

#include <string>

#include "picture/graphic.h"

namespace vitrix {

class TMetafile : public TGraphic {
 public:
  const char* ClassName() const override { return "TMetafile"; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  bool Empty() const override { return bytes_.empty(); }
  void DrawTo(TSurface& surface, const TRect& rect) override;

  TPalette Palette() const override { return palette_; }
  void SetPalette(const TPalette& palette) override;

  void CopyFrom(TPersistent& source) override;
  bool Equals(TGraphic& other) override;
  // Takes a copy of the enhanced metafile, whichever metafile format the
  // clipboard listed; its size is the bounds of its header.
  void LoadFromClipboardFormat(uint32_t format, const TClipboardData& data, const TPalette& palette) override;
  // Stored form: a counted block holding the metafile's bytes.
  void ReadStored(TStream& stream) override;
  void WriteStored(TStream& stream) override;

  bool Enhanced() const { return enhanced_; }
  const std::string& Bytes() const { return bytes_; }
  const std::string& MimeType() const { return mime_type_; }

 private:
  enum class TMetafileKind { mkWindows, mkEnhanced };
  void Load(const TClipboardMetafile& metafile, TMetafileKind kind);

  std::string bytes_;
  std::string mime_type_;
  int width_ = 0;
  int height_ = 0;
  bool enhanced_ = false;
  TPalette palette_;
};

}  // namespace vitrix
