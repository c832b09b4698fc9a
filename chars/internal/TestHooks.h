// Test hooks of the chars layer: ways for the library's own tests to reach
// paths that real input rarely takes. Not installed, not exported.
#pragma once

#include "chars/Types.h"

namespace orvin::testhooks {

// Makes the next `count` calls of allocateWorkMemory fail, then allocation
// works again. For tests only; not thread-safe against concurrent arming.
void failNextWorkAllocations(int count = 1) noexcept;
// Cancels whatever failures are still armed.
void resetWorkAllocationFailures() noexcept;

// Caps the bytes and code units handed to ICU in one call (0 restores the
// real caps), so tests reach the chunked conversion paths with small input.
void setConversionChunkLimit(NSUInteger units) noexcept;

}  // namespace orvin::testhooks
