// The library's house style for numbers: whole numbers with thousands
// grouping, fractional numbers with at most two decimals, and byte sizes in
// units of 1024 with at most one decimal, in the user's locale.
//
// The user's locale for numbers is the first set one of LC_ALL, LC_NUMERIC
// and LANG; "C", "POSIX" or none give en_US. Zero, and every value that
// rounds to zero, shows as "0", never "-0". Fractions round half to even
// (1.25 with one decimal is "1.2").
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Renders numbers with one ICU decimal pattern in one locale. Immutable, so
// safe to share between threads.
class NumberFormatter {
 public:
  // A formatter for an ICU decimal pattern ("#,##0.##": "," groups, "#"
  // after "." is an optional decimal) with the separators and digits of
  // `localeIdentifier` ("de_DE"; empty for the user's locale). nullptr for a
  // pattern ICU rejects or when memory runs out.
  //   auto f = NumberFormatter::withPattern(u"#,##0.#", "fr_FR");
  [[nodiscard]] static std::unique_ptr<NumberFormatter> withPattern(
      const String& pattern, std::string_view localeIdentifier);
  ~NumberFormatter();
  NumberFormatter(const NumberFormatter&) = delete;
  NumberFormatter& operator=(const NumberFormatter&) = delete;

  // The value's text, or nil when ICU cannot render it.
  [[nodiscard]] String format(std::int64_t value) const;
  [[nodiscard]] String format(double value) const;

  // Formatters live in work memory, so a failed allocation is a result.
  static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete(void* block, const std::nothrow_t&) noexcept;

 private:
  struct Icu;
  explicit NumberFormatter(std::unique_ptr<Icu> icu) noexcept;
  std::unique_ptr<Icu> icu_;
};

// The shared formatters, built on first use in the user's locale and kept
// for the process; nullptr only when building failed (the next call tries
// again). intFormatter and integerFormatter are one formatter: "#,##0".
// floatFormatter: "#,##0.##".
//   intFormatter() == integerFormatter()  // true
[[nodiscard]] const NumberFormatter* intFormatter();
[[nodiscard]] const NumberFormatter* integerFormatter();
[[nodiscard]] const NumberFormatter* floatFormatter();

// `value` rendered by `formatter`; "" (never nil) when it renders nothing.
//   stringForInteger(*intFormatter(), -1234)  // u"-1,234" in en_US
[[nodiscard]] String stringForInt(const NumberFormatter& formatter, std::int32_t value);
[[nodiscard]] String stringForInteger(const NumberFormatter& formatter, std::int64_t value);
[[nodiscard]] String stringForFloat(const NumberFormatter& formatter, float value);

// The same with the shared formatters ("" when they cannot be built).
//   stringForInt(16777217)   // u"16,777,217" in en_US, u"16.777.217" in de_DE
//   stringForFloat(3.14159f)  // u"3.14"
[[nodiscard]] String stringForInt(std::int32_t value);
[[nodiscard]] String stringForInteger(std::int64_t value);
[[nodiscard]] String stringForFloat(float value);

// A byte count for people: "N bytes" below 1024, else KB, MB, GB or TB
// (powers of 1024, TB the largest) with at most one decimal. The unit texts
// come from the library's message catalogue (text domain "orvin").
//   stringForSize(1023)     // u"1023 bytes" (no grouping)
//   stringForSize(1536)     // u"1.5 KB"
//   stringForSize(1048575)  // u"1,024 KB"
[[nodiscard]] String stringForSize(std::uint64_t size);

}  // namespace orvin
ORVIN_PUBLIC_END
