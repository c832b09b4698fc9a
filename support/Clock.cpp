#include "support/Clock.h"
#include "support/internal/TestHooks.h"

#include <atomic>
#include <chrono>

namespace orvin {
namespace {

// Unix time of the platform's reference date.
constexpr double kReferenceDateSince1970 = 978307200.0;

double systemAbsoluteTime() {
  const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceEpoch).count() - kReferenceDateSince1970;
}

std::atomic<double (*)()> testClock{nullptr};

}  // namespace

double currentAbsoluteTime() noexcept {
  double (*clock)() = testClock.load(std::memory_order_acquire);
  return clock != nullptr ? clock() : systemAbsoluteTime();
}

namespace testhooks {
void setClock(double (*clock)()) noexcept {
  testClock.store(clock, std::memory_order_release);
}
void resetClock() noexcept {
  testClock.store(nullptr, std::memory_order_release);
}
}  // namespace testhooks

}  // namespace orvin
