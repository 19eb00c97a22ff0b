#include "platform/clock.h"

namespace vitrix {
namespace {

class TSystemClock final : public IClock {
 public:
  TDateTime Now() override { return vitrix::Now(); }
};

}  // namespace

std::unique_ptr<IClock> IClock::CreateSystem() { return std::make_unique<TSystemClock>(); }

}  // namespace vitrix
