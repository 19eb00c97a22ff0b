#pragma once

// The error tree shared by every layer. Each exception carries its message as a
// Windows-1252 byte string, ready for the error box or the journal; what()
// returns the same bytes.

#include <exception>
#include <string>

namespace vitrix {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The silent exception: it ends an operation without any message being shown.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
};

// A failed operation on a text file (the journal). Code is the errno value.
class EInOutError : public Exception {
 public:
  EInOutError(int code, std::string message) : Exception(std::move(message)), code_(code) {}
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

class EConvertError : public Exception {
  using Exception::Exception;
};

class EInvalidOperation : public Exception {
  using Exception::Exception;
};

// A failed stream or file operation. ErrorCode is the system's errno value
// when the system gave one, 0 otherwise.
class EStreamError : public Exception {
 public:
  explicit EStreamError(std::string message, int code = 0) : Exception(std::move(message)), code_(code) {}
  int ErrorCode() const noexcept { return code_; }

 private:
  int code_;
};

class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};

class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};

class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};

class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};

// Raised where a text cannot be carried in Windows-1252 (a path, a clipboard
// text) instead of letting it turn into a garbled name.
class EEncodingError : public EConvertError {
  using EConvertError::EConvertError;
};

// Message texts used by the stream classes.
inline constexpr const char* kReadErrorText = "Erreur de lecture du flux";
inline constexpr const char* kWriteErrorText =
    "Erreur d'\xE9"
    "criture du flux";

}  // namespace vitrix
