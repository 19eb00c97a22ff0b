#pragma once

// The libjpeg codec under the JPEG picture: an encoder of 32-bit pixel rows
// into a memory stream, and a decoder of a memory stream into 32-bit rows.
// libjpeg itself stays inside the codec's own source files (jpeg_session,
// jpeg_memory_managers, jpeg_encoder, jpeg_decoder): callers see only the
// settings, the header and the failures described here. Every failure is
// EJPEG with libjpeg's message code, or the exception a progress listener
// raised.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "picture/types.h"

namespace vitrix {

class TMemoryStream;

namespace jpeg {

// Larger pictures are refused before anything is allocated for them: their
// pixels and, for multi-scan streams, their coefficients would not fit.
#ifdef VITRIX_FUZZING
inline constexpr int64_t kMaxDecodePixels = int64_t{1} << 22;
inline constexpr long kMaxDecodeMemory = 256L << 20;
#else
inline constexpr int64_t kMaxDecodePixels = int64_t{1} << 28;
inline constexpr long kMaxDecodeMemory = 4096L << 20;
#endif
// A real multi-scan stream has about ten scans; a hostile one can hold
// thousands of empty scans that each cost a pass over the whole picture.
inline constexpr int kMaxScans = 500;

// The libjpeg 6b message codes that EJPEG carries for the failures the
// codec and the picture raise themselves.
inline constexpr int kErrorFileWrite = 37;       // the output stream took fewer bytes
inline constexpr int kErrorImageTooBig = 41;     // more than kMaxDecodePixels
inline constexpr int kErrorInputEmpty = 42;      // a stream of no bytes
inline constexpr int kErrorNotImplemented = 47;  // more than kMaxScans scans
inline constexpr int kErrorOutOfMemory = 54;     // no memory for the decoded rows

// The least time between two running reports; tests shorten it to see the
// reports of short work.
inline int progress_interval_ms = 500;

// Progress as libjpeg reports it, reduced as the picture reports it: at
// most every 500 ms and only when the percentage changed. Running may
// throw; the exception ends the libjpeg work and is re-raised afterwards.
using TRunningHandler = std::function<void(uint8_t percent, bool redraw_now, const TRect& rect)>;

// ----- Encoding

struct TEncodeSettings {
  int quality = 90;  // clamped to 1..100
  bool gray = false;
  bool progressive = false;
};

// 32-bit rows in blue, green, red, unused order.
struct TPixelRows {
  const uint8_t* top_row = nullptr;
  ptrdiff_t row_step = 0;
  int width = 0;
  int height = 0;
};

// Appends the complete JPEG stream of the rows to the output.
void Encode(const TPixelRows& rows, const TEncodeSettings& settings, TMemoryStream& output, TRunningHandler running);

// ----- Decoding

// The colour spaces a stream's header can name.
enum class TJpegColorSpace { csUnknown, csGrayscale, csRGB, csYCbCr, csCMYK, csYCCK };

// What the header of a stream says about its picture.
struct TJpegHeader {
  int width = 0;
  int height = 0;
  int components = 0;
  TJpegColorSpace color_space = TJpegColorSpace::csUnknown;
  bool multi_scan = false;  // progressive: the picture comes in several scans
};

struct TDecodeSettings {
  int scale_denom = 1;  // 1, 2, 4 or 8
  bool block_smoothing = true;
  bool gray = false;
  bool quantize = false;  // 8-bit output: at most 236 colours
  bool fast = false;
  bool incremental = false;
};

// Whether Prepare refuses pictures above kMaxDecodePixels: a caller that
// only wants the output size decodes nothing and need not refuse them.
enum class TPixelLimit { plEnforce, plIgnore };

// The decoded picture's size and the form of its rows.
struct TJpegOutput {
  int width = 0;
  int height = 0;
  // The rows come as colour indexes, mapped through the colour map
  // (ColorCount, MapColor) into the 32-bit rows.
  bool quantized = false;
};

// Where the decoded rows go: 32-bit rows as in TPixelRows, and for
// quantised output a scratch row of TJpegOutput::width colour indexes and
// an optional palette to map to.
struct TDecodeTarget {
  uint8_t* top_row = nullptr;
  ptrdiff_t row_step = 0;
  uint8_t* index_row = nullptr;
  const TColor* palette = nullptr;
  int palette_count = 0;
};

// One decode of one stream: ReadHeader, or Prepare and then Decode. The
// stream must stay alive and unchanged while the decoder exists.
class TJpegDecoder {
 public:
  TJpegDecoder(const TMemoryStream& input, TRunningHandler running);
  ~TJpegDecoder();
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  // The stream's header.
  TJpegHeader ReadHeader();
  // Reads the header, then applies the settings and gives the output they
  // lead to. With plEnforce, pictures above the pixel limit are refused.
  TJpegOutput Prepare(const TDecodeSettings& settings, TPixelLimit limit);
  // Decodes every row into the target (after Prepare).
  void Decode(const TDecodeTarget& target);

  // The colour map of quantised output as 0x00BBGGRR colours; an index
  // beyond the map reads as its last colour.
  int ColorCount() const;
  TColor MapColor(int index) const;

 private:
  class TContext;
  std::unique_ptr<TContext> context_;
};

}  // namespace jpeg
}  // namespace vitrix
