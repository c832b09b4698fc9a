// Localized date and time renderings: a date formatter over ICU, the seven
// process-wide formatters the library reuses, and the matching descriptions
// of a date.
#pragma once

#include <unicode/uversion.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <string_view>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/Date.h"

U_NAMESPACE_BEGIN
class DateFormat;
U_NAMESPACE_END

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The platform's formatter style levels.
enum NSDateFormatterStyle : NSUInteger {
  NSDateFormatterNoStyle = 0,
  NSDateFormatterShortStyle = 1,
  NSDateFormatterMediumStyle = 2,  // with seconds in the time part
  NSDateFormatterLongStyle = 3,
  NSDateFormatterFullStyle = 4,  // with the weekday in the date part
};

// Renders dates in one locale and time zone with a date style and a time
// style. Safe to use from several threads.
class DateFormatter {
 public:
  // A formatter in the user's locale (support/UserLocale.h) and the
  // process's time zone (TZ). nullptr when a style is above
  // NSDateFormatterFullStyle or the formatter cannot be built.
  //   auto f = DateFormatter::initWithDateStyle(NSDateFormatterShortStyle,
  //                                             NSDateFormatterMediumStyle);
  [[nodiscard]] static std::unique_ptr<DateFormatter> initWithDateStyle(NSUInteger dateStyle,
                                                                        NSUInteger timeStyle);
  // The same in an explicit ICU locale ("de_DE") and time zone ("UTC",
  // "Europe/Berlin"); nullptr as well for an unknown time zone.
  //   auto f = DateFormatter::initWithDateStyle(4, 0, "en_US", "UTC");
  [[nodiscard]] static std::unique_ptr<DateFormatter> initWithDateStyle(
      NSUInteger dateStyle, NSUInteger timeStyle, std::string_view localeIdentifier,
      std::string_view timeZoneIdentifier);

  ~DateFormatter();
  DateFormatter(const DateFormatter&) = delete;
  DateFormatter& operator=(const DateFormatter&) = delete;

  // `date` in the formatter's styles; the empty string when both styles are
  // NSDateFormatterNoStyle. nil for an instant the calendar cannot hold (not
  // finite, or beyond about five million years) or when memory runs out.
  //   f->stringFromDate(Date::dateWithTimeIntervalSince1970(0))  // "1/1/70, 12:00:00 AM"
  [[nodiscard]] String stringFromDate(const Date& date) const;

  [[nodiscard]] NSUInteger dateStyle() const noexcept { return dateStyle_; }
  [[nodiscard]] NSUInteger timeStyle() const noexcept { return timeStyle_; }
  [[nodiscard]] const std::string& localeIdentifier() const noexcept { return locale_; }

  // Formatters live in work memory, so a failed allocation is a result.
  static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete(void* block, const std::nothrow_t&) noexcept;

 private:
  DateFormatter(NSUInteger dateStyle, NSUInteger timeStyle, std::string locale,
                U_ICU_NAMESPACE::DateFormat* format);

  NSUInteger dateStyle_;
  NSUInteger timeStyle_;
  std::string locale_;
  std::unique_ptr<U_ICU_NAMESPACE::DateFormat> format_;  // null when both styles are none
  mutable std::mutex mutex_;  // ICU formatters are not safe to share unguarded
};

// The library's seven formatters, each built on first use in the user's
// locale and kept for the process. nullptr only when building failed; the
// next call tries again.
//   timeFormatter            no date,  medium time
//   shortDateFormatter       short date, no time
//   dateFormatter            medium date, no time
//   longDateFormatter        full date, no time
//   shortDateTimeFormatter   short date, medium time
//   dateTimeFormatter        medium date, medium time
//   longDateTimeFormatter    full date, medium time
//   dateFormatter() == dateFormatter()  // true: the same formatter
[[nodiscard]] const DateFormatter* timeFormatter();
[[nodiscard]] const DateFormatter* shortDateFormatter();
[[nodiscard]] const DateFormatter* dateFormatter();
[[nodiscard]] const DateFormatter* longDateFormatter();
[[nodiscard]] const DateFormatter* shortDateTimeFormatter();
[[nodiscard]] const DateFormatter* dateTimeFormatter();
[[nodiscard]] const DateFormatter* longDateTimeFormatter();

// `date` rendered by the formatter of the same name (localizedTimeDescription
// by timeFormatter, and so on); nil when that formatter cannot be built.
//   localizedShortDateTimeDescription(Date::now())  // "11/14/23, 10:13:20 PM" in en_US
[[nodiscard]] String localizedTimeDescription(const Date& date);
[[nodiscard]] String localizedShortDateDescription(const Date& date);
[[nodiscard]] String localizedDateDescription(const Date& date);
[[nodiscard]] String localizedLongDateDescription(const Date& date);
[[nodiscard]] String localizedShortDateTimeDescription(const Date& date);
[[nodiscard]] String localizedDateTimeDescription(const Date& date);
[[nodiscard]] String localizedLongDateTimeDescription(const Date& date);

}  // namespace orvin
ORVIN_PUBLIC_END
