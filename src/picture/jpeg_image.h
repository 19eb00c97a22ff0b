#pragma once

// The JPEG picture. It keeps the encoded stream and the decoded bitmap and
// converts between them only when asked: a picture that is only stored and
// read back is never decoded, and a bitmap is encoded when it is written.

#include <cstdint>
#include <memory>
#include <string>

#include "picture/graphic.h"

namespace vitrix {

class TBitmap;
class TFileFormats;
class TMemoryStream;

namespace jpeg {
struct TJpegOutput;
}

enum class TJPEGDecodeSpeed : uint8_t { dsAccurate, dsFast };
enum class TJPEGDecodeDepth : uint8_t { dd24Bit, dd8Bit };
enum class TJPEGScaleDown : uint8_t { sdFull, sdHalf, sdQuarter, sdEighth };

// The eight settings of a JPEG picture.
struct TJPEGSettings {
  uint8_t SaveQuality = 90;  // encoding; 0 encodes as 1, above 100 as 100
  bool GrayOutput = false;
  TJPEGDecodeSpeed DecodeSpeed = TJPEGDecodeSpeed::dsAccurate;
  TJPEGDecodeDepth DecodeDepth = TJPEGDecodeDepth::dd24Bit;
  bool IncrementalDecode = false;
  bool MultiScan = false;  // encoding: progressive; after reading: the stream has several scans
  TJPEGScaleDown ScaleDown = TJPEGScaleDown::sdFull;
  bool BlockSmoothing = true;
};

// The settings each new JPEG picture starts with. DecodeDepth is dd8Bit on
// a screen of 8 bits per pixel or less, dd24Bit otherwise.
TJPEGSettings& JpegDefaults();

// The encoded stream, shared between JPEG pictures that copied each other.
struct TJPEGData {
  std::unique_ptr<TMemoryStream> Bytes;  // absent: not encoded yet
  int32_t PixelWidth = 0;
  int32_t PixelHeight = 0;
  bool IsGray = false;

  TJPEGData();
  ~TJPEGData();
};

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  const char* ClassName() const override { return "TJPEGImage"; }
  // The bitmap's size; without one, the stream's size at the ScaleDown
  // setting.
  int Width() const override;
  int Height() const override;
  // EInvalidGraphicOperation "Impossible de modifier la taille d'une image JPEG".
  void SetWidth(int width) override;
  void SetHeight(int height) override;
  bool Empty() const override;
  void DrawTo(TSurface& surface, const TRect& rect) override;

  TPalette Palette() const override;
  void SetPalette(const TPalette& palette) override;

  // Another JPEG picture: shares its stream, copies its bitmap. A bitmap:
  // drops the stream and copies the bitmap. Settings are never copied.
  void CopyFrom(TPersistent& source) override;
  // A bitmap receives a copy of the decoded bitmap.
  void CopyTo(TPersistent& destination) override;
  // Both encoded: the same bytes; otherwise the same shared stream.
  bool Equals(TGraphic& other) override;

  // Encodes the bitmap into a new stream (empty without a bitmap).
  void Encode();
  // Encodes only when there is no stream yet.
  void EnsureEncoded();
  // The bitmap, decoded from the stream first when there is none.
  TBitmap& DecodedBitmap();

  // The JPEG stream alone, encoded first when needed.
  void WriteToStream(TStream& stream);
  // Creates (or truncates) the file and writes the stream into it; the
  // file's errors are EFCreateError / EWriteError.
  void SaveToPath(const std::string& path);
  // Takes the rest of the stream as the JPEG stream.
  void ReadFromStream(TStream& stream);
  // Takes count bytes of the stream as the JPEG stream and reads its header.
  // EReadError when the stream does not hold count more bytes; nothing is
  // allocated or changed before that is known.
  void ReadCompressed(int64_t count, TStream& stream);
  // Stored form: a signed 32-bit little-endian byte count, then the stream.
  void ReadStored(TStream& stream) override;
  void WriteStored(TStream& stream) override;

  TJPEGSettings& Settings() { return settings_; }
  const TJPEGSettings& Settings() const { return settings_; }
  uint8_t SaveQuality() const { return settings_.SaveQuality; }
  void SetSaveQuality(uint8_t quality) { settings_.SaveQuality = quality; }
  bool GrayOutput() const { return settings_.GrayOutput; }
  void SetGrayOutput(bool gray) { settings_.GrayOutput = gray; }
  bool MultiScan() const { return settings_.MultiScan; }
  void SetMultiScan(bool multi_scan) { settings_.MultiScan = multi_scan; }

  const std::shared_ptr<TJPEGData>& Data() const { return data_; }
  bool HasBitmap() const { return bitmap_ != nullptr; }

 private:
  void Decode();
  void ParseHeader();
  // The size without a bitmap: the header's, or libjpeg's output size at
  // the ScaleDown setting.
  jpeg::TJpegOutput ScaledSize() const;

  std::shared_ptr<TJPEGData> data_;
  std::unique_ptr<TBitmap> bitmap_;
  TPalette temporary_palette_;
  TJPEGSettings settings_;
};

// Registers the JPEG picture under "jpeg" and "jpg".
void RegisterJpegFormats(TFileFormats& formats);

}  // namespace vitrix
