// stringWithFormat: the one printf-style formatter behind every format the
// system uses (log lines, alert messages, file names).
//
// Directives: %@ (a String, or anything with description()), %C (a code unit),
// %c (a byte), %s (UTF-8 C string), %S (NUL-terminated UTF-16), %d %i %u %x
// %X %o (integers; the length modifiers h hh l ll q z t j are accepted and
// ignored, since each argument carries its own type), %f %F %e %E %g %G %a %A,
// %p, %%, with flags (- + space # 0), width, precision, '*' and positional
// arguments (%2$@). A directive without a matching argument prints nothing
// and a nil String prints "(null)", as the platform does.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <variant>

#include "chars/Export.h"
#include "chars/String.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

class FormatArgument {
 public:
  using Value = std::variant<std::monostate, std::int64_t, std::uint64_t, double, String,
                             const char*, const unichar*, const void*>;

  FormatArgument(const String& s) : value_(s) {}        // NOLINT: implicit by design
  FormatArgument(const char16_t* s) : value_(s) {}      // NOLINT
  FormatArgument(const char* s) : value_(s) {}          // NOLINT
  FormatArgument(std::nullptr_t) : value_(String()) {}  // NOLINT
  FormatArgument(const void* p) : value_(p) {}          // NOLINT
  template <std::floating_point F>
  FormatArgument(F v) : value_(static_cast<double>(v)) {}  // NOLINT
  template <std::integral I>
  FormatArgument(I v)  // NOLINT
      : value_(std::is_signed_v<I> ? Value(static_cast<std::int64_t>(v))
                                   : Value(static_cast<std::uint64_t>(v))) {}
  // Objects with a description (exceptions, dates, ...).
  template <class T>
  requires requires(const T& t) { t.description(); }
  FormatArgument(const T& object) : value_(describe(object.description())) {}  // NOLINT

  [[nodiscard]] const Value& value() const noexcept { return value_; }

 private:
  static String describe(const std::string& text) { return String::withUtf8(text); }
  static String describe(const String& text) { return text; }
  Value value_;
};

// Formats `format` with `args`.
//   stringWithFormat(u"%@.txt", {name})             // "6.12.26, 17:19:25.txt"
//   stringWithFormat(u"%04x|%-3d|%.2f", {10, 7, 2.5})  // "000a|7  |2.50"
[[nodiscard]] String stringWithFormat(const String& format,
                                      std::initializer_list<FormatArgument> args);

}  // namespace orvin
ORVIN_PUBLIC_END
