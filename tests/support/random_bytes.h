#pragma once

#include <cstddef>
#include <random>
#include <string>

namespace vitrix::test {

// count bytes of every value, the same for the same seed.
inline std::string RandomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

}  // namespace vitrix::test
