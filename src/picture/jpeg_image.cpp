#include "picture/jpeg_image.h"

#include <QGuiApplication>
#include <QScreen>
#include <vector>

#include "picture/bitmap.h"
#include "picture/graphic_errors.h"
#include "picture/graphic_formats.h"
#include "picture/jpeg_codec.h"
#include "picture/stored_form.h"
#include "picture/surface.h"
#include "rtl/file_stream.h"
#include "rtl/streams.h"

namespace vitrix {
namespace {

TJPEGDecodeDepth ScreenDecodeDepth() {
  if (QGuiApplication::instance() == nullptr) return TJPEGDecodeDepth::dd24Bit;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr && screen->depth() <= 8 ? TJPEGDecodeDepth::dd8Bit : TJPEGDecodeDepth::dd24Bit;
}

jpeg::TDecodeSettings DecodeSettingsOf(const TJPEGSettings& s) {
  jpeg::TDecodeSettings d;
  d.scale_denom = 1 << static_cast<int>(s.ScaleDown);
  d.block_smoothing = s.BlockSmoothing;
  d.gray = s.GrayOutput;
  d.quantize = s.DecodeDepth == TJPEGDecodeDepth::dd8Bit;
  d.fast = s.DecodeSpeed == TJPEGDecodeSpeed::dsFast;
  d.incremental = s.IncrementalDecode;
  return d;
}

}  // namespace

TJPEGSettings& JpegDefaults() {
  static TJPEGSettings defaults = [] {
    TJPEGSettings s;
    s.DecodeDepth = ScreenDecodeDepth();
    return s;
  }();
  return defaults;
}

TJPEGData::TJPEGData() = default;
TJPEGData::~TJPEGData() = default;

TJPEGImage::TJPEGImage() : data_(std::make_shared<TJPEGData>()), settings_(JpegDefaults()) {}

TJPEGImage::~TJPEGImage() = default;

jpeg::TJpegOutput TJPEGImage::ScaledSize() const {
  jpeg::TJpegOutput size;
  size.width = data_->PixelWidth;
  size.height = data_->PixelHeight;
  if (settings_.ScaleDown == TJPEGScaleDown::sdFull || !data_->Bytes || data_->Bytes->Size() == 0) return size;
  jpeg::TJpegDecoder decoder(*data_->Bytes, nullptr);
  return decoder.Prepare(DecodeSettingsOf(settings_), jpeg::TPixelLimit::plIgnore);
}

int TJPEGImage::Width() const { return bitmap_ ? bitmap_->Width() : ScaledSize().width; }

int TJPEGImage::Height() const { return bitmap_ ? bitmap_->Height() : ScaledSize().height; }

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Impossible de modifier la taille d'une image JPEG"); }

void TJPEGImage::SetHeight(int height) { SetWidth(height); }

bool TJPEGImage::Empty() const { return !data_->Bytes && (!bitmap_ || bitmap_->Empty()); }

void TJPEGImage::DrawTo(TSurface& surface, const TRect& rect) { surface.StretchDraw(rect, DecodedBitmap()); }

TPalette TJPEGImage::Palette() const {
  if (bitmap_) return bitmap_->Palette();
  // Palette displays do not exist here, so no halftone palette is made.
  return temporary_palette_;
}

void TJPEGImage::SetPalette(const TPalette& palette) {
  if (palette == temporary_palette_) return;
  // The bitmap is decoded again against the new palette, which needs a
  // stream to decode: a bitmap that is the picture's only content stays.
  const bool drop_bitmap = bitmap_ && bitmap_->Palette() != palette && data_->Bytes && data_->Bytes->Size() > 0;
  if (drop_bitmap) bitmap_.reset();
  temporary_palette_ = palette;
  if (drop_bitmap) {
    SetPaletteModified(true);
    Changed();
  }
}

void TJPEGImage::CopyFrom(TPersistent& source) {
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(&source)) {
    if (jpeg == this) return;
    data_ = jpeg->data_;
    // Without a decoded bitmap on the source, a bitmap of our own would no
    // longer match the shared stream.
    bitmap_.reset();
    if (jpeg->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(*jpeg->bitmap_);
    }
    SetPaletteModified(true);
    Changed();
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(&source)) {
    data_ = std::make_shared<TJPEGData>();
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(*bitmap);
    bitmap_ = std::move(copy);
    SetPaletteModified(true);
    Changed();
    return;
  }
  TGraphic::CopyFrom(source);
}

