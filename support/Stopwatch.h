// A process-wide stopwatch for quick timing logs, and the time elapsed since
// a date. The stopwatch runs on the monotonic clock, so setting the system
// clock does not disturb a measurement; a date's elapsed time is wall-clock
// time, since a date is an instant.
//
// Measurements are logged with NSLog as "%fs" (seconds with six decimals),
// or "%@: %fs" with a label.
#pragma once

#include "chars/Export.h"
#include "chars/String.h"
#include "support/Date.h"

ORVIN_PUBLIC_BEGIN
namespace orvin {

// Starts the stopwatch now; a running one starts over.
void startTimer();
// Stops the stopwatch.
void stopTimer();

// While the stopwatch runs: logs and answers the seconds since it started;
// else logs nothing and answers 0. The stopwatch keeps running.
//   startTimer(); load(); measureTimer(u"load");  // logs "load: 0.012345s"
double measureTimer();
double measureTimer(const String& label);
// As measureTimer(label), then starts the stopwatch over (even when it was
// stopped).
double measureAndRestartTimer(const String& label);
// As measureTimer(label), then stops the stopwatch.
double measureAndStopTimer(const String& label);

// Seconds from `date` to now: positive for a past date, negative for a
// future one.
//   ellapsedTime(Date::dateWithTimeIntervalSinceNow(-60))  // about 60
[[nodiscard]] NSTimeInterval ellapsedTime(const Date& date);
// Logs ellapsedTime(date) ("%fs", or "%@: %fs" with the label) and answers it.
NSTimeInterval measureTimer(const Date& date);
NSTimeInterval measureTimer(const Date& date, const String& label);

}  // namespace orvin
ORVIN_PUBLIC_END
