#pragma once

// A logical palette: up to 256 colours. A picture without a palette has an
// empty one.

#include <vector>

#include "picture/types.h"

namespace vitrix {

struct TPalette {
  std::vector<TColor> Entries;

  bool Empty() const { return Entries.empty(); }
  friend bool operator==(const TPalette&, const TPalette&) = default;
};

}  // namespace vitrix
