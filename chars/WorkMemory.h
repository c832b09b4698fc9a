// The library's one non-throwing heap allocator. Work buffers and the
// process-wide caches take their memory here, so every "cannot be allocated"
// path can be reached in tests through the failure hook below.
#pragma once

#include <cstddef>

#include "chars/Export.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Returns `bytes` of uninitialised memory, or nullptr when the system has
// none (or the test hook says so). Never throws. Free with releaseWorkMemory.
[[nodiscard]] void* allocateWorkMemory(std::size_t bytes) noexcept;

// Like allocateWorkMemory, zero-filled.
[[nodiscard]] void* allocateZeroedWorkMemory(std::size_t bytes) noexcept;

void releaseWorkMemory(void* block) noexcept;

}  // namespace orvin
ORVIN_PUBLIC_END
