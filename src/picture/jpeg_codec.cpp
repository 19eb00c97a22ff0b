#include "picture/jpeg_codec.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>

#include "picture/graphic_errors.h"
#include "rtl/streams.h"

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's extended colour spaces (JCS_EXT_BGRX) are needed"
#endif

static_assert(JPEG_LIB_VERSION == 62, "the error codes follow libjpeg 6b's numbering");
static_assert(std::endian::native == std::endian::little,
              "32-bit pixels are blue, green, red, unused in memory only on little-endian machines");

namespace vitrix::jpeg {
namespace {

constexpr size_t kBufferSize = 4096;

// The code reported for an operation that a progress listener ended; the
// listener's own exception is what the caller sees.
constexpr int kListenerFailed = -1;

// The code a section returns after libjpeg jumped back: never 0, which
// means success.
int FailureCode(j_common_ptr info) { return info->err->msg_code != 0 ? info->err->msg_code : kListenerFailed; }

TErrorManager* ErrorManagerOf(j_common_ptr info) { return reinterpret_cast<TErrorManager*>(info->err); }

// ----- Error manager: fatal errors jump back to the section; warnings and
// trace messages are dropped without being formatted.

void ErrorExit(j_common_ptr info) { std::longjmp(ErrorManagerOf(info)->jump, 1); }
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
void ResetErrorManager(j_common_ptr info) {
  info->err->num_warnings = 0;
  info->err->msg_code = 0;
}

jpeg_error_mgr* InstallErrorManager(TErrorManager& manager) {
  jpeg_std_error(&manager.pub);
  manager.pub.error_exit = ErrorExit;
  manager.pub.emit_message = EmitMessage;
  manager.pub.output_message = OutputMessage;
  manager.pub.format_message = FormatMessage;
  manager.pub.reset_error_mgr = ResetErrorManager;
  return &manager.pub;
}

[[noreturn]] void Fail(j_common_ptr info, int code) {
  info->err->msg_code = code;
  (*info->err->error_exit)(info);
  std::abort();  // error_exit never returns
}

int64_t TickMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// ----- Destination: a 4096-byte buffer that is appended to the stream
// whenever it is full, and its filled part at the end.

struct TDestination {
  jpeg_destination_mgr pub;
  TMemoryStream* stream;
  JOCTET* buffer;
};

void WriteOrFail(j_compress_ptr info, const JOCTET* data, size_t count) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  int64_t written = -1;
  try {
    written = dest->stream->Write(data, static_cast<int64_t>(count));
  } catch (...) {
    written = -1;  // out of memory: reported as the failed write below
  }
  if (written != static_cast<int64_t>(count)) Fail(reinterpret_cast<j_common_ptr>(info), JERR_FILE_WRITE);
}

void InitDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  dest->buffer = static_cast<JOCTET*>(
      (*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, kBufferSize));
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  WriteOrFail(info, dest->buffer, kBufferSize);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* dest = reinterpret_cast<TDestination*>(info->dest);
  const size_t filled = kBufferSize - dest->pub.free_in_buffer;
  if (filled > 0) WriteOrFail(info, dest->buffer, filled);
}

// ----- Source: refills of up to 4096 bytes from the stream's memory. An
// empty stream is error 42; running out later supplies an end-of-image
// marker so that a truncated stream still ends.

struct TSource {
  jpeg_source_mgr pub;
  const TMemoryStream* stream;
  size_t offset;
  bool first_fill;
  JOCTET* buffer;
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
  auto* src = reinterpret_cast<TSource*>(info->src);
  const auto size = static_cast<size_t>(src->stream->View().size());
  const size_t count = std::min(kBufferSize, size - std::min(size, src->offset));
  if (count == 0) {
    if (src->first_fill) Fail(reinterpret_cast<j_common_ptr>(info), JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = 2;
  } else {
    std::memcpy(src->buffer, src->stream->View().data() + src->offset, count);
    src->offset += count;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = count;
  }
  src->first_fill = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  auto* src = reinterpret_cast<TSource*>(info->src);
  auto remaining = static_cast<size_t>(count);
  while (remaining > src->pub.bytes_in_buffer) {
    remaining -= src->pub.bytes_in_buffer;
    FillInputBuffer(info);
  }
  src->pub.next_input_byte += remaining;
  src->pub.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

}  // namespace

// ----- Session

TJpegSession::TJpegSession(TRunningHandler running) : running_(std::move(running)) {}

void TJpegSession::Attach(j_common_ptr info) {
  info->err = InstallErrorManager(error_);
  progress_.pub.progress_monitor = ProgressHook;
  progress_.owner = this;
}

void TJpegSession::ProgressHook(j_common_ptr info) {
  auto* session = static_cast<TJpegSession*>(reinterpret_cast<TProgressManager*>(info->progress)->owner);
  if (session == nullptr) return;
  if (info->is_decompressor) {
    // Checked on every call, before any throttling: a stream of thousands
    // of scans is refused while its input is being consumed.
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) Fail(info, JERR_NOTIMPL);
  }
  bool failed = false;
  try {
    session->Report(info);
  } catch (...) {
    session->pending_ = std::current_exception();
    failed = true;
  }
  // Outside the handler: nothing with a destructor is alive in this frame.
  if (failed) Fail(info, kListenerFailed);
}

