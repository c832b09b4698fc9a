// PropertyList: the platform's property-list value (nil, string, integer,
// real, boolean, date, data, array, dictionary) and its XML form, as
// pasteboards carry it for property-list types.
//
// A PropertyList is a plain value: copies share their contents, which never
// change after construction. Dictionaries keep their keys sorted by UTF-16
// code units, the order the XML writer emits them in. Accessors never throw:
// asking for the wrong kind answers nil, 0, false or an empty container.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "chars/Bytes.h"
#include "chars/Export.h"
#include "chars/String.h"
#include "support/Date.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

class PropertyList {
 public:
  enum class Kind { Nil, String, Integer, Real, Boolean, Date, Data, Array, Dictionary };

  // Orders dictionary keys by code units; nil sorts as "".
  struct KeyOrder {
    bool operator()(const String& a, const String& b) const noexcept;
  };
  using Array = std::vector<PropertyList>;
  using Dictionary = std::map<String, PropertyList, KeyOrder>;

  // nil.
  PropertyList() noexcept = default;
  // A string; a nil String gives nil.
  //   PropertyList p = String(u"abc");
  // The other kinds convert the same way:
  //   PropertyList::Array{u"a", 1, 2.5, true, Date(), Bytes{0xFF}}
  PropertyList(const String& s);    // NOLINT(google-explicit-constructor): values read naturally
  PropertyList(const char16_t* s);  // NOLINT(google-explicit-constructor)
  PropertyList(const char* s) = delete;  // would silently become a boolean
  // An integer; unsigned values above the signed 64-bit range saturate.
  template <std::integral I>
  requires(!std::same_as<I, bool>) PropertyList(I v)  // NOLINT(google-explicit-constructor)
      : value_(saturate(v)) {}
  template <std::floating_point F>
  PropertyList(F v) : value_(static_cast<double>(v)) {}  // NOLINT(google-explicit-constructor)
  template <class B>
  requires std::same_as<B, bool> PropertyList(B v) : value_(Flag{v}) {}  // NOLINT
  PropertyList(const Date& d) : value_(d) {}  // NOLINT(google-explicit-constructor)
  PropertyList(Bytes data);                   // NOLINT(google-explicit-constructor)
  PropertyList(Array items);                  // NOLINT(google-explicit-constructor)
  PropertyList(Dictionary entries);           // NOLINT(google-explicit-constructor)

  // Which kind of value this is; nil for a default PropertyList.
  //   PropertyList(2.5).kind()  // Kind::Real
  [[nodiscard]] Kind kind() const noexcept { return static_cast<Kind>(value_.index()); }
  //   PropertyList().isNil()  // true
  [[nodiscard]] bool isNil() const noexcept { return kind() == Kind::Nil; }

  // The string, or nil for any other kind.
  //   PropertyList(7).stringValue().isNil()  // true
  [[nodiscard]] String stringValue() const;
  // An integer, or a real truncated toward zero (saturating, NaN gives 0); 0
  // for any other kind.
  //   PropertyList(2.9).integerValue()  // 2
  [[nodiscard]] std::int64_t integerValue() const noexcept;
  // A real, or an integer converted; 0 for any other kind.
  //   PropertyList(3).doubleValue()  // 3.0
  [[nodiscard]] double doubleValue() const noexcept;
  // The boolean; false for any other kind.
  //   PropertyList(1).boolValue()  // false: an integer is not a boolean
  [[nodiscard]] bool boolValue() const noexcept;
  // The date, or nothing for any other kind.
  //   if (auto d = plist.dateValue()) use(*d);
  [[nodiscard]] std::optional<Date> dateValue() const noexcept;
  // The data, or no bytes for any other kind.
  //   PropertyList(Bytes{1, 2}).dataValue().size()  // 2
  [[nodiscard]] const Bytes& dataValue() const noexcept;
  // The items, or none for any other kind.
  //   for (const PropertyList& item : plist.arrayValue()) ...
  [[nodiscard]] const Array& arrayValue() const noexcept;
  // The entries, in key order, or none for any other kind.
  //   for (const auto& [key, value] : plist.dictionaryValue()) ...
  [[nodiscard]] const Dictionary& dictionaryValue() const noexcept;

  // Number of items of an array or entries of a dictionary; 0 otherwise.
  //   PropertyList(u"abc").count()  // 0
  [[nodiscard]] std::size_t count() const noexcept;
  // The array item at `index`; nil when out of range or not an array.
  //   PropertyList(PropertyList::Array{u"a", u"b"}).objectAtIndex(1).stringValue()  // u"b"
  [[nodiscard]] const PropertyList& objectAtIndex(std::size_t index) const noexcept;
  // The dictionary value for `key`; nil when absent or not a dictionary.
  //   bookmark.objectForKey(u"title").stringValue()
  [[nodiscard]] const PropertyList& objectForKey(const String& key) const;

  // Same kind and same value, compared deeply. Integers and reals compare as
  // numbers (1 equals 1.0); a NaN equals a NaN so that equality is reflexive.
  //   PropertyList(1) == PropertyList(1.0)  // true
  friend ORVIN_EXPORT bool operator==(const PropertyList& a, const PropertyList& b) noexcept;

 private:
  struct Flag {
    bool value;
    friend bool operator==(Flag, Flag) = default;
  };
  template <std::integral I>
  static std::int64_t saturate(I v) noexcept {
    if constexpr (std::is_unsigned_v<I>) {
      constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
      return static_cast<std::uint64_t>(v) > kMax ? static_cast<std::int64_t>(kMax)
                                                  : static_cast<std::int64_t>(v);
    } else {
      return static_cast<std::int64_t>(v);
    }
  }

  // Alternatives in the order of Kind.
  std::variant<std::monostate, String, std::int64_t, double, Flag, Date,
               std::shared_ptr<const Bytes>, std::shared_ptr<const Array>,
               std::shared_ptr<const Dictionary>>
      value_;
};

// Nesting deeper than this is refused by the reader and the writer.
inline constexpr int kPropertyListMaxDepth = 512;

// The XML property-list form of `plist` (UTF-8, with the XML declaration, the
// document type and <plist version="1.0">), or nothing when the value cannot
// be written: nil anywhere (nil has no XML form), a nil dictionary key, a
// string holding an unpaired surrogate, a date outside the years 1 to 9999,
// or nesting deeper than kPropertyListMaxDepth. Dates are written in whole
// seconds (rounded down), as the format has it.
//   dataFromPropertyList(PropertyList(true))  // "<?xml ...<plist
//   version=\"1.0\">\n<true/>\n</plist>\n"
[[nodiscard]] std::optional<Bytes> dataFromPropertyList(const PropertyList& plist);

// Reads the XML property-list form. Anything that is not well-formed (bad
// UTF-8, an unknown element or entity, a document type with an internal
// subset, a duplicate dictionary key, a number or date out of range, nesting
// deeper than kPropertyListMaxDepth) gives nil. Never throws.
//   propertyListFromData(bytes).objectForKey(u"name").stringValue()
[[nodiscard]] PropertyList propertyListFromData(std::span<const std::uint8_t> bytes);

}  // namespace orvin
ORVIN_PUBLIC_END
