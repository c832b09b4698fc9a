// The run loop: the GLib main context of the main thread. Every wait of the
// service (the launch ticks, the transfer ticks) runs it until a deadline on
// the library's one clock; sockets, timers and D-Bus are its event sources.
#pragma once

#include <glib.h>

#include <exception>

#include "support/Date.h"

namespace wendlock {

class RunLoop {
 public:
  // The main thread's loop (GLib's default context).
  static RunLoop& currentRunLoop();

  [[nodiscard]] GMainContext* context() const noexcept { return context_; }

  // Dispatches events until the clock reaches `deadline`. May be called from
  // inside a handler that the loop is dispatching (a nested wait).
  //   RunLoop::currentRunLoop().runUntilDate(orvin::Date::dateWithTimeIntervalSinceNow(1.0));
  void runUntilDate(const orvin::Date& deadline);

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
// Virtual time for tests: the clock stands still while events are being
// dispatched, and jumps to the deadline as soon as nothing has happened for a
// few milliseconds, so a 60-second wait for a silent peer takes milliseconds.
void useVirtualTime(double startAbsoluteTime);
void useRealTime();
// Moves virtual time forward (for tests that step it themselves).
void advanceVirtualTime(double seconds);
}  // namespace testhooks

}  // namespace wendlock
