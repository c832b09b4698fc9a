// A date described in a calendar format (the classic strftime-like
// directives), and the locale's month and weekday names.
//
// Directives: %a %A (short and full weekday), %b %B (short and full month),
// %c (the locale's time and date, "%X %x"), %d (day, 01-31), %e (day, 1-31),
// %F (milliseconds, 000-999), %H (00-23), %I (01-12), %j (day of the year,
// 001-366), %m (01-12), %M (00-59), %p (the locale's AM or PM), %S (00-59),
// %w (weekday, 0 for Sunday), %x (the locale's short date), %X (the locale's
// medium time), %y (year, 00-99), %Y (year with century), %Z (time zone
// abbreviation), %z (offset, "+0100"), %%. Any other directive is copied as
// it is. Dates are shown in the process's time zone (TZ).
//
// Locales are ICU locale ids ("de_DE"); names of months and weekdays follow
// them.
#pragma once

#include <string_view>
#include <vector>

#include "chars/Export.h"
#include "chars/String.h"
#include "support/Date.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// The user's locale's (LC_TIME) names, built afresh on every call. Months
// from January, weekdays from Sunday. Empty when the names cannot be had.
//   monthSymbols()[0]          // u"January" in en_US
//   shortWeekdaySymbols()[0]   // u"So." in de_DE
[[nodiscard]] std::vector<String> monthSymbols();
[[nodiscard]] std::vector<String> shortMonthSymbols();
[[nodiscard]] std::vector<String> weekdaySymbols();
[[nodiscard]] std::vector<String> shortWeekdaySymbols();

// `date` as "%Y-%m-%d %H:%M:%S %z", which has no names and so reads the same
// in every locale.
//   descriptionWithLocale(date, "de_DE")  // u"2026-12-06 17:19:25 +0100"
[[nodiscard]] String descriptionWithLocale(const Date& date, std::string_view localeIdentifier);

// `date` in the calendar `format`, with English names, or with the names of
// `localeIdentifier`. nil for a nil format or an instant the calendar cannot
// hold.
//   descriptionWithCalendarFormat(date, u"%A, %e. %B %Y")  // u"Sunday, 6. December 2026"
//   descriptionWithCalendarFormat(date, u"%A", "de_DE")      // u"Sonntag"
[[nodiscard]] String descriptionWithCalendarFormat(const Date& date, const String& format);
[[nodiscard]] String descriptionWithCalendarFormat(const Date& date, const String& format,
                                                   std::string_view localeIdentifier);

// `date` in the calendar `format` with the user's locale's (LC_TIME) names.
// Natural language only matters when reading dates, so the flag changes
// nothing here.
//   localizedDescriptionWithCalendarFormat(date, u"%B")  // u"Dezember" under LC_TIME=de_DE
[[nodiscard]] String localizedDescriptionWithCalendarFormat(const Date& date, const String& format);
[[nodiscard]] String localizedDescriptionWithCalendarFormat(const Date& date, const String& format,
                                                            bool allowNaturalLanguage);

}  // namespace orvin
ORVIN_PUBLIC_END
