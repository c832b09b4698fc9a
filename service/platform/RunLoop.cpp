#include "service/platform/RunLoop.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

#include "support/Clock.h"
#include "support/MonotonicClock.h"
#include "support/internal/TestHooks.h"

namespace wendlock {
namespace {

// Real time that must pass without any event before virtual time jumps.
constexpr guint kIdleMilliseconds = 10;

std::atomic<bool> gVirtual{false};
std::atomic<double> gVirtualNow{0};  // the monotonic clock
std::atomic<double> gWallOffset{0};  // the wall clock's lead over it

double virtualNow() {
  return gVirtualNow.load();
}
double virtualWallNow() {
  return gVirtualNow.load() + gWallOffset.load();
}

gboolean markFired(gpointer fired) {
  *static_cast<bool*>(fired) = true;
  return G_SOURCE_REMOVE;
}

// Blocks in the context until an event is dispatched or `milliseconds` pass;
// true when the time ran out with nothing else dispatched.
bool iterateFor(GMainContext* context, guint milliseconds) {
  bool fired = false;
  GSource* timer = g_timeout_source_new(milliseconds);
  g_source_set_callback(timer, markFired, &fired, nullptr);
  g_source_attach(timer, context);
  g_main_context_iteration(context, TRUE);
  g_source_destroy(timer);
  g_source_unref(timer);
  return fired;
}

}  // namespace

RunLoop& RunLoop::currentRunLoop() {
  static RunLoop loop(g_main_context_default());
  return loop;
}

void RunLoop::raisePending() {
  if (!pending_) return;
  std::exception_ptr raised = std::exchange(pending_, nullptr);
  std::rethrow_exception(raised);
}

void RunLoop::runUntilDate(const orvin::Date& deadline) {
  const double remaining = deadline.timeIntervalSinceReferenceDate() - orvin::currentAbsoluteTime();
  // A date in the past, or no date at all (NaN), ends the wait at once.
  const double until = orvin::monotonicSeconds() + (remaining > 0 ? remaining : 0);
  runUntil([] { return false; }, until);
}

bool RunLoop::runUntil(const std::function<bool()>& done, double until) {
  for (;;) {
    raisePending();
    if (done()) return true;
    const double now = orvin::monotonicSeconds();
    if (!(now < until)) return false;
    if (gVirtual.load()) {
      if (iterateFor(context_, kIdleMilliseconds)) {
        double expected = gVirtualNow.load();
        while (expected < until && !gVirtualNow.compare_exchange_weak(expected, until)) {
        }
      }
      continue;
    }
    const double milliseconds = std::ceil((until - now) * 1000.0);
    iterateFor(context_, static_cast<guint>(std::min(milliseconds, 3600000.0)));
  }
}

bool RunLoop::runUntilOnSystemClock(const std::function<bool()>& done, double seconds) {
  const gint64 until = g_get_monotonic_time() + static_cast<gint64>(seconds * G_USEC_PER_SEC);
  for (;;) {
    raisePending();
    if (done()) return true;
    const gint64 left = until - g_get_monotonic_time();
    if (left <= 0) return false;
    iterateFor(context_, static_cast<guint>((left + 999) / 1000));
  }
}

namespace testhooks {
void useVirtualTime(double start) {
  gVirtualNow.store(start);
  gWallOffset.store(0);
  gVirtual.store(true);
  orvin::testhooks::setClock(virtualWallNow);
  orvin::testhooks::setMonotonicClock(virtualNow);
}
void useRealTime() {
  gVirtual.store(false);
  orvin::testhooks::resetClock();
  orvin::testhooks::resetMonotonicClock();
}
void advanceVirtualTime(double seconds) {
  gVirtualNow.store(gVirtualNow.load() + seconds);
}
void stepWallClock(double seconds) {
  gWallOffset.store(gWallOffset.load() + seconds);
}
}  // namespace testhooks

}  // namespace wendlock
