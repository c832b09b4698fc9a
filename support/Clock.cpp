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

double systemMonotonicTime() {
  const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double>(sinceStart).count();
}

std::atomic<double (*)()> testClock{nullptr};
std::atomic<double (*)()> testMonotonicClock{nullptr};

}  // namespace

double currentAbsoluteTime() noexcept {
  double (*clock)() = testClock.load(std::memory_order_acquire);
  return clock != nullptr ? clock() : systemAbsoluteTime();
}

double monotonicTime() noexcept {
  double (*clock)() = testMonotonicClock.load(std::memory_order_acquire);
  return clock != nullptr ? clock() : systemMonotonicTime();
}

namespace testhooks {
void setClock(double (*clock)()) noexcept {
  testClock.store(clock, std::memory_order_release);
}
void resetClock() noexcept {
  testClock.store(nullptr, std::memory_order_release);
}
void setMonotonicClock(double (*clock)()) noexcept {
  testMonotonicClock.store(clock, std::memory_order_release);
}
void resetMonotonicClock() noexcept {
  testMonotonicClock.store(nullptr, std::memory_order_release);
}
}  // namespace testhooks

}  // namespace orvin
