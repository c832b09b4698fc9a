// Dates, the replaceable clock, and the log lines stamped with them.
#include "support/Date.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ctime>
#include <regex>
#include <string>

#include "support/Clock.h"
#include "support/Log.h"
#include "support/internal/TestHooks.h"

namespace orvin {
namespace {

double fakeNow = 0;

TEST(Date, ReferenceDateAndUnixEpochConvert) {
  const std::pair<double, double> cases[] = {
      {0, -978307200},
      {1700000000.5, 721692800.5},
      {-86400, -978393600},
  };
  for (const auto& [since1970, sinceReference] : cases) {
    const Date a = Date::dateWithTimeIntervalSince1970(since1970);
    const Date b = Date::dateWithTimeIntervalSinceReferenceDate(sinceReference);
    EXPECT_EQ(a, b) << since1970;
    EXPECT_EQ(a.timeIntervalSinceReferenceDate(), sinceReference);
    EXPECT_EQ(b.timeIntervalSince1970(), since1970);
  }
  EXPECT_EQ(Date().timeIntervalSinceReferenceDate(), 0);
}

TEST(Date, OrdersByInstant) {
  const Date early = Date::dateWithTimeIntervalSinceReferenceDate(-5);
  const Date late = early.dateByAddingTimeInterval(7.5);
  EXPECT_EQ(late.timeIntervalSinceDate(early), 7.5);
  EXPECT_EQ(early.compare(late), NSOrderedAscending);
  EXPECT_EQ(late.compare(early), NSOrderedDescending);
  EXPECT_EQ(late.compare(late), NSOrderedSame);
  EXPECT_TRUE(early < late);
}

TEST(Date, NowReadsTheReplaceableClock) {
  fakeNow = 1000;
  testhooks::setClock([] { return fakeNow; });
  EXPECT_EQ(Date::now().timeIntervalSinceReferenceDate(), 1000);
  EXPECT_EQ(Date::dateWithTimeIntervalSinceNow(-60).timeIntervalSinceReferenceDate(), 940);
  const Date past = Date::dateWithTimeIntervalSinceReferenceDate(940);
  EXPECT_EQ(past.timeIntervalSinceNow(), -60);
  fakeNow = 1030;
  EXPECT_EQ(past.timeIntervalSinceNow(), -90);
  EXPECT_EQ(currentAbsoluteTime(), 1030);
  testhooks::resetClock();
  // Back on the system clock, which counts from the reference date.
  const std::time_t before = std::time(nullptr);
  const double now = Date::now().timeIntervalSince1970();
  EXPECT_TRUE(now >= static_cast<double>(before) - 1 && now <= std::time(nullptr) + 1.0) << now;
}

TEST(Log, WritesOneStampedLineToStandardError) {
  const std::string line = logLine(String(u"grüß dich"));
  const std::regex shape(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} [^ \[]+\[\d+:\d+\] grüß dich)");
  EXPECT_TRUE(std::regex_match(line, shape)) << line;
  EXPECT_NE(line.find("[" + std::to_string(getpid()) + ":"), std::string::npos);
  testing::internal::CaptureStderr();
  NSLog(u"%@: %fs", {String(u"load"), 0.25});
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(), '\n');
  EXPECT_NE(err.find("] load: 0.250000s\n"), std::string::npos) << err;
  EXPECT_EQ(err.find('\n'), err.size() - 1);
}

}  // namespace
}  // namespace orvin
