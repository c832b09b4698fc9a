// The library's one non-throwing heap allocator. Work buffers and the
// process-wide caches take their memory here, so every "cannot be allocated"
// path can be reached in tests through the failure hook below.
#pragma once

#include <cstddef>

namespace orvin {

// Returns `bytes` of uninitialised memory, or nullptr when the system has
// none (or the test hook says so). Never throws. Free with releaseWorkMemory.
[[nodiscard]] void* allocateWorkMemory(std::size_t bytes) noexcept;

// Like allocateWorkMemory, zero-filled.
[[nodiscard]] void* allocateZeroedWorkMemory(std::size_t bytes) noexcept;

void releaseWorkMemory(void* block) noexcept;

namespace testhooks {
// Makes the next `count` calls of allocateWorkMemory fail, then allocation
// works again. For tests only; not thread-safe against concurrent arming.
void failNextWorkAllocations(int count = 1) noexcept;
// Cancels whatever failures are still armed.
void resetWorkAllocationFailures() noexcept;
}  // namespace testhooks

}  // namespace orvin
