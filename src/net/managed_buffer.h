#pragma once

// Received bytes not yet consumed. Taking bytes from the front only advances
// a consumed-prefix counter; the rest is moved to the start of the block once
// that prefix reaches 32768 bytes, so reading line by line does not move the
// buffer for every line. Size and Memory are the bytes after the prefix.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vitrix {

class TNetManagedBuffer {
 public:
  static constexpr int64_t kCompactThreshold = 32768;

  // on_remove hears of every removal from the front with its byte count.
  explicit TNetManagedBuffer(std::function<void(int64_t)> on_remove = {});
  TNetManagedBuffer(const TNetManagedBuffer&) = delete;
  TNetManagedBuffer& operator=(const TNetManagedBuffer&) = delete;
  ~TNetManagedBuffer();

  int64_t Size() const { return end_ - consumed_; }
  const char* Memory() const { return data_ + consumed_; }
  std::string_view View() const { return {Memory(), static_cast<size_t>(Size())}; }
  int64_t ConsumedSize() const { return consumed_; }

  void Append(const void* bytes, int64_t count);
  // Room for count more bytes at the end, to be filled in place and then
  // counted with CommitAppend.
  char* PrepareAppend(int64_t count);
  void CommitAppend(int64_t count);

  // Takes count bytes from the front; ENetNotEnoughDataInBuffer when fewer
  // are held (nothing is removed then).
  void Remove(int64_t count);
  void Extract(void* destination, int64_t count);
  std::string ExtractString(int64_t count);
  // Position (from the front) of the first occurrence of pattern at or after
  // from, -1 when there is none.
  int64_t IndexOf(std::string_view pattern, int64_t from = 0) const;
  // Empties the buffer without reporting a removal.
  void Clear();

 private:
  void Reserve(int64_t capacity);

  std::function<void(int64_t)> on_remove_;
  char* data_ = nullptr;
  int64_t capacity_ = 0;
  int64_t end_ = 0;
  int64_t consumed_ = 0;
};

}  // namespace vitrix
