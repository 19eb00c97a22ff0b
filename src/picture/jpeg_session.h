#pragma once

// What the encoder and the decoder share: the error manager, the progress
// hook, and the exception kept while libjpeg is being left. Only the
// codec's own source files use it.
//
// Every libjpeg call that can fail runs inside a small section: a function
// with one setjmp point on the session's Jump() and no C++ object that has
// a destructor. libjpeg's fatal errors jump back to that point, the section
// returns FailureCode(), and ThrowIfFailed throws the C++ exception (EJPEG,
// or whatever a progress listener raised) only once libjpeg's frames have
// been left.

#include <csetjmp>
#include <cstdint>
#include <exception>
#include <memory>

#include "picture/jpeg_codec.h"

// libjpeg's context, known here only by name: jpeglib.h is included by the
// codec's source files alone.
struct jpeg_common_struct;

namespace vitrix::jpeg {

class TJpegSession {
 public:
  explicit TJpegSession(TRunningHandler running);
  ~TJpegSession();
  TJpegSession(const TJpegSession&) = delete;
  TJpegSession& operator=(const TJpegSession&) = delete;

  // Gives a context this session's error manager: before
  // jpeg_create_compress / jpeg_create_decompress, which keep it.
  void AttachErrorManager(jpeg_common_struct& info);
  // Gives a context this session's progress hook: after jpeg_create_*,
  // which clears the context's progress field.
  void AttachProgress(jpeg_common_struct& info);
  // The setjmp point of the section running now.
  std::jmp_buf& Jump() { return jump_; }

  // Throws what the last section left behind: the listener's exception, or
  // EJPEG with libjpeg's message code. Nothing when code is 0 (success).
  void ThrowIfFailed(int code);

  // Called by the progress hook: passes the progress on to the running
  // handler. False when the handler threw; its exception is kept for
  // ThrowIfFailed.
  bool ReportProgress(jpeg_common_struct& info) noexcept;

 private:
  struct TManagers;

  void Report(jpeg_common_struct& info);

  std::jmp_buf jump_{};
  std::unique_ptr<TManagers> managers_;
  TRunningHandler running_;
  std::exception_ptr pending_;
  bool first_call_ = true;
  int64_t last_tick_ = 0;
  int last_percent_ = -1;
  int last_row_ = 0;
};

// The code a section returns after libjpeg jumped back: never 0, which
// means success.
int FailureCode(const jpeg_common_struct& info);

// Ends the libjpeg work with a message code: jumps back to the section.
[[noreturn]] void Fail(jpeg_common_struct& info, int code);

}  // namespace vitrix::jpeg
