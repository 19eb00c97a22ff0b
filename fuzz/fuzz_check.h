#pragma once

// What a fuzz target does when a property does not hold: say which, and
// abort, so that libFuzzer keeps the input and the corpus replay fails.

#include <cstdio>
#include <cstdlib>

namespace vitrix::fuzz {

inline void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", property);
  std::abort();
}

}  // namespace vitrix::fuzz
