// String: immutable UTF-16 text with value semantics and implicit sharing.
//
// Copies share storage; a default String is nil ("absent"), distinct from
// the empty string. Storage comes in two forms, both fully readable:
//  - UTF-16 storage, which hands out a direct pointer to its code units;
//  - compact 8-bit storage (made from ASCII or Latin-1 bytes), which has no
//    such pointer, so readers copy (see StandardWalk.h) or use the inline
//    buffer (see InlineCharacterBuffer.h).
// Lengths, indexes and ranges count UTF-16 code units.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "chars/Export.h"
#include "chars/Types.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

class MutableString;
struct StringStorage;

class String {
 public:
  // nil.
  String() noexcept = default;
  // UTF-16 text, copied; a null pointer gives nil.
  //   String s = u"Grüße";
  String(const char16_t* text);      // NOLINT(google-explicit-constructor): literals read naturally
  String(std::u16string_view text);  // NOLINT(google-explicit-constructor)
  // UTF-8 text, decoded as withUtf8 does (nil when invalid). Explicit, so
  // that narrow text never turns into a String unnoticed.
  //   String s("Grüße");
  explicit String(std::string_view utf8);

  String(const String& other) noexcept;
  String(String&& other) noexcept;
  String& operator=(const String& other) noexcept;
  String& operator=(String&& other) noexcept;
  ~String();

  // Copies `length` code units. nil when memory runs out.
  [[nodiscard]] static String withCharacters(const unichar* chars, NSUInteger length);
  // Adopts a heap block of code units without copying; `release` frees it
  // when the last copy goes away (nullptr: never freed by the string).
  [[nodiscard]] static String adoptingCharacters(unichar* chars, NSUInteger length,
                                                 void (*release)(unichar*));
  // Wraps code units the caller keeps alive for the string's whole life.
  [[nodiscard]] static String wrappingCharacters(const unichar* chars, NSUInteger length);
  // Compact storage: each byte is the code unit of the same value.
  [[nodiscard]] static String withLatin1(std::string_view bytes);
  // Decodes UTF-8; ASCII-only text gets compact storage. nil when the bytes
  // are not valid UTF-8.
  [[nodiscard]] static String withUtf8(std::string_view bytes);

  [[nodiscard]] bool isNil() const noexcept { return storage_ == nullptr; }
  // True for nil and for the empty string.
  [[nodiscard]] bool isEmpty() const noexcept { return length() == 0; }
  [[nodiscard]] NSUInteger length() const noexcept;

  // The code unit at `index`; raises NSRangeException when index >= length.
  [[nodiscard]] unichar characterAtIndex(NSUInteger index) const;
  // Direct pointer to the code units, or nullptr (compact storage, nil).
  [[nodiscard]] const unichar* charactersPtr() const noexcept;
  // Direct pointer to the bytes of compact storage, one per code unit of the
  // same value, or nullptr (UTF-16 storage, nil). Every non-empty string has
  // exactly one of charactersPtr() and latin1Ptr().
  [[nodiscard]] const std::uint8_t* latin1Ptr() const noexcept;
  // Copies the code units of `range` into `buffer`; raises NSRangeException
  // when the range does not lie inside the string.
  void getCharacters(unichar* buffer, NSRange range) const;
  // True when the storage is the compact 8-bit form.
  [[nodiscard]] bool isCompact() const noexcept;

  // "The string itself": true when both share one storage (two nils too).
  [[nodiscard]] bool isIdenticalTo(const String& other) const noexcept {
    return storage_ == other.storage_;
  }

  // The code units of `range` as a new string; the whole range gives the
  // string itself. Raises NSRangeException when the range does not fit.
  [[nodiscard]] String substring(NSRange range) const;
  [[nodiscard]] String substringFromIndex(NSUInteger index) const;
  [[nodiscard]] String substringToIndex(NSUInteger index) const;
  [[nodiscard]] MutableString mutableCopy() const;

  [[nodiscard]] std::u16string toU16String() const;
  // UTF-8; an unpaired surrogate becomes U+FFFD.
  [[nodiscard]] std::string toUtf8() const;

  // Exact code-unit equality; nil equals only nil.
  friend ORVIN_EXPORT bool operator==(const String& a, const String& b) noexcept;
  // Code-unit order, whatever the storage; nil sorts before the empty
  // string, so std::map and std::sort tell them apart.
  //   String(u"B") < String(u"a")  // true: 'B' is 0x42
  friend ORVIN_EXPORT std::strong_ordering operator<=>(const String& a, const String& b) noexcept;

  // A hash of the code units: equal strings hash equal in either storage;
  // nil and the empty string hash alike.
  [[nodiscard]] std::size_t hash() const noexcept;

 protected:
  explicit String(StringStorage* adopted) noexcept : storage_(adopted) {}
  // Makes the storage writable UTF-16 owned by this value alone with room
  // for `capacity` code units (at least the current length). False when
  // memory runs out; the text is then unchanged.
  bool makeUniqueUtf16(NSUInteger capacity);
  unichar* mutableCharacters() noexcept;
  // Takes over `units` (from std::malloc, room for `capacity`) as this
  // value's text. False when memory runs out; the caller keeps the block and
  // the text is unchanged.
  bool adoptUtf16(unichar* units, NSUInteger length, NSUInteger capacity) noexcept;
  void setLengthUnchecked(NSUInteger length) noexcept;

  StringStorage* storage_ = nullptr;
};

// Writes the text as UTF-8 (unpaired surrogates as U+FFFD), nil as "(null)".
std::ostream& operator<<(std::ostream& out, const String& s);

// Orders strings by their simply case-folded code units (as compareRange
// with kCompareCaseInsensitive), nil first; for std::map and std::sort.
//   std::map<String, int, CaseInsensitiveLess> counts;
struct CaseInsensitiveLess {
  bool operator()(const String& a, const String& b) const;
};

}  // namespace orvin
ORVIN_PUBLIC_END

template <>
struct std::hash<orvin::String> {
  std::size_t operator()(const orvin::String& s) const noexcept { return s.hash(); }
};
