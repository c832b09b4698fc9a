#include "support/Date.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/Clock.h"

namespace orvin {
namespace {

double fakeNow = 0;
double fakeClock() {
  return fakeNow;
}

struct FakeClock {
  explicit FakeClock(double now) {
    fakeNow = now;
    testhooks::setClock(fakeClock);
  }
  ~FakeClock() { testhooks::resetClock(); }
};

TEST(Date, ReferenceDateAndUnixEpochConvert) {
  const struct {
    double since1970;
    double sinceReference;
  } cases[] = {
      {0, -978307200},
      {978307200, 0},
      {1700000000.5, 721692800.5},
      {-86400, -978393600},
  };
  for (const auto& c : cases) {
    const Date a = Date::dateWithTimeIntervalSince1970(c.since1970);
    const Date b = Date::dateWithTimeIntervalSinceReferenceDate(c.sinceReference);
    EXPECT_EQ(a, b) << c.since1970;
    EXPECT_EQ(a.timeIntervalSinceReferenceDate(), c.sinceReference);
    EXPECT_EQ(b.timeIntervalSince1970(), c.since1970);
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
  {
    FakeClock clock(1000);
    EXPECT_EQ(Date::now().timeIntervalSinceReferenceDate(), 1000);
    EXPECT_EQ(Date::dateWithTimeIntervalSinceNow(-60).timeIntervalSinceReferenceDate(), 940);
    const Date past = Date::dateWithTimeIntervalSinceReferenceDate(940);
    EXPECT_EQ(past.timeIntervalSinceNow(), -60);
    fakeNow = 1030;
    EXPECT_EQ(past.timeIntervalSinceNow(), -90);
    EXPECT_EQ(currentAbsoluteTime(), 1030);
  }
  // Back on the system clock, which counts from the reference date.
  const std::time_t before = std::time(nullptr);
  const double now = Date::now().timeIntervalSince1970();
  const std::time_t after = std::time(nullptr);
  EXPECT_GE(now, static_cast<double>(before) - 1);
  EXPECT_LE(now, static_cast<double>(after) + 1);
}

}  // namespace
}  // namespace orvin