void TJpegSession::Report(j_common_ptr info) {
  if (!running_) return;
  const int64_t now = TickMilliseconds();
  if (first_call_) {
    first_call_ = false;
    last_tick_ = now;
    return;
  }
  if (now - last_tick_ < progress_interval_ms) return;
  last_tick_ = now;
  const jpeg_progress_mgr& p = *info->progress;
  const double pass = p.pass_limit > 0 ? static_cast<double>(p.pass_counter) / static_cast<double>(p.pass_limit) : 0.0;
  const int total = p.total_passes > 0 ? p.total_passes : 1;
  const int percent = std::clamp(static_cast<int>((pass + p.completed_passes) * 100.0 / total), 0, 100);
  if (percent == last_percent_) return;
  last_percent_ = percent;
  TRect rect;
  if (info->is_decompressor) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(info);
    const int scanline = static_cast<int>(d->output_scanline);
    const int bottom = scanline < last_row_ ? static_cast<int>(d->output_height) : scanline;
    rect = Rect(0, last_row_, static_cast<int>(d->output_width), bottom);
    last_row_ = scanline;
  }
  running_(static_cast<uint8_t>(percent), rect.Height() >= 4, rect);
}

void TJpegSession::ThrowIfFailed(int code) {
  if (pending_) {
    std::exception_ptr pending = pending_;
    pending_ = nullptr;
    std::rethrow_exception(pending);
  }
  if (code != 0) throw EJPEG(code);
}

// ----- Encoder

TJpegEncoder::TJpegEncoder(TMemoryStream& output, TRunningHandler running)
    : TJpegSession(std::move(running)), output_(output) {}

TJpegEncoder::~TJpegEncoder() {
  if (created_) jpeg_destroy_compress(&info_);
}

void TJpegEncoder::Encode(const TPixelRows& rows, const TEncodeSettings& settings) {
  ThrowIfFailed(EncodeSection(rows, settings));
}

int TJpegEncoder::EncodeSection(const TPixelRows& rows, const TEncodeSettings& settings) {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  Attach(common);
  if (setjmp(error_.jump)) return FailureCode(common);

  jpeg_create_compress(&info_);
  created_ = true;
  info_.progress = &progress_.pub;
  auto* dest = static_cast<TDestination*>((*info_.mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(TDestination)));
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  dest->stream = &output_;
  dest->buffer = nullptr;
  info_.dest = &dest->pub;

  info_.image_width = static_cast<JDIMENSION>(rows.width);
  info_.image_height = static_cast<JDIMENSION>(rows.height);
  // Rows are handed over straight from the 32-bit pixel memory.
  info_.input_components = 4;
  info_.in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(&info_);
  info_.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&info_, std::clamp(settings.quality, 1, 100), TRUE);
  if (settings.gray) jpeg_set_colorspace(&info_, JCS_GRAYSCALE);
  if (settings.progressive) jpeg_simple_progression(&info_);

  jpeg_start_compress(&info_, TRUE);
  const uint8_t* row = rows.top_row;
  while (info_.next_scanline < info_.image_height) {
    JSAMPROW pointer = const_cast<JSAMPROW>(row);
    const JDIMENSION written = jpeg_write_scanlines(&info_, &pointer, 1);
    row += rows.row_step * static_cast<ptrdiff_t>(written);
  }
  jpeg_finish_compress(&info_);
  return 0;
}

// ----- Decoder

TJpegDecoder::TJpegDecoder(const TMemoryStream& input, TRunningHandler running)
    : TJpegSession(std::move(running)), input_(input) {}

TJpegDecoder::~TJpegDecoder() {
  if (created_) jpeg_destroy_decompress(&info_);
}

void TJpegDecoder::ReadHeader() { ThrowIfFailed(HeaderSection()); }

void TJpegDecoder::Prepare(const TDecodeSettings& settings, TPixelLimit limit) {
  ThrowIfFailed(PrepareSection(settings, limit));
}

void TJpegDecoder::Decode(const TDecodeTarget& target) { ThrowIfFailed(DecodeSection(target)); }

int TJpegDecoder::HeaderSection() {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  Attach(common);
  if (setjmp(error_.jump)) return FailureCode(common);

  jpeg_create_decompress(&info_);
  created_ = true;
  info_.progress = &progress_.pub;
  info_.mem->max_memory_to_use = kMaxDecodeMemory;
  auto* src = static_cast<TSource*>((*info_.mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(TSource)));
  src->buffer = static_cast<JOCTET*>((*info_.mem->alloc_small)(common, JPOOL_PERMANENT, kBufferSize));
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  src->stream = &input_;
  src->offset = 0;
  src->first_fill = true;
  info_.src = &src->pub;

  jpeg_read_header(&info_, TRUE);
  return 0;
}

int TJpegDecoder::PrepareSection(const TDecodeSettings& settings, TPixelLimit limit) {
  const int header = HeaderSection();
  if (header != 0) return header;
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  if (setjmp(error_.jump)) return FailureCode(common);

  // The coefficients and the pixels of the whole picture are what a decode
  // allocates: refuse pictures that would not fit before asking for them.
  if (limit == TPixelLimit::kEnforce &&
      static_cast<int64_t>(info_.image_width) * info_.image_height > kMaxDecodePixels) {
    Fail(common, JERR_IMAGE_TOO_BIG);
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
void TJpegDecoder::ReadPass(const TDecodeTarget& target) {
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

int TJpegDecoder::DecodeSection(const TDecodeTarget& target) {
  j_common_ptr common = reinterpret_cast<j_common_ptr>(&info_);
  if (setjmp(error_.jump)) return FailureCode(common);

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
      if (info_.input_scan_number > kMaxScans) Fail(common, JERR_NOTIMPL);
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

void TJpegDecoder::CaptureColorMap() {
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

int TJpegDecoder::ColorCount() const { return color_count_; }

TColor TJpegDecoder::MapColor(int index) const {
  // An index beyond the map (never written by libjpeg) reads as the last
  // colour rather than outside the table.
  if (color_count_ == 0) return clBlack;
  return colors_[std::clamp(index, 0, color_count_ - 1)];
}

}  // namespace vitrix::jpeg
