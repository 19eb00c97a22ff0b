#pragma once

// A clock for tests: it tells the time the test set.

#include "platform/clock.h"

namespace vitrix {

class TFixedClock final : public IClock {
 public:
  explicit TFixedClock(TDateTime now) : now_(now) {}
  TDateTime Now() override { return now_; }
  void Set(TDateTime now) { now_ = now; }

 private:
  TDateTime now_;
};

}  // namespace vitrix
