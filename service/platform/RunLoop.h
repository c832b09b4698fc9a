// The run loop: the GLib main context of the main thread. Every wait of the
// service (the launch ticks, the transfer ticks, the device search) runs it
// until a deadline on the monotonic clock; sockets, timers and D-Bus are its
// event sources.
#pragma once

#include <glib.h>

#include <exception>
#include <functional>

#include "support/Date.h"

namespace wendlock {

class RunLoop {
 public:
  // The main thread's loop (GLib's default context).
  static RunLoop& currentRunLoop();

  [[nodiscard]] GMainContext* context() const noexcept { return context_; }

  // Dispatches events until `deadline`. The date is measured against the
  // wall clock once, when the call starts, and the wait then runs on the
  // monotonic clock, so setting the system clock meanwhile changes nothing.
  // May be called from inside a handler that the loop is dispatching (a
  // nested wait).
  //   RunLoop::currentRunLoop().runUntilDate(orvin::Date::dateWithTimeIntervalSinceNow(1.0));
  void runUntilDate(const orvin::Date& deadline);
  // Dispatches events until `done` answers true or orvin::monotonicSeconds()
  // reaches `deadline`; answers done().
  //   loop.runUntil([&] { return replied; }, orvin::monotonicSeconds() + 3.0);
  bool runUntil(const std::function<bool()>& done, double deadline);
  // As runUntil, for `seconds` on the system's monotonic clock even under
  // virtual time: for waits on work outside the loop's view (a handshake on
  // GIO's worker thread), which virtual time would take for silence.
  bool runUntilOnSystemClock(const std::function<bool()>& done, double seconds);

  // Runs `body` from an event handler. A platform exception it raises must
  // not unwind through the loop's C frames: it is kept and raised again from
  // runUntilDate, in the caller's frame, once the handler has returned.
  template <class Body>
  void guard(Body&& body) noexcept {
    try {
      body();
    } catch (...) {
      if (!pending_) pending_ = std::current_exception();
    }
  }

 private:
  explicit RunLoop(GMainContext* context) : context_(context) {}
  void raisePending();

  GMainContext* context_;
  std::exception_ptr pending_;
};

namespace testhooks {
// Virtual time for tests: both clocks stand still while events are being
// dispatched, and jump to the deadline as soon as nothing has happened for a
// few milliseconds, so a 60-second wait for a silent peer takes milliseconds.
// Both start at `start`.
void useVirtualTime(double start);
void useRealTime();
// Moves virtual time forward (for tests that step it themselves).
void advanceVirtualTime(double seconds);
// Sets the virtual wall clock forward (or back, when negative) without
// moving the monotonic one, as an administrator or NTP would.
void stepWallClock(double seconds);
}  // namespace testhooks

}  // namespace wendlock