void TJPEGImage::CopyTo(TPersistent& destination) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(&destination)) {
    bitmap->Assign(DecodedBitmap());
    return;
  }
  TGraphic::CopyTo(destination);
}

bool TJPEGImage::Equals(TGraphic& other) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(&other);
  if (jpeg == nullptr) return false;
  if (data_->Bytes && jpeg->data_->Bytes) return data_->Bytes->View() == jpeg->data_->Bytes->View();
  return data_ == jpeg->data_;
}

void TJPEGImage::Encode() {
  // A record that holds a stream, or that another picture shares, is left
  // to the others: this picture starts a record of its own.
  if (data_->Bytes || data_.use_count() > 1) data_ = std::make_shared<TJPEGData>();
  data_->Bytes = std::make_unique<TMemoryStream>();
  if (!bitmap_ || bitmap_->Width() == 0 || bitmap_->Height() == 0) return;

  // This copy keeps the rows alive (and unchanged) while libjpeg reads them,
  // whatever a progress listener does to the bitmap.
  const QImage pixels = bitmap_->Image();
  data_->PixelWidth = pixels.width();
  data_->PixelHeight = pixels.height();
  if (settings_.GrayOutput) data_->IsGray = true;
  jpeg::TPixelRows rows;
  rows.top_row = pixels.constBits();
  rows.row_step = pixels.bytesPerLine();
  rows.width = pixels.width();
  rows.height = pixels.height();
  jpeg::TEncodeSettings settings;
  settings.quality = settings_.SaveQuality;
  settings.gray = settings_.GrayOutput;
  settings.progressive = settings_.MultiScan;

  const jpeg::TRunningHandler running = [this](uint8_t percent, bool redraw_now, const TRect& rect) {
    Progress(TProgressStage::psRunning, percent, redraw_now, rect);
  };
  try {
    Progress(TProgressStage::psStarting, 0, /*redraw_now=*/false, TRect());
    jpeg::Encode(rows, settings, *data_->Bytes, running);
  } catch (const EAbort&) {
    data_ = std::make_shared<TJPEGData>();
    Progress(TProgressStage::psEnding, 0, /*redraw_now=*/false, TRect());
    return;
  } catch (...) {
    // A stream cut short must not pass for the picture: the next write
    // encodes again (or fails again).
    data_ = std::make_shared<TJPEGData>();
    Progress(TProgressStage::psEnding, 0, /*redraw_now=*/false, TRect());
    throw;
  }
  Progress(TProgressStage::psEnding, 100, /*redraw_now=*/false, TRect());
}

void TJPEGImage::EnsureEncoded() {
  if (!data_->Bytes) Encode();
}

TBitmap& TJPEGImage::DecodedBitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    // A picture with neither a stream nor a bitmap decodes to an empty one.
    if (data_->Bytes) Decode();
  }
  return *bitmap_;
}

