#include "service/platform/RunLoop.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <utility>

#include "support/Clock.h"
#include "support/internal/TestHooks.h"

namespace wendlock {
namespace {

// Real time that must pass without any event before virtual time jumps.
constexpr guint kIdleMilliseconds = 10;

std::atomic<bool> gVirtual{false};
std::atomic<double> gVirtualNow{0};

double virtualNow() {
  return gVirtualNow.load();
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
  const double until = deadline.timeIntervalSinceReferenceDate();
  for (;;) {
    raisePending();
    const double now = orvin::currentAbsoluteTime();
    if (now >= until) return;
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

namespace testhooks {
void useVirtualTime(double startAbsoluteTime) {
  gVirtualNow.store(startAbsoluteTime);
  gVirtual.store(true);
  orvin::testhooks::setClock(virtualNow);
}
void useRealTime() {
  gVirtual.store(false);
  orvin::testhooks::resetClock();
}
void advanceVirtualTime(double seconds) {
  gVirtualNow.store(gVirtualNow.load() + seconds);
}
}  // namespace testhooks

}  // namespace wendlock
