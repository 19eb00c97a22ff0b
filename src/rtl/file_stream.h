#pragma once

// A stream over an open file, with the access and sharing modes of the old
// desktop. Sharing is honoured with advisory locks (flock): a stream that
// denies writing to others holds a shared lock, an exclusive one holds an
// exclusive lock, and opening fails when another holder's lock conflicts.
// Programs that take no lock are not held back; ours always do.

#include <cstdint>
#include <string>

#include "rtl/streams.h"

namespace vitrix {

enum TFileMode : uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmAppend = 0x0100,  // writes go to the end (used with fmOpenWrite)
  fmCreate = 0xFF00,  // create or truncate, read and write
  // Create a new file, read and write: never replaces, empties or follows
  // anything that already has the name (a file, a folder, a link even when
  // it points nowhere). EFCreateError with ErrorCode EEXIST then.
  fmCreateNew = 0xFF04,
};

class TFileStream : public TStream {
 public:
  // path is Windows-1252. Raises EFCreateError (fmCreate, fmCreateNew) or
  // EFOpenError with the expanded path and the system's error text, and the
  // errno value as ErrorCode.
  TFileStream(const std::string& path, uint16_t mode);
  ~TFileStream() override;

  // Closes the file now. Some file systems (network ones, over quota) tell
  // of data they could not keep only here: that raises EWriteError. The
  // destructor closes too, but has no way to report it.
  void Close();

  // Read and Write give 0 when the system fails; ReadBuffer and WriteBuffer
  // then raise EReadError / EWriteError naming the file and the system's
  // reason (a full disk: "Il n'y a pas assez d'espace sur le disque.").
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t new_size) override;

  const std::string& FileName() const { return file_name_; }
  int Handle() const { return fd_; }

 protected:
  [[noreturn]] void RaiseReadError() override;
  [[noreturn]] void RaiseWriteError() override;

 private:
  std::string file_name_;
  int fd_ = -1;
  int last_error_ = 0;  // errno of the last Read or Write, 0 when it did not fail
};

}  // namespace vitrix
