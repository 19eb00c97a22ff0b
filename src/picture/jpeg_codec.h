#pragma once

// The libjpeg side of the JPEG picture. Every libjpeg call that can fail runs
// inside a small section with one setjmp point and no C++ object that has a
// destructor: libjpeg's fatal errors jump back to that point, the section
// returns, and the C++ exception (EJPEG, or whatever a progress listener
// raised) is thrown only after libjpeg's frames have been left.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <functional>

#include <jpeglib.h>
#include <jerror.h>

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

// The least time between two running reports; tests shorten it to see the
// reports of short work.
inline int progress_interval_ms = 500;

// Progress as libjpeg reports it, reduced as the picture reports it: at
// most every 500 ms and only when the percentage changed. Running may
// throw; the exception ends the libjpeg work and is re-raised afterwards.
using TRunningHandler = std::function<void(uint8_t percent, bool redraw_now, const TRect& rect)>;

struct TErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

struct TProgressManager {
  jpeg_progress_mgr pub;
  void* owner;  // the TJpegSession
};

// What the encoder and the decoder share: the error manager, the progress
// hook, and the exception kept while libjpeg is being left.
class TJpegSession {
 public:
  explicit TJpegSession(TRunningHandler running);
  TJpegSession(const TJpegSession&) = delete;
  TJpegSession& operator=(const TJpegSession&) = delete;

  // Throws what the last section left behind: the listener's exception, or
  // EJPEG with libjpeg's message code. Nothing when it succeeded.
  void ThrowIfFailed(int code);

 protected:
  void Attach(j_common_ptr info);

  TErrorManager error_{};
  TProgressManager progress_{};

 private:
  static void ProgressHook(j_common_ptr info);
  void Report(j_common_ptr info);

  TRunningHandler running_;
  std::exception_ptr pending_;
  bool first_call_ = true;
  int64_t last_tick_ = 0;
  int last_percent_ = -1;
  int last_row_ = 0;
};

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

class TJpegEncoder : public TJpegSession {
 public:
  TJpegEncoder(TMemoryStream& output, TRunningHandler running);
  ~TJpegEncoder();

  // Writes the complete JPEG stream of the rows to the output.
  void Encode(const TPixelRows& rows, const TEncodeSettings& settings);

 private:
  int EncodeSection(const TPixelRows& rows, const TEncodeSettings& settings);

  jpeg_compress_struct info_{};
  TMemoryStream& output_;
  bool created_ = false;
};

struct TDecodeSettings {
  int scale_denom = 1;  // 1, 2, 4 or 8
  bool block_smoothing = true;
  bool gray = false;
  bool quantize = false;  // 8-bit output: at most 236 colours
  bool fast = false;
  bool incremental = false;
};

// Where the decoded rows go: 32-bit rows as in TPixelRows, and for
// quantised output a scratch row of output_width colour indexes and an
// optional palette to map to.
struct TDecodeTarget {
  uint8_t* top_row = nullptr;
  ptrdiff_t row_step = 0;
  uint8_t* index_row = nullptr;
  const TColor* palette = nullptr;
  int palette_count = 0;
};

enum class TPixelLimit { kEnforce, kIgnore };

class TJpegDecoder : public TJpegSession {
 public:
  TJpegDecoder(const TMemoryStream& input, TRunningHandler running);
  ~TJpegDecoder();

  // The stream's header: image size, colour space, scans.
  void ReadHeader();
  // ReadHeader, then the settings and the output size they give. With
  // kEnforce, pictures above the pixel limit are refused with EJPEG (only
  // the size is wanted with kIgnore: nothing is decoded).
  void Prepare(const TDecodeSettings& settings, TPixelLimit limit);
  // Decodes every row into the target (after Prepare).
  void Decode(const TDecodeTarget& target);

  const jpeg_decompress_struct& Info() const { return info_; }
  bool Quantized() const { return info_.quantize_colors != 0; }
  // The colour map of quantised output as 0x00BBGGRR colours.
  int ColorCount() const;
  TColor MapColor(int index) const;

 private:
  int HeaderSection();
  int PrepareSection(const TDecodeSettings& settings, TPixelLimit limit);
  int DecodeSection(const TDecodeTarget& target);
  void ReadPass(const TDecodeTarget& target);
  // libjpeg frees its colour map with the picture's memory when the decode
  // finishes: the colours are copied out as soon as the map exists.
  void CaptureColorMap();

  jpeg_decompress_struct info_{};
  const TMemoryStream& input_;
  bool created_ = false;
  bool buffered_ = false;
  J_DCT_METHOD final_dct_ = JDCT_FLOAT;
  boolean final_two_pass_ = TRUE;
  J_DITHER_MODE final_dither_ = JDITHER_FS;
  TColor colors_[256] = {};
  int color_count_ = 0;
};

}  // namespace jpeg
}  // namespace vitrix
