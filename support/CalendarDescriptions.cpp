#include "support/CalendarDescriptions.h"

#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>
#include <memory>
#include <new>
#include <string>

#include "support/UserLocale.h"
#include "support/internal/CalendarFormat.h"

namespace orvin {
namespace {

// The instants ICU's calendar can hold, in milliseconds since 1970.
constexpr double kEarliestMillis = -184303902528000000.0;
constexpr double kLatestMillis = 183882168921600000.0;

constexpr const char16_t* kDefaultFormat = u"%Y-%m-%d %H:%M:%S %z";
constexpr const char* kNamesWithoutLocale = "en_US";

String fromIcu(const icu::UnicodeString& text) {
  return String::withCharacters(text.getBuffer(), static_cast<NSUInteger>(text.length()));
}

icu::Locale icuLocale(std::string_view identifier) {
  return icu::Locale(std::string(identifier).c_str());
}

enum class Names { Months, ShortMonths, Weekdays, ShortWeekdays };

std::vector<String> symbols(Names which) {
  try {
    UErrorCode status = U_ZERO_ERROR;
    const icu::DateFormatSymbols names(icuLocale(currentLocaleIdentifier()), status);
    if (U_FAILURE(status)) return {};
    int32_t count = 0;
    const icu::UnicodeString* list = nullptr;
    const auto width = which == Names::Months || which == Names::Weekdays
                           ? icu::DateFormatSymbols::WIDE
                           : icu::DateFormatSymbols::ABBREVIATED;
    const bool months = which == Names::Months || which == Names::ShortMonths;
    list = months ? names.getMonths(count, icu::DateFormatSymbols::FORMAT, width)
                  : names.getWeekdays(count, icu::DateFormatSymbols::FORMAT, width);
    // ICU's weekday list starts with an empty entry, so that Sunday is 1.
    const int32_t first = months ? 0 : 1;
    std::vector<String> out;
    for (int32_t i = first; i < count; ++i) {
      String name = fromIcu(list[i]);
      if (name.isNil()) return {};
      out.push_back(name);
    }
    return out;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

// Renders one calendar format against a calendar set to the instant.
class Renderer {
 public:
  Renderer(const icu::Locale& locale, icu::GregorianCalendar& calendar, UDate millis)
      : locale_(locale), calendar_(calendar), millis_(millis), names_(locale, status_) {}

  bool render(const std::u16string& format, std::u16string& out) {
    for (std::size_t i = 0; i < format.size(); ++i) {
      if (format[i] != u'%' || i + 1 == format.size()) {
        out.push_back(format[i]);
        continue;
      }
      directive(format[++i], out);
    }
    return U_SUCCESS(status_);
  }

 private:
  int32_t field(UCalendarDateFields f) { return calendar_.get(f, status_); }

  static void number(std::u16string& out, int64_t value, int width) {
    std::string digits = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), '0');
    if (value < 0) out.push_back(u'-');
    out.append(digits.begin(), digits.end());
  }

  void name(std::u16string& out, const icu::UnicodeString* list, int32_t count, int32_t index) {
    if (list != nullptr && index >= 0 && index < count) {
      out.append(list[index].getBuffer(), static_cast<std::size_t>(list[index].length()));
    }
  }

  void weekday(std::u16string& out, icu::DateFormatSymbols::DtWidthType width) {
    int32_t count = 0;
    const auto* list = names_.getWeekdays(count, icu::DateFormatSymbols::FORMAT, width);
    name(out, list, count, field(UCAL_DAY_OF_WEEK));
  }

  void month(std::u16string& out, icu::DateFormatSymbols::DtWidthType width) {
    int32_t count = 0;
    const auto* list = names_.getMonths(count, icu::DateFormatSymbols::FORMAT, width);
    name(out, list, count, field(UCAL_MONTH));
  }

  void localeStyle(std::u16string& out, bool date) {
    std::unique_ptr<icu::DateFormat> format(
        date ? icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale_)
             : icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale_));
    if (!format) {
      status_ = U_MEMORY_ALLOCATION_ERROR;
      return;
    }
    format->setTimeZone(calendar_.getTimeZone());
    icu::UnicodeString text;
    format->format(millis_, text);
    out.append(text.getBuffer(), static_cast<std::size_t>(text.length()));
  }

