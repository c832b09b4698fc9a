#include "support/MonotonicClock.h"

#include <atomic>
#include <chrono>

#include "support/internal/TestHooks.h"

namespace orvin {
namespace {

std::atomic<double (*)()> testClock{nullptr};

}  // namespace

double monotonicSeconds() noexcept {
  if (double (*clock)() = testClock.load(std::memory_order_acquire); clock != nullptr) {
    return clock();
  }
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceStart).count();
}

namespace testhooks {
void setMonotonicClock(double (*clock)()) noexcept {
  testClock.store(clock, std::memory_order_release);
}
void resetMonotonicClock() noexcept {
  testClock.store(nullptr, std::memory_order_release);
}
}  // namespace testhooks

}  // namespace orvin
