#include "chars/StandardWalk.h"

namespace orvin {

WorkBuffer::WorkBuffer(NSUInteger units) noexcept : data_(stack_) {
  if (units <= kStackUnits) return;
  // Refuse sizes whose byte count would overflow instead of wrapping.
  if (units > static_cast<NSUInteger>(-1) / (2 * sizeof(unichar))) {
    data_ = nullptr;
    return;
  }
  data_ = static_cast<unichar*>(allocateWorkMemory(units * sizeof(unichar)));
}

WorkBuffer::~WorkBuffer() {
  if (isOnHeap()) releaseWorkMemory(data_);
}

}  // namespace orvin
