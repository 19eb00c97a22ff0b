// The encoder: 32-bit rows into a baseline (or progressive) JFIF stream,
// with libjpeg's float DCT, so that the bytes are those of
// "cjpeg -dct float -baseline" for the same pixels.

#include <algorithm>
#include <bit>
#include <cstdio>

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

// The compression context, destroyed however the encoding ends.
struct TCompressContext {
  jpeg_compress_struct info{};
  bool created = false;

  TCompressContext() = default;
  TCompressContext(const TCompressContext&) = delete;
  TCompressContext& operator=(const TCompressContext&) = delete;
  ~TCompressContext() {
    if (created) jpeg_destroy_compress(&info);
  }
};

// The section of the encoder (see jpeg_session.h): returns 0, or the code
// of the failure that made libjpeg jump back.
int EncodeSection(TJpegSession& session, TCompressContext& context, const TPixelRows& rows,
                  const TEncodeSettings& settings, TMemoryStream& output) {
  jpeg_compress_struct& info = context.info;
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info);
  session.AttachErrorManager(*common);
  if (setjmp(session.Jump())) return FailureCode(*common);

  jpeg_create_compress(&info);
  context.created = true;
  session.AttachProgress(*common);
  UseStreamDestination(info, output);

  info.image_width = static_cast<JDIMENSION>(rows.width);
  info.image_height = static_cast<JDIMENSION>(rows.height);
  // Rows are handed over straight from the 32-bit pixel memory.
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info);
  info.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&info, std::clamp(settings.quality, 1, 100), TRUE);
  if (settings.gray) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
  if (settings.progressive) jpeg_simple_progression(&info);

  jpeg_start_compress(&info, TRUE);
  const uint8_t* row = rows.top_row;
  while (info.next_scanline < info.image_height) {
    JSAMPROW pointer = const_cast<JSAMPROW>(row);
    const JDIMENSION written = jpeg_write_scanlines(&info, &pointer, 1);
    row += rows.row_step * static_cast<ptrdiff_t>(written);
  }
  jpeg_finish_compress(&info);
  return 0;
}

}  // namespace

void Encode(const TPixelRows& rows, const TEncodeSettings& settings, TMemoryStream& output, TRunningHandler running) {
  TJpegSession session(std::move(running));
  TCompressContext context;
  const int code = EncodeSection(session, context, rows, settings, output);
  session.ThrowIfFailed(code);
}

}  // namespace vitrix::jpeg
