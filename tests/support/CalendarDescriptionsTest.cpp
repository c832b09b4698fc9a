#include "support/CalendarDescriptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "StorageForms.h"
#include "support/internal/CalendarFormat.h"

namespace orvin {
namespace {

using test::textOf;

// 2026-03-05 14:07:09.042 UTC, a Thursday, day 64.
const Date kThursday = Date::dateWithTimeIntervalSince1970(1772719629.042);
// 2026-07-01 00:05:00 UTC: summer time in Berlin.
const Date kSummer = Date::dateWithTimeIntervalSince1970(1782864300);

TEST(CalendarFormat, RendersEachDirective) {
  struct Case {
    Date date;
    const char16_t* format;
    const char* locale;
    const char* zone;
    std::u16string expected;
  } cases[] = {
      {kThursday, u"%Y-%m-%d %H:%M:%S.%F", "en_US", "UTC", u"2026-03-05 14:07:09.042"},
      {kThursday, u"%a %A %b %B", "en_US", "UTC", u"Thu Thursday Mar March"},
      {kThursday, u"%e|%d|%j|%w|%y|%I%p", "en_US", "UTC", u"5|05|064|4|26|02PM"},
      {kThursday, u"%H %z", "en_US", "Europe/Berlin", u"15 +0100"},
      {kSummer, u"%d %H:%M %z", "en_US", "Europe/Berlin", u"01 02:05 +0200"},
      {kSummer, u"%H %z %Z", "en_US", "America/New_York", u"20 -0400 EDT"},
      {kSummer, u"%H%z", "en_US", "America/St_Johns", u"21-0230"},
      {kSummer, u"%I %p", "en_US", "UTC", u"12 AM"},
      {kThursday, u"%x|%X", "de_DE", "UTC", u"05.03.26|14:07:09"},
      {kThursday, u"100%% %q %", "en_US", "UTC", u"100% %q %"},
      {Date::dateWithTimeIntervalSince1970(-62198755200), u"%Y %y", "en_US", "UTC",
       u"-1 99"},  // two years before 1 AD, counted astronomically
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(test::utf8(c.format));
    EXPECT_EQ(textOf(detail::renderCalendarFormat(c.date, c.format, c.locale, c.zone)), c.expected);
  }
  EXPECT_EQ(textOf(detail::renderCalendarFormat(kThursday, String(), "en_US", "UTC")), u"<nil>");
  EXPECT_EQ(textOf(detail::renderCalendarFormat(kThursday, u"%Y", "en_US", "No/Such_Zone")),
            u"<nil>");
  for (double bad : {1e300, -1e300, std::nan("")}) {
    EXPECT_EQ(textOf(detail::renderCalendarFormat(Date::dateWithTimeIntervalSinceReferenceDate(bad),
                                                  u"%Y", "en_US", "UTC")),
              u"<nil>");
  }
}

TEST(CalendarFormat, PublicFormsUseTheirLocales) {
  ::setenv("LC_TIME", "de_DE.UTF-8", 1);
  EXPECT_EQ(textOf(descriptionWithCalendarFormat(kThursday, u"%B")), u"March");
  EXPECT_EQ(textOf(descriptionWithCalendarFormat(kThursday, u"%B", "fr_FR")), u"mars");
  EXPECT_EQ(textOf(localizedDescriptionWithCalendarFormat(kThursday, u"%B", true)), u"März");
  // The default description has no names: the same in every locale.
  EXPECT_EQ(descriptionWithLocale(kThursday, "de_DE"), descriptionWithLocale(kThursday, "en_US"));
  const std::vector<String> german[] = {monthSymbols(), shortWeekdaySymbols()};
  ::unsetenv("LC_TIME");
  EXPECT_EQ(textOf(german[0].at(0)) + textOf(german[1].at(0)), u"JanuarSo.");
  const std::tuple<std::vector<String>, std::u16string, std::u16string> lists[] = {
      {monthSymbols(), u"January", u"December"},
      {shortMonthSymbols(), u"Jan", u"Dec"},
      {weekdaySymbols(), u"Sunday", u"Saturday"},
      {shortWeekdaySymbols(), u"Sun", u"Sat"},
  };
  for (const auto& [names, first, last] : lists) {
    ASSERT_EQ(names.size(), first == u"Sun" || first == u"Sunday" ? 7u : 12u);
    EXPECT_EQ(textOf(names.front()) + u"-" + textOf(names.back()), first + u"-" + last);
  }
}

}  // namespace
}  // namespace orvin
