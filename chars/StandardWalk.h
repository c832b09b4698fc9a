// The standard walk and the work buffer: how whole-string operations reach a
// string's code units. Direct pointer when the storage has one; otherwise a
// bulk copy to the stack (up to 256 code units) or to the heap.
#pragma once

#include <utility>

#include "chars/Export.h"
#include "chars/String.h"
#include "chars/WorkMemory.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Scratch memory of `units` code units: on the stack up to 256, above that
// from allocateWorkMemory (so it may fail; check ok()).
class WorkBuffer {
 public:
  static constexpr NSUInteger kStackUnits = 256;

  explicit WorkBuffer(NSUInteger units) noexcept;
  ~WorkBuffer();
  WorkBuffer(const WorkBuffer&) = delete;
  WorkBuffer& operator=(const WorkBuffer&) = delete;

  [[nodiscard]] bool ok() const noexcept { return data_ != nullptr; }
  [[nodiscard]] unichar* data() noexcept { return data_; }
  [[nodiscard]] bool isOnHeap() const noexcept { return data_ != stack_ && data_ != nullptr; }
  // Hands the heap block over to the caller, who frees it with
  // releaseWorkMemory; the buffer is then empty (ok() false). nullptr when
  // the buffer is on the stack, which stays in place.
  [[nodiscard]] unichar* takeHeapBlock() noexcept {
    if (!isOnHeap()) return nullptr;
    unichar* block = data_;
    data_ = nullptr;
    return block;
  }

 private:
  unichar stack_[kStackUnits];
  unichar* data_;
};

// Calls scan(const unichar* chars, NSUInteger length) over all code units of
// `s` and returns its result. An empty or nil string gives `ifEmpty` without
// touching a buffer; a heap copy that cannot be allocated gives `ifNoMemory`.
//   bool anyDigit = walkCharacters(s, false, false, [](const unichar* p, NSUInteger n) {...});
template <class Result, class Scan>
Result walkCharacters(const String& s, Result ifEmpty, Result ifNoMemory, Scan&& scan) {
  const NSUInteger length = s.length();
  if (length == 0) return ifEmpty;
  if (const unichar* direct = s.charactersPtr()) return scan(direct, length);
  WorkBuffer buffer(length);
  if (!buffer.ok()) return ifNoMemory;
  s.getCharacters(buffer.data(), NSRange{0, length});
  return scan(static_cast<const unichar*>(buffer.data()), length);
}

}  // namespace orvin
ORVIN_PUBLIC_END
