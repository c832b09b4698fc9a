#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"

#include <atomic>
#include <cstdlib>

namespace orvin {
namespace {
std::atomic<int> gFailuresArmed{0};

// Consumes one armed failure; true when this allocation must fail.
bool takeArmedFailure() noexcept {
  int armed = gFailuresArmed.load(std::memory_order_relaxed);
  while (armed > 0) {
    if (gFailuresArmed.compare_exchange_weak(armed, armed - 1, std::memory_order_relaxed)) {
      return true;
    }
  }
  return false;
}
}  // namespace

void* allocateWorkMemory(std::size_t bytes) noexcept {
  if (takeArmedFailure()) return nullptr;
  return std::malloc(bytes == 0 ? 1 : bytes);
}

void* allocateZeroedWorkMemory(std::size_t bytes) noexcept {
  if (takeArmedFailure()) return nullptr;
  return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void releaseWorkMemory(void* block) noexcept {
  std::free(block);
}

namespace testhooks {
void failNextWorkAllocations(int count) noexcept {
  gFailuresArmed.store(count, std::memory_order_relaxed);
}
void resetWorkAllocationFailures() noexcept {
  gFailuresArmed.store(0, std::memory_order_relaxed);
}
}  // namespace testhooks

}  // namespace orvin
