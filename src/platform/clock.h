#pragma once

// The local date and time, as the journal stamps its lines with it.

#include <memory>

#include "platform/services.h"
#include "rtl/datetime.h"

namespace vitrix {

class IClock {
 public:
  virtual ~IClock() = default;
  virtual TDateTime Now() = 0;

  static std::unique_ptr<IClock> CreateSystem();
};

inline IClock& Clock() { return Platform<IClock>(); }

}  // namespace vitrix