  void directive(char16_t c, std::u16string& out) {
    switch (c) {
      case u'a':
        return weekday(out, icu::DateFormatSymbols::ABBREVIATED);
      case u'A':
        return weekday(out, icu::DateFormatSymbols::WIDE);
      case u'b':
        return month(out, icu::DateFormatSymbols::ABBREVIATED);
      case u'B':
        return month(out, icu::DateFormatSymbols::WIDE);
      case u'c':
        localeStyle(out, false);
        out.push_back(u' ');
        return localeStyle(out, true);
      case u'd':
        return number(out, field(UCAL_DATE), 2);
      case u'e':
        return number(out, field(UCAL_DATE), 1);
      case u'F':
        return number(out, field(UCAL_MILLISECOND), 3);
      case u'H':
        return number(out, field(UCAL_HOUR_OF_DAY), 2);
      case u'I':
        return number(out, field(UCAL_HOUR) == 0 ? 12 : field(UCAL_HOUR), 2);
      case u'j':
        return number(out, field(UCAL_DAY_OF_YEAR), 3);
      case u'm':
        return number(out, field(UCAL_MONTH) + 1, 2);
      case u'M':
        return number(out, field(UCAL_MINUTE), 2);
      case u'p': {
        int32_t count = 0;
        const icu::UnicodeString* marks = names_.getAmPmStrings(count);
        name(out, marks, count, field(UCAL_AM_PM));
        return;
      }
      case u'S':
        return number(out, field(UCAL_SECOND), 2);
      case u'w':
        return number(out, field(UCAL_DAY_OF_WEEK) - 1, 1);
      case u'x':
        return localeStyle(out, true);
      case u'X':
        return localeStyle(out, false);
      case u'y': {
        const int32_t year = field(UCAL_EXTENDED_YEAR) % 100;
        return number(out, year < 0 ? year + 100 : year, 2);
      }
      case u'Y':
        return number(out, field(UCAL_EXTENDED_YEAR), 1);
      case u'Z': {
        icu::UnicodeString zone;
        calendar_.getTimeZone().getDisplayName(field(UCAL_DST_OFFSET) != 0, icu::TimeZone::SHORT,
                                               locale_, zone);
        out.append(zone.getBuffer(), static_cast<std::size_t>(zone.length()));
        return;
      }
      case u'z': {
        const int32_t minutes = (field(UCAL_ZONE_OFFSET) + field(UCAL_DST_OFFSET)) / 60000;
        out.push_back(minutes < 0 ? u'-' : u'+');
        const int32_t magnitude = minutes < 0 ? -minutes : minutes;
        return number(out, (magnitude / 60) * 100 + magnitude % 60, 4);
      }
      case u'%':
        out.push_back(u'%');
        return;
      default:
        out.push_back(u'%');
        out.push_back(c);
    }
  }

  const icu::Locale& locale_;
  icu::GregorianCalendar& calendar_;
  UDate millis_;
  UErrorCode status_ = U_ZERO_ERROR;
  icu::DateFormatSymbols names_;
};

}  // namespace

namespace detail {

String renderCalendarFormat(const Date& date, const String& format,
                            std::string_view localeIdentifier,
                            std::string_view timeZoneIdentifier) {
  if (format.isNil()) return String();
  const double millis = date.timeIntervalSince1970() * 1000.0;
  if (!std::isfinite(millis) || millis < kEarliestMillis || millis > kLatestMillis) return String();
  try {
    const icu::Locale locale = icuLocale(localeIdentifier);
    if (locale.isBogus()) return String();
    std::unique_ptr<icu::TimeZone> zone(
        timeZoneIdentifier.empty()
            ? icu::TimeZone::createDefault()
            : icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(icu::StringPiece(
                  timeZoneIdentifier.data(), static_cast<int32_t>(timeZoneIdentifier.size())))));
    if (!zone || *zone == icu::TimeZone::getUnknown()) return String();
    UErrorCode status = U_ZERO_ERROR;
    icu::GregorianCalendar calendar(zone.release(), locale, status);
    calendar.setTime(millis, status);
    if (U_FAILURE(status)) return String();
    std::u16string out;
    Renderer renderer(locale, calendar, millis);
    if (!renderer.render(format.toU16String(), out)) return String();
    return String(out);
  } catch (const std::bad_alloc&) {
    return String();
  }
}

}  // namespace detail

std::vector<String> monthSymbols() {
  return symbols(Names::Months);
}
std::vector<String> shortMonthSymbols() {
  return symbols(Names::ShortMonths);
}
std::vector<String> weekdaySymbols() {
  return symbols(Names::Weekdays);
}
std::vector<String> shortWeekdaySymbols() {
  return symbols(Names::ShortWeekdays);
}

String descriptionWithLocale(const Date& date, std::string_view localeIdentifier) {
  return detail::renderCalendarFormat(date, kDefaultFormat, localeIdentifier, {});
}

String descriptionWithCalendarFormat(const Date& date, const String& format) {
  return detail::renderCalendarFormat(date, format, kNamesWithoutLocale, {});
}

String descriptionWithCalendarFormat(const Date& date, const String& format,
                                     std::string_view localeIdentifier) {
  return detail::renderCalendarFormat(date, format, localeIdentifier, {});
}

String localizedDescriptionWithCalendarFormat(const Date& date, const String& format) {
  return localizedDescriptionWithCalendarFormat(date, format, false);
}

String localizedDescriptionWithCalendarFormat(const Date& date, const String& format,
                                              bool /*allowNaturalLanguage*/) {
  return detail::renderCalendarFormat(date, format, currentLocaleIdentifier(), {});
}

}  // namespace orvin
