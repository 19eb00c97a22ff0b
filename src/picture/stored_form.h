#pragma once

// The counted blocks that the stored forms of the pictures are made of: a
// signed 32-bit little-endian length, then that many bytes. A length is only
// trusted as far as the stream can back it.

#include <cstdint>
#include <string>

namespace vitrix {

class TStream;

// Reads the 4-byte length; EReadError on a short read.
int32_t ReadStoredLength(TStream& stream);
void WriteStoredLength(TStream& stream, int64_t length);
// Raises EReadError unless 0 <= count <= the bytes left in the stream, so
// that nothing is allocated for a length the stream cannot hold.
void CheckStreamHolds(TStream& stream, int64_t count);
// A length and its bytes.
std::string ReadStoredBlock(TStream& stream);
void WriteStoredBlock(TStream& stream, const std::string& bytes);

}  // namespace vitrix
