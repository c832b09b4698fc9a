#include "support/Stopwatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/MonotonicClock.h"
#include "support/internal/TestHooks.h"

namespace orvin {
namespace {

double fakeSteady = 0;
double fakeWall = 0;

class Stopwatch : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeSteady = 100;
    fakeWall = 5000;
    testhooks::setMonotonicClock([] { return fakeSteady; });
    testhooks::setClock([] { return fakeWall; });
    stopTimer();
  }
  void TearDown() override {
    stopTimer();
    testhooks::resetMonotonicClock();
    testhooks::resetClock();
  }
};

// Runs `step`, answering its result and the tail of what it logged ("" for
// nothing).
std::pair<double, std::string> logged(const std::function<double()>& step) {
  ::testing::internal::CaptureStderr();
  const double result = step();
  std::string line = ::testing::internal::GetCapturedStderr();
  const std::size_t cut = line.find("] ");
  return {result, cut == std::string::npos ? line : line.substr(cut + 2)};
}

TEST_F(Stopwatch, StatesAndLogs) {
  struct Step {
    const char* name;
    double advance;  // seconds the steady clock moves before the step
    std::function<double()> step;
    double result;
    std::string log;
  } steps[] = {
      {"measure before start", 1, [] { return measureTimer(); }, 0, ""},
      {"labelled before start", 1, [] { return measureTimer(u"x"); }, 0, ""},
      {"restart while stopped starts", 1, [] { return measureAndRestartTimer(u"r"); }, 0, ""},
      {"measure keeps running", 1.5, [] { return measureTimer(); }, 1.5, "1.500000s\n"},
      {"labelled", 0.25, [] { return measureTimer(u"load"); }, 1.75, "load: 1.750000s\n"},
      {"restart", 0.25, [] { return measureAndRestartTimer(u"r"); }, 2, "r: 2.000000s\n"},
      {"stop", 0.5, [] { return measureAndStopTimer(u"s"); }, 0.5, "s: 0.500000s\n"},
      {"stop again", 1, [] { return measureAndStopTimer(u"s"); }, 0, ""},
      {"start over", 0,
       [] {
         startTimer();
         return 0.0;
       },
       0, ""},
      {"start while running moves", 2,
       [] {
         startTimer();
         return measureTimer();
       },
       0, "0.000000s\n"},
      {"stopTimer", 1,
       [] {
         stopTimer();
         return measureTimer();
       },
       0, ""},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    fakeSteady += s.advance;
    const auto [result, log] = logged(s.step);
    EXPECT_DOUBLE_EQ(result, s.result);
    EXPECT_EQ(log, s.log);
  }
}

TEST_F(Stopwatch, IgnoresTheWallClock) {
  startTimer();
  fakeWall -= 3600;  // the system clock is set back an hour
  fakeSteady += 2;
  EXPECT_DOUBLE_EQ(logged([] { return measureTimer(); }).first, 2);
}

TEST_F(Stopwatch, ElapsedTimeOfADateIsWallClock) {
  const Date past = Date::dateWithTimeIntervalSinceReferenceDate(fakeWall - 60);
  const Date future = Date::dateWithTimeIntervalSinceReferenceDate(fakeWall + 30);
  fakeSteady += 1000;  // irrelevant to dates
  EXPECT_DOUBLE_EQ(ellapsedTime(past), 60);
  EXPECT_DOUBLE_EQ(ellapsedTime(future), -30);
  EXPECT_EQ(logged([&] { return measureTimer(past); }),
            std::make_pair(60.0, std::string("60.000000s\n")));
  EXPECT_EQ(logged([&] { return measureTimer(future, u"f"); }),
            std::make_pair(-30.0, std::string("f: -30.000000s\n")));
}

TEST(MonotonicClock, NeverGoesBack) {
  const double a = monotonicSeconds();
  const double b = monotonicSeconds();
  EXPECT_LE(a, b);
}

}  // namespace
}  // namespace orvin
