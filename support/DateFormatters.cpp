#include "support/DateFormatters.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cmath>

#include "chars/WorkMemory.h"
#include "chars/internal/LazyCache.h"
#include "support/UserLocale.h"

namespace orvin {
namespace {

// The instants ICU's calendar can hold, in milliseconds since 1970.
constexpr double kEarliestMillis = -184303902528000000.0;
constexpr double kLatestMillis = 183882168921600000.0;

icu::DateFormat::EStyle icuStyle(NSUInteger style) {
  switch (style) {
    case NSDateFormatterShortStyle:
      return icu::DateFormat::kShort;
    case NSDateFormatterMediumStyle:
      return icu::DateFormat::kMedium;
    case NSDateFormatterLongStyle:
      return icu::DateFormat::kLong;
    case NSDateFormatterFullStyle:
      return icu::DateFormat::kFull;
    default:
      return icu::DateFormat::kNone;
  }
}

}  // namespace

DateFormatter::DateFormatter(NSUInteger dateStyle, NSUInteger timeStyle, std::string locale,
                             icu::DateFormat* format)
    : dateStyle_(dateStyle), timeStyle_(timeStyle), locale_(std::move(locale)), format_(format) {}

DateFormatter::~DateFormatter() = default;

void* DateFormatter::operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return allocateWorkMemory(bytes);
}
void DateFormatter::operator delete(void* block) noexcept {
  releaseWorkMemory(block);
}
void DateFormatter::operator delete(void* block, const std::nothrow_t&) noexcept {
  releaseWorkMemory(block);
}

std::unique_ptr<DateFormatter> DateFormatter::initWithDateStyle(NSUInteger dateStyle,
                                                                NSUInteger timeStyle) {
  return initWithDateStyle(dateStyle, timeStyle, currentLocaleIdentifier(), {});
}

std::unique_ptr<DateFormatter> DateFormatter::initWithDateStyle(
    NSUInteger dateStyle, NSUInteger timeStyle, std::string_view localeIdentifier,
    std::string_view timeZoneIdentifier) {
  if (dateStyle > NSDateFormatterFullStyle || timeStyle > NSDateFormatterFullStyle) return nullptr;
  try {
    std::string locale(localeIdentifier);
    const icu::Locale icuLocale(locale.c_str());
    if (icuLocale.isBogus()) return nullptr;

    std::unique_ptr<icu::TimeZone> zone;
    if (timeZoneIdentifier.empty()) {
      zone.reset(icu::TimeZone::createDefault());
    } else {
      zone.reset(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(icu::StringPiece(
          timeZoneIdentifier.data(), static_cast<int32_t>(timeZoneIdentifier.size())))));
      if (zone && *zone == icu::TimeZone::getUnknown()) return nullptr;
    }
    if (!zone) return nullptr;

    // ICU reads "no date, no time" as its default pattern; here it renders
    // nothing, so no ICU formatter is needed.
    std::unique_ptr<icu::DateFormat> format;
    if (dateStyle != NSDateFormatterNoStyle || timeStyle != NSDateFormatterNoStyle) {
      format.reset(icu::DateFormat::createDateTimeInstance(icuStyle(dateStyle), icuStyle(timeStyle),
                                                           icuLocale));
      if (!format) return nullptr;
      format->adoptTimeZone(zone.release());
    }
    std::unique_ptr<DateFormatter> made(
        new (std::nothrow) DateFormatter(dateStyle, timeStyle, std::move(locale), format.get()));
    if (made) format.release();
    return made;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

String DateFormatter::stringFromDate(const Date& date) const {
  if (!format_) return String(u"");
  const double millis = date.timeIntervalSince1970() * 1000.0;
  if (!std::isfinite(millis) || millis < kEarliestMillis || millis > kLatestMillis) return String();
  icu::UnicodeString text;
  UErrorCode status = U_ZERO_ERROR;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    format_->format(millis, text, nullptr, status);
  }
  if (U_FAILURE(status) || text.isBogus()) return String();
  return String::withCharacters(text.getBuffer(), static_cast<NSUInteger>(text.length()));
}

namespace {

const DateFormatter* cachedFormatter(LazyCache<DateFormatter>& cache, NSUInteger dateStyle,
                                     NSUInteger timeStyle) {
  return cache.get([&] { return DateFormatter::initWithDateStyle(dateStyle, timeStyle).release(); },
                   [](DateFormatter* lost) { delete lost; });
}

String describe(const DateFormatter* formatter, const Date& date) {
  return formatter != nullptr ? formatter->stringFromDate(date) : String();
}

LazyCache<DateFormatter> timeCache;
LazyCache<DateFormatter> shortDateCache;
LazyCache<DateFormatter> dateCache;
LazyCache<DateFormatter> longDateCache;
LazyCache<DateFormatter> shortDateTimeCache;
LazyCache<DateFormatter> dateTimeCache;
LazyCache<DateFormatter> longDateTimeCache;

}  // namespace

// The two "long" formatters use the full style: the long style lacks the
// weekday.
const DateFormatter* timeFormatter() {
  return cachedFormatter(timeCache, NSDateFormatterNoStyle, NSDateFormatterMediumStyle);
}
const DateFormatter* shortDateFormatter() {
  return cachedFormatter(shortDateCache, NSDateFormatterShortStyle, NSDateFormatterNoStyle);
}
const DateFormatter* dateFormatter() {
  return cachedFormatter(dateCache, NSDateFormatterMediumStyle, NSDateFormatterNoStyle);
}
const DateFormatter* longDateFormatter() {
  return cachedFormatter(longDateCache, NSDateFormatterFullStyle, NSDateFormatterNoStyle);
}
const DateFormatter* shortDateTimeFormatter() {
  return cachedFormatter(shortDateTimeCache, NSDateFormatterShortStyle, NSDateFormatterMediumStyle);
}
const DateFormatter* dateTimeFormatter() {
  return cachedFormatter(dateTimeCache, NSDateFormatterMediumStyle, NSDateFormatterMediumStyle);
}
const DateFormatter* longDateTimeFormatter() {
  return cachedFormatter(longDateTimeCache, NSDateFormatterFullStyle, NSDateFormatterMediumStyle);
}

String localizedTimeDescription(const Date& date) {
  return describe(timeFormatter(), date);
}
String localizedShortDateDescription(const Date& date) {
  return describe(shortDateFormatter(), date);
}
String localizedDateDescription(const Date& date) {
  return describe(dateFormatter(), date);
}
String localizedLongDateDescription(const Date& date) {
  return describe(longDateFormatter(), date);
}
String localizedShortDateTimeDescription(const Date& date) {
  return describe(shortDateTimeFormatter(), date);
}
String localizedDateTimeDescription(const Date& date) {
  return describe(dateTimeFormatter(), date);
}
String localizedLongDateTimeDescription(const Date& date) {
  return describe(longDateTimeFormatter(), date);
}

}  // namespace orvin
