// The decoder: a JPEG stream into 32-bit rows, in one pass, or for
// IncrementalDecode in one pass per scan and a last pass with the final
// settings.

#include <algorithm>
#include <bit>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/jpeg_codec.h"
#include "picture/jpeg_memory_managers.h"
#include "picture/jpeg_session.h"

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's extended colour spaces (JCS_EXT_BGRX) are needed"
#endif

static_assert(std::endian::native == std::endian::little,
              "32-bit pixels are blue, green, red, unused in memory only on little-endian machines");

namespace vitrix::jpeg {
namespace {

TJpegColorSpace ColorSpaceOf(J_COLOR_SPACE space) {
  switch (space) {
    case JCS_GRAYSCALE: return TJpegColorSpace::csGrayscale;
    case JCS_RGB: return TJpegColorSpace::csRGB;
    case JCS_YCbCr: return TJpegColorSpace::csYCbCr;
    case JCS_CMYK: return TJpegColorSpace::csCMYK;
    case JCS_YCCK: return TJpegColorSpace::csYCCK;
    default: return TJpegColorSpace::csUnknown;
  }
}

}  // namespace

// The decompression context and what the decoder keeps between its steps.
// The *Section functions are the decoder's sections (see jpeg_session.h):
// each returns 0, or the code of the failure that made libjpeg jump back.
class TJpegDecoder::TContext {
 public:
  TContext(const TMemoryStream& input, TRunningHandler running) : session_(std::move(running)), input_(input) {}
  TContext(const TContext&) = delete;
  TContext& operator=(const TContext&) = delete;
  ~TContext() {
    if (created_) jpeg_destroy_decompress(&info_);
  }

  TJpegSession& Session() { return session_; }
  const TJpegHeader& Header() const { return header_; }
  TJpegOutput Output() const;

  int HeaderSection();
  int PrepareSection(const TDecodeSettings& settings, TPixelLimit limit);
  int DecodeSection(const TDecodeTarget& target);

  int ColorCount() const { return color_count_; }
  TColor MapColor(int index) const;

 private:
  void ReadPass(const TDecodeTarget& target);
  // libjpeg frees its colour map with the picture's memory when the decode
  // finishes: the colours are copied out as soon as the map exists.
  void CaptureColorMap();

