// The shared, reference-counted storage behind String. Private to the string
// implementation files; nothing else includes it.
#pragma once

#include <atomic>
#include <cstdint>

#include "chars/Types.h"

namespace orvin {

struct StringStorage {
  enum class Kind : std::uint8_t {
    Utf16Owned,    // malloc'd code units, growable by MutableString
    Utf16Adopted,  // the caller's block, freed with `release`
    Utf16Wrapped,  // the caller's memory, never freed
    Latin1,        // compact: malloc'd bytes, one per code unit
  };

  std::atomic<std::uint32_t> refs{1};
  Kind kind = Kind::Utf16Owned;
  NSUInteger length = 0;
  NSUInteger capacity = 0;  // code units (bytes for Latin1) that `units` can hold
  void* units = nullptr;
  void (*release)(unichar*) = nullptr;
  // The units live in the same block, right after this header, and go with it.
  bool unitsInBlock = false;

  [[nodiscard]] bool isUtf16() const noexcept { return kind != Kind::Latin1; }
  [[nodiscard]] const unichar* utf16() const noexcept { return static_cast<const unichar*>(units); }
  [[nodiscard]] const std::uint8_t* latin1() const noexcept {
    return static_cast<const std::uint8_t*>(units);
  }
};

}  // namespace orvin
