// The user's locale and the date formatters built in it.
#include "support/DateFormatters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "StorageForms.h"
#include "chars/WorkMemory.h"
#include "chars/internal/TestHooks.h"
#include "support/UserLocale.h"

namespace orvin {
namespace {

// 2023-11-14 22:13:20 UTC, a Tuesday.
const Date kInstant = Date::dateWithTimeIntervalSince1970(1700000000);

TEST(DateFormatter, StylesInExplicitLocalesAndZones) {
  // ICU 72's English puts a narrow no-break space (U+202F) before AM/PM.
  const struct {
    NSUInteger dateStyle;
    NSUInteger timeStyle;
    const char* locale;
    const char* zone;
    std::u16string expected;
  } cases[] = {
      {1, 2, "en_US", "UTC", u"11/14/23, 10:13:20\u202FPM"},
      {4, 0, "en_US", "UTC", u"Tuesday, November 14, 2023"},
      {0, 2, "en_US", "UTC", u"10:13:20\u202FPM"},
      {1, 2, "de_DE", "UTC", u"14.11.23, 22:13:20"},
      {0, 2, "de_DE", "Europe/Berlin", u"23:13:20"},
      {0, 0, "en_US", "UTC", u""},
  };
  for (const auto& c : cases) {
    const auto f = DateFormatter::initWithDateStyle(c.dateStyle, c.timeStyle, c.locale, c.zone);
    ASSERT_NE(f, nullptr) << c.locale << " " << c.dateStyle << "/" << c.timeStyle;
    EXPECT_EQ(f->dateStyle(), c.dateStyle);
    EXPECT_EQ(f->timeStyle(), c.timeStyle);
    EXPECT_EQ(f->localeIdentifier(), c.locale);
    EXPECT_EQ(test::textOf(f->stringFromDate(kInstant)), c.expected)
        << c.locale << " " << c.dateStyle << "/" << c.timeStyle;
  }
}

TEST(DateFormatter, RefusesBadStylesZonesInstantsAndNoMemory) {
  EXPECT_EQ(DateFormatter::initWithDateStyle(5, 0, "en_US", "UTC"), nullptr);
  EXPECT_EQ(DateFormatter::initWithDateStyle(0, 99, "en_US", "UTC"), nullptr);
  EXPECT_EQ(DateFormatter::initWithDateStyle(1, 1, "en_US", "Nowhere/Atlantis"), nullptr);

  const auto f = DateFormatter::initWithDateStyle(1, 2, "en_US", "UTC");
  ASSERT_NE(f, nullptr);
  for (double seconds : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300, -1e300}) {
    EXPECT_TRUE(f->stringFromDate(Date::dateWithTimeIntervalSince1970(seconds)).isNil()) << seconds;
  }
  EXPECT_EQ(test::textOf(f->stringFromDate(Date::dateWithTimeIntervalSince1970(-2208988800))),
            u"1/1/00, 12:00:00\u202FAM");  // 1900
  testhooks::failNextWorkAllocations(1);
  EXPECT_EQ(DateFormatter::initWithDateStyle(1, 2, "en_US", "UTC"), nullptr);
  testhooks::resetWorkAllocationFailures();
}

struct Cached {
  const DateFormatter* (*formatter)();
  String (*description)(const Date&);
  NSUInteger dateStyle;
  NSUInteger timeStyle;
};

const Cached kCached[] = {
    {timeFormatter, localizedTimeDescription, 0, 2},
    {shortDateFormatter, localizedShortDateDescription, 1, 0},
    {dateFormatter, localizedDateDescription, 2, 0},
    {longDateFormatter, localizedLongDateDescription, 4, 0},
    {shortDateTimeFormatter, localizedShortDateTimeDescription, 1, 2},
    {dateTimeFormatter, localizedDateTimeDescription, 2, 2},
    {longDateTimeFormatter, localizedLongDateTimeDescription, 4, 2},
};

TEST(CachedDateFormatters, BuiltOnceWithTheirStylesInTheUserLocale) {
  for (const Cached& c : kCached) {
    const DateFormatter* f = c.formatter();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(c.formatter(), f);
    EXPECT_EQ(f->dateStyle(), c.dateStyle);
    EXPECT_EQ(f->timeStyle(), c.timeStyle);
    EXPECT_EQ(f->localeIdentifier(), currentLocaleIdentifier());
    const String description = c.description(kInstant);
    EXPECT_FALSE(description.isEmpty());
    EXPECT_EQ(description, f->stringFromDate(kInstant));
  }
}

TEST(UserLocale, FirstSetVariableWinsAndIsTrimmedToALocaleName) {
  const struct {
    const char* lcAll;
    const char* lcTime;
    const char* lang;
    const char* expected;
  } cases[] = {
      {nullptr, nullptr, nullptr, "en_US"}, {"C", "de_DE", "fr_FR", "en_US"},
      {"POSIX", nullptr, nullptr, "en_US"}, {"C.UTF-8", "de_DE", nullptr, "en_US"},
      {"", "", "de_DE.UTF-8", "de_DE"},     {nullptr, "de_DE.UTF-8@euro", "fr_FR", "de_DE"},
      {nullptr, nullptr, "en", "en"},       {nullptr, nullptr, ".UTF-8", "en_US"},
      {nullptr, nullptr, "de DE", "en_US"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(localeFromEnvironment(c.lcAll, c.lcTime, c.lang), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcTime ? c.lcTime : "-") << " "
        << (c.lang ? c.lang : "-");
  }
  EXPECT_EQ(localeFromEnvironment(nullptr, nullptr, std::string(300, 'a').c_str()), "en_US");
}

}  // namespace
}  // namespace orvin
