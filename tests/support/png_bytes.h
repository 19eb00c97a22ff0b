#pragma once

// PNG streams written by hand for pictures no encoder should be asked to
// make: a header announcing a size far beyond any limit, with no pixels.

#include <cstdint>
#include <string>

namespace vitrix::test {

inline uint32_t PngCrc(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

inline std::string Be32(uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
          static_cast<char>(value)};
}

inline std::string PngChunk(const std::string& type, const std::string& data) {
  return Be32(static_cast<uint32_t>(data.size())) + type + data + Be32(PngCrc(type + data));
}

// The signature and the header of an 8-bit RGB picture of width x height,
// then an empty data chunk and the end: readers learn the size, and find no
// pixels.
inline std::string PngHeaderOnly(uint32_t width, uint32_t height) {
  const std::string header = Be32(width) + Be32(height) + std::string("\x08\x02\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header) + PngChunk("IDAT", "") + PngChunk("IEND", "");
}

}  // namespace vitrix::test
