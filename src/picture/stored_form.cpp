#include "picture/stored_form.h"

#include "rtl/exceptions.h"
#include "rtl/streams.h"

namespace vitrix {

int32_t ReadStoredLength(TStream& stream) {
  uint8_t bytes[4];
  stream.ReadBuffer(bytes, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
                              (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24));
}

void WriteStoredLength(TStream& stream, int64_t length) {
  if (length < 0 || length > INT32_MAX) throw EWriteError(kWriteErrorText);
  const auto value = static_cast<uint32_t>(length);
  const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
  stream.WriteBuffer(bytes, 4);
}

void CheckStreamHolds(TStream& stream, int64_t count) {
  if (count < 0 || count > stream.Size() - stream.Position()) throw EReadError(kReadErrorText);
}

std::string ReadStoredBlock(TStream& stream) {
  const int32_t length = ReadStoredLength(stream);
  CheckStreamHolds(stream, length);
  std::string bytes(static_cast<size_t>(length), '\0');
  stream.ReadBuffer(bytes.data(), length);
  return bytes;
}

void WriteStoredBlock(TStream& stream, const std::string& bytes) {
  WriteStoredLength(stream, static_cast<int64_t>(bytes.size()));
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace vitrix
