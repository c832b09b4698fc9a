#include "support/Stopwatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/internal/TestHooks.h"

namespace orvin {
namespace {

double steadyNow = 0;
double wallNow = 0;

// Runs `step` and answers its result with what it logged after the stamp.
std::string logged(const std::function<double()>& step) {
  ::testing::internal::CaptureStderr();
  const double result = step();
  const std::string line = ::testing::internal::GetCapturedStderr();
  const std::size_t cut = line.find("] ");
  return std::to_string(result) + "|" + (cut == std::string::npos ? line : line.substr(cut + 2));
}

TEST(Stopwatch, StatesAndLogsOnTheMonotonicClock) {
  steadyNow = 100;
  wallNow = 5000;
  testhooks::setMonotonicClock([] { return steadyNow; });
  testhooks::setClock([] { return wallNow; });
  const std::tuple<double, std::function<double()>, std::string> steps[] = {
      {1, [] { return measureTimer(); }, "0.000000|"},                // never started
      {1, [] { return measureAndRestartTimer(u"r"); }, "0.000000|"},  // starts it
      {1.5, [] { return measureTimer(); }, "1.500000|1.500000s\n"},
      {0.25, [] { return measureTimer(u"load"); }, "1.750000|load: 1.750000s\n"},
      {0.25, [] { return measureAndRestartTimer(u"r"); }, "2.000000|r: 2.000000s\n"},
      {0.5, [] { return measureAndStopTimer(u"s"); }, "0.500000|s: 0.500000s\n"},
      {1, [] { return measureAndStopTimer(u"s"); }, "0.000000|"},
      {0,
       [] {
         startTimer();
         wallNow -= 3600;
         return 0.0;
       },
       "0.000000|"},  // clock set back
      {2, [] { return measureTimer(); }, "2.000000|2.000000s\n"},
      {2,
       [] {
         startTimer();
         return measureTimer();
       },
       "0.000000|0.000000s\n"},
      {1,
       [] {
         stopTimer();
         return measureTimer();
       },
       "0.000000|"},
  };
  for (const auto& [advance, step, expected] : steps) {
    steadyNow += advance;
    EXPECT_EQ(logged(step), expected);
  }
  // A date's elapsed time is wall-clock time.
  const Date past = Date::dateWithTimeIntervalSinceReferenceDate(wallNow - 60);
  EXPECT_EQ(logged([&] { return measureTimer(past); }), "60.000000|60.000000s\n");
  EXPECT_EQ(logged([&] { return measureTimer(past.dateByAddingTimeInterval(90), u"f"); }),
            "-30.000000|f: -30.000000s\n");
  EXPECT_EQ(ellapsedTime(past), 60);
  testhooks::resetMonotonicClock();
  testhooks::resetClock();
}

}  // namespace
}  // namespace orvin