void TJPEGImage::Decode() {
  const jpeg::TRunningHandler running = [this](uint8_t percent, bool redraw_now, const TRect& rect) {
    Progress(TProgressStage::psRunning, percent, redraw_now, rect);
  };
  jpeg::TJpegDecoder decoder(*data_->Bytes, running);
  bool aborted = false;
  try {
    const jpeg::TJpegOutput output = decoder.Prepare(DecodeSettingsOf(settings_), jpeg::TPixelLimit::plEnforce);
    const int width = output.width;
    const int height = output.height;
    // Rows are written straight into these pixels. The bitmap shares them;
    // should a listener change or drop the bitmap meanwhile, the rows still
    // land in memory that this frame keeps alive.
    QImage pixels(width, height, QImage::Format_RGB32);
    if (pixels.isNull()) throw EJPEG(jpeg::kErrorOutOfMemory);
    pixels.fill(Qt::white);
    jpeg::TDecodeTarget target;
    target.top_row = pixels.bits();
    target.row_step = pixels.bytesPerLine();
    std::vector<uint8_t> index_row;
    if (output.quantized || settings_.GrayOutput) {
      index_row.resize(static_cast<size_t>(width));
      target.index_row = index_row.data();
    }
    if (settings_.DecodeDepth == TJPEGDecodeDepth::dd8Bit) {
      target.palette = temporary_palette_.Entries.data();
      target.palette_count = static_cast<int>(temporary_palette_.Entries.size());
    } else {
      temporary_palette_ = TPalette();
    }
    bitmap_->SetImage(pixels);
    Progress(TProgressStage::psStarting, 0, /*redraw_now=*/false, TRect());
    try {
      decoder.Decode(target);
    } catch (const EAbort&) {
      aborted = true;
    }
    if (!aborted && output.quantized && bitmap_) {
      TPalette palette;
      if (target.palette_count > 0) {
        palette = temporary_palette_;
      } else {
        for (int i = 0; i < decoder.ColorCount(); ++i) palette.Entries.push_back(decoder.MapColor(i));
      }
      if (palette != bitmap_->Palette()) bitmap_->SetPalette(palette);
    }
  } catch (...) {
    // Nothing half-decoded stays behind: the next call decodes (and reports)
    // again.
    bitmap_.reset();
    Progress(TProgressStage::psEnding, 0, /*redraw_now=*/false, TRect());
    throw;
  }
  const bool palette_changed = bitmap_ && bitmap_->PaletteModified();
  Progress(TProgressStage::psEnding, aborted ? 0 : 100, palette_changed, TRect());
  if (palette_changed) {
    SetPaletteModified(true);
    Changed();
  }
}

void TJPEGImage::WriteToStream(TStream& stream) {
  EnsureEncoded();
  // A short write (a full disk) is an error, not a shorter picture.
  stream.WriteBuffer(data_->Bytes->Memory(), data_->Bytes->Size());
}

void TJPEGImage::SaveToPath(const std::string& path) {
  TFileStream file(path, fmCreate);
  WriteToStream(file);
  file.Close();
}

void TJPEGImage::ReadFromStream(TStream& stream) { ReadCompressed(stream.Size() - stream.Position(), stream); }

void TJPEGImage::ReadCompressed(int64_t count, TStream& stream) {
  CheckStreamHolds(stream, count);
  auto bytes = std::make_unique<TMemoryStream>();
  bytes->SetSize(count);
  stream.ReadBuffer(bytes->Memory(), count);
  data_ = std::make_shared<TJPEGData>();
  data_->Bytes = std::move(bytes);
  bitmap_.reset();
  if (count > 0) ParseHeader();
  SetPaletteModified(true);
  Changed();
}

void TJPEGImage::ParseHeader() {
  jpeg::TJpegDecoder decoder(*data_->Bytes, nullptr);
  const jpeg::TJpegHeader header = decoder.ReadHeader();
  data_->PixelWidth = header.width;
  data_->PixelHeight = header.height;
  data_->IsGray = header.color_space == jpeg::TJpegColorSpace::csGrayscale;
  settings_.MultiScan = header.multi_scan;
}

void TJPEGImage::ReadStored(TStream& stream) { ReadCompressed(ReadStoredLength(stream), stream); }

void TJPEGImage::WriteStored(TStream& stream) {
  // A picture that has only its bitmap is encoded first: its stored form
  // must not come out empty.
  if (bitmap_ && !bitmap_->Empty()) EnsureEncoded();
  const int64_t size = data_->Bytes ? data_->Bytes->Size() : 0;
  WriteStoredLength(stream, size);
  if (size > 0) stream.WriteBuffer(data_->Bytes->Memory(), size);
}

void RegisterJpegFormats(TFileFormats& formats) {
  auto create = []() -> std::unique_ptr<TGraphic> { return std::make_unique<TJPEGImage>(); };
  formats.Add("jpeg", "Fichier image JPEG", "TJPEGImage", create);
  formats.Add("jpg", "Fichier image JPEG", "TJPEGImage", create);
}

}  // namespace vitrix