  TJpegSession session_;
  jpeg_decompress_struct info_{};
  const TMemoryStream& input_;
  bool created_ = false;
  bool buffered_ = false;
  J_DCT_METHOD final_dct_ = JDCT_FLOAT;
  boolean final_two_pass_ = TRUE;
  J_DITHER_MODE final_dither_ = JDITHER_FS;
  TJpegHeader header_;
  TColor colors_[256] = {};
  int color_count_ = 0;
};

TJpegOutput TJpegDecoder::TContext::Output() const {
  TJpegOutput output;
  output.width = static_cast<int>(info_.output_width);
  output.height = static_cast<int>(info_.output_height);
  output.quantized = info_.quantize_colors != 0;
  return output;
}

int TJpegDecoder::TContext::HeaderSection() {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  session_.AttachErrorManager(*common);
  if (setjmp(session_.Jump())) return FailureCode(*common);

  jpeg_create_decompress(&info_);
  created_ = true;
  session_.AttachProgress(*common);
  info_.mem->max_memory_to_use = kMaxDecodeMemory;
  UseStreamSource(info_, input_);

  jpeg_read_header(&info_, TRUE);
  header_.width = static_cast<int>(info_.image_width);
  header_.height = static_cast<int>(info_.image_height);
  header_.components = info_.num_components;
  header_.color_space = ColorSpaceOf(info_.jpeg_color_space);
  header_.multi_scan = jpeg_has_multiple_scans(&info_) != 0;
  return 0;
}

int TJpegDecoder::TContext::PrepareSection(const TDecodeSettings& settings, TPixelLimit limit) {
  const int header = HeaderSection();
  if (header != 0) return header;
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  if (setjmp(session_.Jump())) return FailureCode(*common);

  // The coefficients and the pixels of the whole picture are what a decode
  // allocates: refuse pictures that would not fit before asking for them.
  if (limit == TPixelLimit::plEnforce &&
      static_cast<int64_t>(info_.image_width) * info_.image_height > kMaxDecodePixels) {
    Fail(*common, JERR_IMAGE_TOO_BIG);
  }
  info_.dct_method = JDCT_FLOAT;
  info_.scale_num = 1;
  info_.scale_denom = static_cast<unsigned>(settings.scale_denom);
  info_.do_block_smoothing = settings.block_smoothing ? TRUE : FALSE;
  if (settings.gray) info_.out_color_space = JCS_GRAYSCALE;
  if (settings.quantize || settings.gray) {
    info_.quantize_colors = TRUE;
    info_.desired_number_of_colors = 236;
  } else {
    info_.out_color_space = JCS_EXT_BGRX;
  }
  if (settings.fast) {
    info_.dct_method = JDCT_IFAST;
    info_.two_pass_quantize = FALSE;
    info_.dither_mode = JDITHER_ORDERED;
  }
  final_dct_ = info_.dct_method;
  final_two_pass_ = info_.two_pass_quantize;
  final_dither_ = info_.dither_mode;
  buffered_ = settings.incremental && jpeg_has_multiple_scans(&info_);
  if (buffered_) {
    info_.enable_2pass_quant = final_two_pass_;
    info_.dct_method = JDCT_IFAST;
    info_.two_pass_quantize = FALSE;
    info_.dither_mode = JDITHER_ORDERED;
    info_.buffered_image = TRUE;
  }
  jpeg_calc_output_dimensions(&info_);
  return 0;
}

// Reads every row of the current output pass, from the top down.
void TJpegDecoder::TContext::ReadPass(const TDecodeTarget& target) {
  while (info_.output_scanline < info_.output_height) {
    const JDIMENSION y = info_.output_scanline;
    uint8_t* out = target.top_row + target.row_step * static_cast<ptrdiff_t>(y);
    JSAMPROW row = info_.quantize_colors ? target.index_row : out;
    if (jpeg_read_scanlines(&info_, &row, 1) != 1) break;
    if (!info_.quantize_colors) continue;
    for (JDIMENSION x = 0; x < info_.output_width; ++x) {
      const TColor colour = MapColor(target.index_row[x]);
      out[4 * x + 0] = static_cast<uint8_t>(colour >> 16);
      out[4 * x + 1] = static_cast<uint8_t>(colour >> 8);
      out[4 * x + 2] = static_cast<uint8_t>(colour);
      out[4 * x + 3] = 0xFF;
    }
  }
}

int TJpegDecoder::TContext::DecodeSection(const TDecodeTarget& target) {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  if (setjmp(session_.Jump())) return FailureCode(*common);

  if (info_.quantize_colors && target.palette_count > 0) {
    // Output is mapped to the palette given instead of one of libjpeg's.
    const int count = std::min(target.palette_count, 256);
    info_.colormap = (*info_.mem->alloc_sarray)(common, JPOOL_IMAGE, static_cast<JDIMENSION>(count), 3);
    for (int i = 0; i < count; ++i) {
      info_.colormap[0][i] = static_cast<JSAMPLE>(GetRValue(target.palette[i]));
      info_.colormap[1][i] = static_cast<JSAMPLE>(GetGValue(target.palette[i]));
      info_.colormap[2][i] = static_cast<JSAMPLE>(GetBValue(target.palette[i]));
    }
    info_.actual_number_of_colors = count;
  }
  jpeg_start_decompress(&info_);
  if (!buffered_) {
    CaptureColorMap();
    ReadPass(target);
  } else {
    // One pass per scan as the scans come in, then a last pass with the
    // final settings.
    for (;;) {
      jpeg_start_output(&info_, info_.input_scan_number);
      CaptureColorMap();
      ReadPass(target);
      jpeg_finish_output(&info_);
      int status;
      do {
        status = jpeg_consume_input(&info_);
      } while (status != JPEG_SUSPENDED && status != JPEG_REACHED_EOI && status != JPEG_REACHED_SOS);
      if (status != JPEG_REACHED_SOS) break;
      if (info_.input_scan_number > kMaxScans) Fail(*common, JERR_NOTIMPL);
    }
    info_.dct_method = final_dct_;
    info_.two_pass_quantize = final_two_pass_;
    info_.dither_mode = final_dither_;
    jpeg_start_output(&info_, info_.input_scan_number);
    CaptureColorMap();
    ReadPass(target);
    jpeg_finish_output(&info_);
  }
  jpeg_finish_decompress(&info_);
  return 0;
}

void TJpegDecoder::TContext::CaptureColorMap() {
  color_count_ = 0;
  if (!info_.quantize_colors || info_.colormap == nullptr) return;
  color_count_ = std::clamp(info_.actual_number_of_colors, 0, 256);
  for (int i = 0; i < color_count_; ++i) {
    if (info_.out_color_components == 1) {
      const int v = info_.colormap[0][i];
      colors_[i] = RGB(v, v, v);
    } else {
      colors_[i] = RGB(info_.colormap[0][i], info_.colormap[1][i], info_.colormap[2][i]);
    }
  }
}

TColor TJpegDecoder::TContext::MapColor(int index) const {
  // An index beyond the map (never written by libjpeg) reads as the last
  // colour rather than outside the table.
  if (color_count_ == 0) return clBlack;
  return colors_[std::clamp(index, 0, color_count_ - 1)];
}

// ----- The decoder's face

TJpegDecoder::TJpegDecoder(const TMemoryStream& input, TRunningHandler running)
    : context_(std::make_unique<TContext>(input, std::move(running))) {}

TJpegDecoder::~TJpegDecoder() = default;

TJpegHeader TJpegDecoder::ReadHeader() {
  context_->Session().ThrowIfFailed(context_->HeaderSection());
  return context_->Header();
}

TJpegOutput TJpegDecoder::Prepare(const TDecodeSettings& settings, TPixelLimit limit) {
  context_->Session().ThrowIfFailed(context_->PrepareSection(settings, limit));
  return context_->Output();
}

void TJpegDecoder::Decode(const TDecodeTarget& target) {
  context_->Session().ThrowIfFailed(context_->DecodeSection(target));
}

int TJpegDecoder::ColorCount() const { return context_->ColorCount(); }

TColor TJpegDecoder::MapColor(int index) const { return context_->MapColor(index); }

}  // namespace vitrix::jpeg
