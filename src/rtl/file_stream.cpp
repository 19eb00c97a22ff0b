#include "rtl/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "rtl/exceptions.h"
#include "rtl/files.h"
#include "rtl/strings.h"
#include "rtl/system_error.h"

namespace vitrix {
namespace {

// "path". reason, as the messages about a file end.
std::string FileAndReason(const std::string& path, int error) {
  return Concat({"\"", ExpandFileName(path), "\". ", SysErrorMessage(error)});
}

[[noreturn]] void RaiseOpenError(bool creating, const std::string& path, int error) {
  if (creating)
    throw EFCreateError(
        "Impossible de cr\xE9"
        "er le fichier " +
            FileAndReason(path, error),
        error);
  throw EFOpenError("Impossible d'ouvrir le fichier " + FileAndReason(path, error), error);
}

[[noreturn]] void RaiseFileWriteError(const std::string& path, int error) {
  throw EWriteError(
      "Erreur d'\xE9"
      "criture dans le fichier " +
          FileAndReason(path, error),
      error);
}

int LockFor(uint16_t mode, bool creating) {
  const uint16_t share = mode & 0x00F0;
  if (share == fmShareDenyNone) return 0;
  if (share == fmShareDenyWrite) return LOCK_SH;
  if (share == fmShareExclusive || share == fmShareDenyRead) return LOCK_EX;
  // No sharing mode given: files being created are held exclusively, files
  // opened for reading allow others.
  return creating ? LOCK_EX : 0;
}

}  // namespace

TFileStream::TFileStream(const std::string& path, uint16_t mode) : file_name_(path) {
  const bool creating = (mode & fmCreate) == fmCreate;
  const bool creating_new = (mode & fmCreateNew) == fmCreateNew;
  int flags = O_CLOEXEC;
  if (creating_new) {
    // O_EXCL alone already refuses a link, even a dangling one; O_NOFOLLOW
    // says so once more.
    flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
  } else if (creating) {
    flags |= O_RDWR | O_CREAT;
  } else {
    switch (mode & 0x0003) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; break;
    }
    if (mode & fmAppend) flags |= O_APPEND;
  }
  const std::string system_path = ToSystemPath(path);
  fd_ = ::open(system_path.c_str(), flags, 0666);
  if (fd_ < 0) RaiseOpenError(creating, path, errno);
  if (const int lock = LockFor(mode, creating); lock != 0 && ::flock(fd_, lock | LOCK_NB) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    RaiseOpenError(creating, path, error);
  }
  // Truncate only once the lock is ours, so that a file in use is not emptied.
  // A new file has nothing to truncate.
  if (creating && !creating_new && ::ftruncate(fd_, 0) != 0) {
    const int error = errno;
    ::close(fd_);
    fd_ = -1;
    RaiseOpenError(creating, path, error);
  }
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

void TFileStream::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  // After close() fails the descriptor is released all the same: it is
  // never closed twice.
  if (::close(fd) != 0 && errno != EINTR) RaiseFileWriteError(file_name_, errno);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::read(fd_, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  last_error_ = n >= 0 ? 0 : errno;
  return n >= 0 ? n : 0;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  ssize_t n;
  do {
    n = ::write(fd_, buffer, static_cast<size_t>(count));
  } while (n < 0 && errno == EINTR);
  last_error_ = n >= 0 ? 0 : errno;
  return n >= 0 ? n : 0;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  return ::lseek(fd_, offset, whence);
}

void TFileStream::SetSize(int64_t new_size) {
  if (::ftruncate(fd_, new_size) != 0) RaiseFileWriteError(file_name_, errno);
  if (Position() > new_size) SetPosition(new_size);
}

// Reading on past the end is no system error: the generic text says it.
void TFileStream::RaiseReadError() {
  if (last_error_ == 0) TStream::RaiseReadError();
  throw EReadError("Erreur de lecture dans le fichier " + FileAndReason(file_name_, last_error_), last_error_);
}

// A write that took nothing without an error number stands for an
// input/output error: the system kept none of the bytes.
void TFileStream::RaiseWriteError() { RaiseFileWriteError(file_name_, last_error_ != 0 ? last_error_ : EIO); }

}  // namespace vitrix
