// CharacterSet: the platform's predefined character sets, built from ICU's
// Unicode general categories and held as plane-0 bitmaps.
//
// Only UTF-16 code units are members or not; surrogate code units are
// category Cs and belong to none of these sets. Each set is built on first
// use and kept for the life of the process. Its memory comes from the work
// allocator, so an accessor answers nullptr when that memory cannot be had
// (and the next call tries again).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

namespace detail {
struct CharacterSetAccess;
}

class CharacterSet {
 public:
  static constexpr std::size_t kBitmapBytes = 8192;

  // The predefined sets; nullptr when memory for the set runs out.
  //   CharacterSet::letterCharacterSet()->characterIsMember(u'é')  // true
  // Category Zs and U+0009 (tab).
  [[nodiscard]] static const CharacterSet* whitespaceCharacterSet() noexcept;
  // Categories Zs, Zl, Zp, U+0009 to U+000D and U+0085.
  [[nodiscard]] static const CharacterSet* whitespaceAndNewlineCharacterSet() noexcept;
  // Categories L* and M*.
  [[nodiscard]] static const CharacterSet* letterCharacterSet() noexcept;
  // Categories L*, M* and N*.
  [[nodiscard]] static const CharacterSet* alphanumericCharacterSet() noexcept;
  // Category Nd.
  [[nodiscard]] static const CharacterSet* decimalDigitCharacterSet() noexcept;
  // Category Ll.
  [[nodiscard]] static const CharacterSet* lowercaseLetterCharacterSet() noexcept;
  // Categories Lu and Lt.
  [[nodiscard]] static const CharacterSet* uppercaseLetterCharacterSet() noexcept;

  // The plane-0 bitmap: code unit c is a member when bit (c & 7) of byte
  // (c >> 3) is set.
  //   set->bitmapRepresentation()[0x41 >> 3] & (1 << (0x41 & 7))
  [[nodiscard]] std::span<const std::uint8_t, kBitmapBytes> bitmapRepresentation() const noexcept {
    return std::span<const std::uint8_t, kBitmapBytes>(bits_, kBitmapBytes);
  }

  //   CharacterSet::decimalDigitCharacterSet()->characterIsMember(u'7')  // true
  [[nodiscard]] bool characterIsMember(unichar c) const noexcept {
    return ((bits_[c >> 3] >> (c & 7)) & 1) != 0;
  }

  CharacterSet(const CharacterSet&) = delete;
  CharacterSet& operator=(const CharacterSet&) = delete;

 private:
  friend struct detail::CharacterSetAccess;  // the builder of the predefined sets
  CharacterSet() noexcept = default;

  std::uint8_t bits_[kBitmapBytes];
};

// The bytes of the set's bitmap representation (kBitmapBytes of them), valid
// while the set lives.
//   std::memcpy(rep, bitmap(*CharacterSet::letterCharacterSet()), 8192);
[[nodiscard]] inline const std::uint8_t* bitmap(const CharacterSet& set) noexcept {
  return set.bitmapRepresentation().data();
}

}  // namespace orvin
ORVIN_PUBLIC_END
