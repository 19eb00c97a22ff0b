#include "picture/jpeg_session.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/graphic_errors.h"

static_assert(JPEG_LIB_VERSION == 62, "the error codes follow libjpeg 6b's numbering");
static_assert(vitrix::jpeg::kErrorFileWrite == JERR_FILE_WRITE);
static_assert(vitrix::jpeg::kErrorImageTooBig == JERR_IMAGE_TOO_BIG);
static_assert(vitrix::jpeg::kErrorInputEmpty == JERR_INPUT_EMPTY);
static_assert(vitrix::jpeg::kErrorNotImplemented == JERR_NOTIMPL);
static_assert(vitrix::jpeg::kErrorOutOfMemory == JERR_OUT_OF_MEMORY);

namespace vitrix::jpeg {

// The managers start with libjpeg's own structure, so that libjpeg's
// pointer to it leads back to the session.
struct TErrorManager {
  jpeg_error_mgr pub;
  TJpegSession* session;
};

struct TProgressManager {
  jpeg_progress_mgr pub;
  TJpegSession* session;
};

struct TJpegSession::TManagers {
  TErrorManager error{};
  TProgressManager progress{};
};

namespace {

// The code reported for an operation that a progress listener ended; the
// listener's own exception is what the caller sees.
constexpr int kListenerFailed = -1;

TJpegSession& SessionOf(j_common_ptr info) { return *reinterpret_cast<TErrorManager*>(info->err)->session; }

// ----- Error manager: fatal errors jump back to the section; warnings and
// trace messages are dropped without being formatted.

void ErrorExit(j_common_ptr info) { std::longjmp(SessionOf(info).Jump(), 1); }
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
void ResetErrorManager(j_common_ptr info) {
  info->err->num_warnings = 0;
  info->err->msg_code = 0;
}

// ----- Progress hook

void ProgressHook(j_common_ptr info) {
  TJpegSession* session = reinterpret_cast<TProgressManager*>(info->progress)->session;
  if (session == nullptr) return;
  if (info->is_decompressor) {
    // Checked on every call, before any throttling: a stream of thousands
    // of scans is refused while its input is being consumed.
    const auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxScans) Fail(*info, JERR_NOTIMPL);
  }
  // The listener ran in ReportProgress, whose frame is gone: nothing with a
  // destructor is alive between here and the section's setjmp point.
  if (!session->ReportProgress(*info)) Fail(*info, kListenerFailed);
}

int64_t TickMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int FailureCode(const jpeg_common_struct& info) {
  return info.err->msg_code != 0 ? info.err->msg_code : kListenerFailed;
}

void Fail(jpeg_common_struct& info, int code) {
  info.err->msg_code = code;
  (*info.err->error_exit)(&info);
  std::abort();  // error_exit never returns
}

TJpegSession::TJpegSession(TRunningHandler running)
    : managers_(std::make_unique<TManagers>()), running_(std::move(running)) {}

TJpegSession::~TJpegSession() = default;

void TJpegSession::AttachErrorManager(jpeg_common_struct& info) {
  jpeg_error_mgr& error = managers_->error.pub;
  jpeg_std_error(&error);
  error.error_exit = ErrorExit;
  error.emit_message = EmitMessage;
  error.output_message = OutputMessage;
  error.format_message = FormatMessage;
  error.reset_error_mgr = ResetErrorManager;
  managers_->error.session = this;
  info.err = &error;
}

void TJpegSession::AttachProgress(jpeg_common_struct& info) {
  managers_->progress.pub.progress_monitor = ProgressHook;
  managers_->progress.session = this;
  info.progress = &managers_->progress.pub;
}

bool TJpegSession::ReportProgress(jpeg_common_struct& info) noexcept {
  try {
    Report(info);
    return true;
  } catch (...) {
    pending_ = std::current_exception();
    return false;
  }
}

void TJpegSession::Report(jpeg_common_struct& info) {
  if (!running_) return;
  const int64_t now = TickMilliseconds();
  if (first_call_) {
    first_call_ = false;
    last_tick_ = now;
    return;
  }
  if (now - last_tick_ < progress_interval_ms) return;
  last_tick_ = now;
  const jpeg_progress_mgr& p = *info.progress;
  const double pass = p.pass_limit > 0 ? static_cast<double>(p.pass_counter) / static_cast<double>(p.pass_limit) : 0.0;
  const int total = p.total_passes > 0 ? p.total_passes : 1;
  const int percent = std::clamp(static_cast<int>((pass + p.completed_passes) * 100.0 / total), 0, 100);
  if (percent == last_percent_) return;
  last_percent_ = percent;
  TRect rect;
  if (info.is_decompressor) {
    const auto* d = reinterpret_cast<j_decompress_ptr>(&info);
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

}  // namespace vitrix::jpeg
