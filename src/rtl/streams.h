#pragma once

// Positioned byte streams. Positions and sizes are 64-bit. A stream handed to
// another object is never owned by it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vitrix {

enum class TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Returns the number of bytes read, 0 at the end.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Returns the number of bytes written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Returns the new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
  // Streams that cannot change their size ignore the call.
  virtual void SetSize(int64_t new_size);

  int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // Built on Seek: current position, end, then back to the saved position.
  virtual int64_t Size();

  // Exactly count bytes or EReadError / EWriteError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  void WriteText(std::string_view text) { WriteBuffer(text.data(), static_cast<int64_t>(text.size())); }

  // Copies count bytes from source's position; count 0 copies the whole source
  // from its start. Returns the number of bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);

 protected:
  // Raised by ReadBuffer / WriteBuffer when Read or Write gave nothing. The
  // plain stream has no more to say than the generic texts; a file stream
  // names its file and the system's reason.
  [[noreturn]] virtual void RaiseReadError();
  [[noreturn]] virtual void RaiseWriteError();
};

// A growable block of memory.
class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t new_size) override;
  int64_t Size() override { return size_; }

  char* Memory() { return data_; }
  const char* Memory() const { return data_; }
  void Clear();
  // Reserves room for at least capacity bytes without changing the size.
  void Reserve(int64_t capacity);
  void LoadFromStream(TStream& source);
  void SaveToStream(TStream& destination);
  std::string_view View() const { return {data_, static_cast<std::size_t>(size_)}; }

 private:
  void Grow(int64_t needed);

  char* data_ = nullptr;
  int64_t size_ = 0;
  int64_t capacity_ = 0;
  int64_t position_ = 0;
};

// A memory stream whose whole content can be read as one string.
class TStringStream : public TMemoryStream {
 public:
  TStringStream() = default;
  explicit TStringStream(std::string_view initial);
  std::string DataString() const { return std::string(View()); }
};

}  // namespace vitrix
