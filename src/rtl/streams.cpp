#include "rtl/streams.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "rtl/exceptions.h"

namespace vitrix {

void TStream::SetSize(int64_t) {}

void TStream::RaiseReadError() { throw EReadError(kReadErrorText); }
void TStream::RaiseWriteError() { throw EWriteError(kWriteErrorText); }

int64_t TStream::Size() {
  const int64_t saved = Seek(0, TSeekOrigin::soCurrent);
  const int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(saved, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  auto* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t n = Read(out + done, count - done);
    if (n <= 0) RaiseReadError();
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  const auto* in = static_cast<const char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    const int64_t n = Write(in + done, count - done);
    if (n <= 0) RaiseWriteError();
    done += n;
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int64_t kBlock = int64_t{64} * 1024;
  char buffer[kBlock];
  int64_t remaining = count;
  while (remaining > 0) {
    const int64_t n = std::min(remaining, kBlock);
    source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    remaining -= n;
  }
  return count;
}

TMemoryStream::~TMemoryStream() { std::free(data_); }

void TMemoryStream::Grow(int64_t needed) {
  if (needed <= capacity_) return;
  // Grow geometrically so that appending stays linear; realloc can move large
  // blocks by remapping pages instead of copying them.
  int64_t capacity = std::max<int64_t>(needed, capacity_ + capacity_ / 2);
  capacity = std::max<int64_t>(capacity, 4096);
  auto* grown = static_cast<char*>(std::realloc(data_, static_cast<std::size_t>(capacity)));
  if (grown == nullptr) throw std::bad_alloc();
  data_ = grown;
  capacity_ = capacity;
}

void TMemoryStream::Reserve(int64_t capacity) { Grow(capacity); }

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0 || position_ < 0) return 0;
  const int64_t end = position_ + count;
  if (end > size_) {
    Grow(end);
    if (position_ > size_) std::memset(data_ + size_, 0, static_cast<std::size_t>(position_ - size_));
    size_ = end;
  }
  std::memcpy(data_ + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning: position_ = offset; break;
    case TSeekOrigin::soCurrent: position_ += offset; break;
    case TSeekOrigin::soEnd: position_ = size_ + offset; break;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t new_size) {
  if (new_size < 0) new_size = 0;
  if (new_size > size_) {
    Grow(new_size);
    std::memset(data_ + size_, 0, static_cast<std::size_t>(new_size - size_));
  }
  size_ = new_size;
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
  std::free(data_);
  data_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  const int64_t count = source.Size();
  SetSize(count);
  position_ = 0;
  if (count > 0) source.ReadBuffer(data_, count);
}

void TMemoryStream::SaveToStream(TStream& destination) {
  if (size_ > 0) destination.WriteBuffer(data_, size_);
}

TStringStream::TStringStream(std::string_view initial) {
  WriteText(initial);
  SetPosition(0);
}

}  // namespace vitrix
