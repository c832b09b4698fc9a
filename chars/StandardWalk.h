// The standard walk and the work buffer: how whole-string operations reach a
// string's code units. Direct pointer when the storage has one; otherwise a
// bulk copy to the stack (up to 256 code units) or to the heap. Readers that
// can take the text piece by piece walk it in windows instead, and the
// kernels that work on either unit type read both storage forms in place.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>
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

// Calls visit(p, n) with the code units of `range` of `s` in place: p is a
// const unichar* for UTF-16 storage and a const std::uint8_t* for compact
// storage (each byte the code unit of the same value). No copy, no memory.
// `range` must lie inside `s`.
//   withDirectUnits(s, {0, s.length()}, [](auto* p, NSUInteger n) { ... });
template <class Visit>
decltype(auto) withDirectUnits(const String& s, NSRange range, Visit&& visit) {
  if (const std::uint8_t* bytes = s.latin1Ptr()) return visit(bytes + range.location, range.length);
  const unichar* units = s.charactersPtr();
  static constexpr unichar kNone[1] = {0};
  return visit(units != nullptr ? units + range.location : kNone, range.length);
}

// Calls scan(const unichar* chars, NSUInteger length, NSUInteger offset)
// over `range` of `s` (which must fit): once through the direct pointer, or
// window by window (at most 256 code units each, on the stack) for compact
// storage, so that no whole copy is made. Stops when scan answers false and
// then answers false itself.
template <class Scan>
bool walkWindows(const String& s, NSRange range, Scan&& scan) {
  if (range.length == 0) return true;
  if (const unichar* direct = s.charactersPtr())
    return scan(direct + range.location, range.length, 0);
  const std::uint8_t* bytes = s.latin1Ptr() + range.location;
  unichar window[WorkBuffer::kStackUnits];
  for (NSUInteger done = 0; done < range.length;) {
    const NSUInteger n = std::min<NSUInteger>(WorkBuffer::kStackUnits, range.length - done);
    std::copy(bytes + done, bytes + done + n, window);
    if (!scan(static_cast<const unichar*>(window), n, done)) return false;
    done += n;
  }
  return true;
}

// A new string of the units in either form; compact units stay compact.
inline String stringFromUnits(const unichar* p, NSUInteger n) {
  return String::withCharacters(p, n);
}
inline String stringFromUnits(const std::uint8_t* p, NSUInteger n) {
  return String::withLatin1(std::string_view(reinterpret_cast<const char*>(p), n));
}

}  // namespace orvin
ORVIN_PUBLIC_END
