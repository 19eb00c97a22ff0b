#pragma once

// Desktop services (message boxes, the documents folder, clipboard text, the
// clock, ...) are small interfaces, each with one process-wide instance reached
// through Platform<I>(). The real implementation is made on first use by the
// interface's static CreateSystem(); a test puts its own in place for a scope
// with TScopedPlatform<I>.
//
// Adding a service takes three pieces:
//   1. the interface, in a header of its own, declaring
//        static std::unique_ptr<IThing> CreateSystem();
//      and a shortcut: inline IThing& Thing() { return Platform<IThing>(); }
//   2. the real implementation and CreateSystem() in a .cpp file (thing_qt.cpp);
//   3. a scripted implementation for tests (testing/scripted_thing.h, in the
//      library vitrix_platform_testing that only tests, fuzz targets and
//      benchmarks link) that records what it was asked and answers from what
//      the test gave it.

#include <memory>
#include <utility>

namespace vitrix {
namespace detail {

template <class I>
struct TPlatformSlot {
  std::unique_ptr<I> system;
  I* replacement = nullptr;
};

template <class I>
inline TPlatformSlot<I> platform_slot;

}  // namespace detail

// The process-wide instance of a service: the one a test installed, otherwise
// the real one (created on first use, kept until the program ends).
template <class I>
I& Platform() {
  auto& slot = detail::platform_slot<I>;
  if (slot.replacement != nullptr) return *slot.replacement;
  if (!slot.system) slot.system = I::CreateSystem();
  return *slot.system;
}

// Puts another implementation of a service in place for as long as this
// object lives; the previous one comes back afterwards. Scopes nest.
template <class I>
class TScopedPlatform {
 public:
  explicit TScopedPlatform(I& replacement)
      : previous_(std::exchange(detail::platform_slot<I>.replacement, &replacement)) {}
  ~TScopedPlatform() { detail::platform_slot<I>.replacement = previous_; }
  TScopedPlatform(const TScopedPlatform&) = delete;
  TScopedPlatform& operator=(const TScopedPlatform&) = delete;

 private:
  I* previous_;
};

}  // namespace vitrix
