// The run loop's waits run on the monotonic clock: setting the wall clock
// while one is under way neither cuts nor stretches it.
#include "service/platform/RunLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/Clock.h"
#include "support/Date.h"
#include "support/MonotonicClock.h"

namespace wendlock {
namespace {

constexpr double kStart = 700000000.0;

struct VirtualTime {
  VirtualTime() { testhooks::useVirtualTime(kStart); }
  ~VirtualTime() { testhooks::useRealTime(); }
};

gboolean stepWallClockOnce(gpointer seconds) {
  testhooks::stepWallClock(*static_cast<double*>(seconds));
  return G_SOURCE_REMOVE;
}

TEST(RunLoop, AWaitForADateRunsOnTheMonotonicClock) {
  // The wall clock's step during a five-second wait: an hour either way, to
  // just inside the wait either way, none.
  for (double step : {3600.0, -3600.0, 4.0, -4.0, 0.0}) {
    SCOPED_TRACE(step);
    const VirtualTime virtualTime;
    g_idle_add(stepWallClockOnce, &step);
    RunLoop::currentRunLoop().runUntilDate(orvin::Date::dateWithTimeIntervalSinceNow(5.0));
    EXPECT_EQ(orvin::monotonicSeconds() - kStart, 5.0);
    // The dates people see do follow the wall clock.
    EXPECT_EQ(orvin::currentAbsoluteTime() - kStart, 5.0 + step);
  }
}

TEST(RunLoop, ADateInThePastOrNoDateEndsTheWaitAtOnce) {
  for (double seconds : {-1.0, 0.0, std::numeric_limits<double>::quiet_NaN()}) {
    SCOPED_TRACE(seconds);
    const VirtualTime virtualTime;
    RunLoop::currentRunLoop().runUntilDate(orvin::Date::dateWithTimeIntervalSinceNow(seconds));
    EXPECT_EQ(orvin::monotonicSeconds(), kStart);
  }
}

gboolean setFlag(gpointer flag) {
  *static_cast<bool*>(flag) = true;
  return G_SOURCE_REMOVE;
}

TEST(RunLoop, RunUntilEndsWhenDoneOrAtTheDeadline) {
  for (bool comes : {true, false}) {
    SCOPED_TRACE(comes);
    const VirtualTime virtualTime;
    bool flag = false;
    if (comes) g_idle_add(setFlag, &flag);
    const bool done =
        RunLoop::currentRunLoop().runUntil([&] { return flag; }, orvin::monotonicSeconds() + 3.0);
    EXPECT_EQ(done, comes);
    EXPECT_EQ(orvin::monotonicSeconds() - kStart, comes ? 0.0 : 3.0);
  }
}

}  // namespace
}  // namespace wendlock
