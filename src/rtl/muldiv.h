#pragma once

#include <cstdint>

namespace vitrix {

// a * b / c with a 64-bit intermediate, rounded to the nearest integer with
// halves away from zero. Returns -1 when c is 0 or the result does not fit in
// 32 bits, as the desktop function it replaces does.
constexpr int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  const int64_t product = static_cast<int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const uint64_t magnitude = product < 0 ? static_cast<uint64_t>(-product) : static_cast<uint64_t>(product);
  const uint64_t divisor = c < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
  // (2|p| + |c|) / (2|c|) is |p|/|c| rounded with halves up; the sign is put back after.
  const uint64_t rounded = (2 * magnitude + divisor) / (2 * divisor);
  if (rounded > (negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF})) return -1;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(rounded)) : static_cast<int32_t>(rounded);
}

}  // namespace vitrix
