#include "net/managed_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "net/net_exceptions.h"

namespace vitrix {

TNetManagedBuffer::TNetManagedBuffer(std::function<void(int64_t)> on_remove) : on_remove_(std::move(on_remove)) {}

TNetManagedBuffer::~TNetManagedBuffer() { std::free(data_); }

void TNetManagedBuffer::Reserve(int64_t capacity) {
  if (capacity <= capacity_) return;
  const int64_t grown = std::max({capacity, capacity_ + capacity_ / 2, int64_t{4096}});
  auto* block = static_cast<char*>(std::realloc(data_, static_cast<size_t>(grown)));
  if (block == nullptr) throw std::bad_alloc();
  data_ = block;
  capacity_ = grown;
}

char* TNetManagedBuffer::PrepareAppend(int64_t count) {
  Reserve(end_ + count);
  return data_ + end_;
}

void TNetManagedBuffer::CommitAppend(int64_t count) { end_ = std::min(end_ + count, capacity_); }

void TNetManagedBuffer::Append(const void* bytes, int64_t count) {
  if (count <= 0) return;
  std::memcpy(PrepareAppend(count), bytes, static_cast<size_t>(count));
  end_ += count;
}

void TNetManagedBuffer::Remove(int64_t count) {
  if (count <= 0) return;
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  consumed_ += count;
  if (consumed_ == end_) {
    consumed_ = end_ = 0;
  } else if (consumed_ >= kCompactThreshold) {
    std::memmove(data_, data_ + consumed_, static_cast<size_t>(end_ - consumed_));
    end_ -= consumed_;
    consumed_ = 0;
  }
  if (on_remove_) on_remove_(count);
}

void TNetManagedBuffer::Extract(void* destination, int64_t count) {
  if (count <= 0) return;
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  std::memcpy(destination, Memory(), static_cast<size_t>(count));
  Remove(count);
}

std::string TNetManagedBuffer::ExtractString(int64_t count) {
  if (count > Size()) throw ENetNotEnoughDataInBuffer();
  std::string text(Memory(), static_cast<size_t>(std::max<int64_t>(count, 0)));
  Remove(count);
  return text;
}

int64_t TNetManagedBuffer::IndexOf(std::string_view pattern, int64_t from) const {
  if (pattern.empty() || from < 0) return -1;
  const std::string_view view = View();
  const size_t found = view.find(pattern, static_cast<size_t>(from));
  return found == std::string_view::npos ? -1 : static_cast<int64_t>(found);
}

void TNetManagedBuffer::Clear() { consumed_ = end_ = 0; }

}  // namespace vitrix
